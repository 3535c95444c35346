#include "net/envelope.h"

#include "protocol/protocol.h"

#include "app/event_bus.h"
#include "app/event_names.h"

#include <QJsonObject>

namespace quorvel {

QByteArray map_to_json_body(const QMap<QString, QString>& map) {
    QJsonObject object;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        object.insert(it.key(), it.value());
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

namespace {

// A reply's code: success, or the server's "msg" and perhaps a login request.
bool accepted(const QJsonObject& o, QString* message) {
    const int code = o.value(QLatin1String("code")).toInt();
    if (code == protocol::codes::ok)
        return true;
    *message = o.value(QLatin1String("msg")).toString();
    report_server_code(code);
    return false;
}

} // namespace

bool check_envelope(const QJsonDocument& doc, QString* message) {
    if (doc.isEmpty() || doc.isNull() || !doc.isObject()) {
        *message = QStringLiteral("请求异常");
        return false;
    }
    const QJsonObject o = doc.object();
    for (const char* key : {"code", "msg", "data"}) {
        if (!o.contains(QLatin1String(key))) {
            *message = QStringLiteral("响应字段缺失");
            return false;
        }
    }
    for (const char* key : {"code", "msg", "data"}) {
        if (o.value(QLatin1String(key)).isNull()) {
            *message = QStringLiteral("响应字段数据缺失");
            return false;
        }
    }
    return accepted(o, message);
}

bool check_code(const QByteArray& body, QString* message) {
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (doc.isNull() || !doc.isObject()) {
        *message = QStringLiteral("请求异常");
        return false;
    }
    const QJsonObject o = doc.object();
    if (!o.contains(QLatin1String("code"))) {
        *message = QStringLiteral("响应异常");
        return false;
    }
    return accepted(o, message);
}

void report_server_code(int code) {
    if (protocol::codes::asks_relogin(code))
        event_bus::instance()->post(QLatin1String(events::relogin));
}

} // namespace quorvel
