#include "net/http_client.h"

#include "net/buffered_sockets.h"

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
      inactivity_timeout_ms_(default_timeout_ms) {
    use_buffered_sockets(*manager_);
}

QNetworkRequest http_client::build_request(const QString& url, const string_map_t& headers,
                                           const string_map_t& query, bool with_body) const {
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
    // A request with a body goes on a fresh connection: on a reused one, the
    // body waits for the ACK of its header (Nagle against delayed ACK), 40 ms
    // each. A GET is one write, so it keeps the connection for the next one.
    if (with_body)
        request.setRawHeader("Connection", "close");
    return request;
}

QByteArray http_client::get(const QString& url, const string_map_t& headers,
                            const string_map_t& query, const QByteArray&) {
    if (refuses(url))
        return {};
    return wait_for(manager_->get(build_request(url, headers, query, false)));
}

QByteArray http_client::post(const QString& url, const string_map_t& headers,
                             const string_map_t& query, const QByteArray& body) {
    if (refuses(url))
        return {};
    return wait_for(manager_->post(build_request(url, headers, query, true),
                                   body.isEmpty() ? QByteArray("{}") : body));
}

bool http_client::last_unreachable() const {
    switch (last_error_) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // the transfer timeout
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return true;
    default:
        return false;
    }
}

bool http_client::refuses(const QString& url) {
    if (state_ == state_t::open)
        return false;
    last_error_ = state_ == state_t::timed_out ? QNetworkReply::TimeoutError
                                               : QNetworkReply::OperationCanceledError;
    spdlog::info("http request not sent ({}): {}",
                 state_ == state_t::stopped ? "stopped" : "server silent before",
                 url.toStdString());
    return true;
}

void http_client::stop() {
    state_ = state_t::stopped;
    // The reply lives on the client's thread; end it there.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (in_flight_)
                in_flight_->abort();
        },
        Qt::QueuedConnection);
}

// The body with spare room behind it, so a large reply can be parsed where
// it lies instead of being copied into a padded buffer first.
QByteArray http_client::read_padded(QNetworkReply* reply) {
    const qint64 size = reply->bytesAvailable();
    QByteArray body;
    body.reserve(int(size) + reply_padding);
    body.resize(int(size));
    body.resize(int(reply->read(body.data(), size)));
    return body.size() == size ? body : body + reply->readAll();
}

QByteArray http_client::wait_for(QNetworkReply* reply) {
    if (!reply)
        return {};
    if (!reply->isFinished()) {
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        in_flight_ = reply;
        loop.exec();
        in_flight_ = nullptr;
    }
    // The transfer timeout aborts the reply; stop() is the only other abort.
    if (reply->error() == QNetworkReply::OperationCanceledError && state_ != state_t::stopped) {
        spdlog::warn("http request timed out after {} ms of silence: {}", inactivity_timeout_ms_,
                     reply->url().toString().toStdString());
        if (give_up_after_timeout_)
            state_ = state_t::timed_out;
    }
    last_error_ = reply->error();
    if (reply->error() != QNetworkReply::NoError) {
        qWarning() << "Request failed:" << reply->errorString();
        spdlog::warn("http request failed, reason: {}", reply->errorString().toStdString());
    }
    const QByteArray body =
        reply->isOpen() ? read_padded(reply) : QByteArray(); // closed when aborted
    reply->deleteLater();
    return body;
}

} // namespace quorvel
