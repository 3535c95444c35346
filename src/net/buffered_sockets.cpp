#include "net/buffered_sockets.h"

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>

namespace quorvel {

namespace {

// The application's proxy setting, passed on unresolved. Without a proxy,
// the network access manager reads a reply's status line and headers from
// an unbuffered socket, one system call per byte: some 130 calls for each
// small reply, most of the client's time in the start-up's hundreds of file
// checks. Handed "the application's proxy" as a transparent proxy, it takes
// a buffered socket, which resolves that setting itself when it connects,
// so the connection made is the same (direct, unless a proxy is set).
class application_proxy : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery&) override {
        return {QNetworkProxy(QNetworkProxy::DefaultProxy)};
    }
};

} // namespace

void use_buffered_sockets(QNetworkAccessManager& manager) {
    manager.setProxyFactory(new application_proxy); // the manager owns it
}

} // namespace quorvel
