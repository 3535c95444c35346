#include "net/sign_in.h"

#include "model/data_center.h"
#include "model/session_state.h"
#include "net/http_call.h"
#include "net/http_worker.h"
#include "net/request_table.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <memory>

namespace quorvel {

login_failure classify_login_reply(bool unreachable, const QByteArray& body) {
    if (unreachable && body.isEmpty())
        return login_failure::unreachable;
    const QJsonObject o = QJsonDocument::fromJson(body).object();
    if (o.value(QLatin1String("code")).toInt() == protocol::codes::login_failed)
        return login_failure::wrong_credentials;
    return login_failure::server_error;
}

QString login_failure_reason(login_failure failure) {
    switch (failure) {
    case login_failure::wrong_credentials:
        return QStringLiteral("账号或密码错误");
    case login_failure::unreachable:
        return QStringLiteral("无法连接服务器");
    case login_failure::server_error:
        return QStringLiteral("服务器返回错误，请联系管理员");
    case login_failure::none:
        break;
    }
    return {};
}

void sign_in(const QString& account, const QString& password, QObject* context,
             std::function<void(const login_outcome_t&)> done) {
    const auto& entry = requests::login;
    log_request_begin(entry, QString());
    // Written by the request thread before it reports, read after the report.
    auto unreachable = std::make_shared<std::atomic<bool>>(false);
    auto* worker = new http_worker(context);
    QObject::connect(worker, &http_worker::request_finished, context,
                     [worker, entry, unreachable, done = std::move(done)](const QByteArray& body) {
                         worker->deleteLater();
                         const parsed_t<QString> result = entry.check(body);
                         log_request_outcome(entry, result, body);
                         if (result.ok) {
                             session_state::instance().set_token(result.value);
                             done({});
                             return;
                         }
                         done({classify_login_reply(*unreachable, body), result.message});
                     });
    const payload_t payload = payload_t::fields(
        {{QStringLiteral("account"), account}, {QStringLiteral("password"), password}});
    worker->start([endpoint = entry.endpoint, payload, unreachable] {
        http_client client;
        const QByteArray body = perform(client, endpoint, payload);
        *unreachable = client.last_unreachable();
        return body;
    });
}

} // namespace quorvel
