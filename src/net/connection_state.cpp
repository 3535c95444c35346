#include "net/connection_state.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <spdlog/spdlog.h>

namespace quorvel {

connection_state& connection_state::instance() {
    static connection_state* state = new connection_state;
    return *state;
}

void connection_state::set_offline(bool offline) {
    if (offline_.exchange(offline) == offline)
        return;
    spdlog::info(offline ? "working offline from the saved library" : "back online");
    emit offline_changed(offline);
}

QString connection_state::offline_message() {
    return QStringLiteral("当前离线使用，无法修改资料，请在连接服务器后再试");
}

QByteArray connection_state::offline_reply() {
    return QJsonDocument(QJsonObject{{"code", offline_code},
                                     {"msg", offline_message()},
                                     {"data", QJsonValue()}})
        .toJson(QJsonDocument::Compact);
}

} // namespace quorvel
