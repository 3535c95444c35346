#include "net/http_client.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QUrlQuery>
#include <atomic>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {
std::atomic<int> default_timeout_ms{60000};
}

void http_client::set_default_inactivity_timeout(int ms) {
    default_timeout_ms = ms;
}
int http_client::default_inactivity_timeout() {
    return default_timeout_ms;
}

http_client::http_client(QObject* parent)
    : QObject(parent), manager_(new QNetworkAccessManager(this)),
      inactivity_timeout_ms_(default_timeout_ms) {}

QNetworkRequest http_client::build_request(const QString& url, const string_map_t& headers,
                                           const string_map_t& query) const {
    QUrl target(url);
    if (!query.isEmpty()) {
        QUrlQuery items;
        for (auto it = query.constBegin(); it != query.constEnd(); ++it)
            items.addQueryItem(it.key(), it.value());
        target.setQuery(items);
    }
    QNetworkRequest request(target);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    for (auto it = headers.constBegin(); it != headers.constEnd(); ++it)
        request.setRawHeader(it.key().toUtf8(), it.value().toUtf8());
    request.setTransferTimeout(inactivity_timeout_ms_);
    // Every exchange on a fresh connection. On a reused one, a POST's body
    // waits for the ACK of its header (Nagle against delayed ACK): 40 ms each.
    request.setRawHeader("Connection", "close");
    return request;
}

QByteArray http_client::get(const QString& url, const string_map_t& headers,
                            const string_map_t& query, const QByteArray&) {
    return wait_for(manager_->get(build_request(url, headers, query)));
}

QByteArray http_client::post(const QString& url, const string_map_t& headers,
                             const string_map_t& query, const QByteArray& body) {
    return wait_for(manager_->post(build_request(url, headers, query),
                                   body.isEmpty() ? QByteArray("{}") : body));
}

QByteArray http_client::wait_for(QNetworkReply* reply) {
    if (!reply)
        return {};
    if (!reply->isFinished()) {
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (reply->error() != QNetworkReply::NoError) {
        qWarning() << "Request failed:" << reply->errorString();
        spdlog::warn("http request failed, reason: {}", reply->errorString().toStdString());
    }
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return body;
}

} // namespace quorvel
