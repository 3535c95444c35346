#include "net/http_call.h"

#include "model/data_center.h"
#include "net/base_url.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quorvel {

QByteArray perform(http_client& client, const http_call_t& call) {
    string_map_t headers;
    if (call.authorized)
        headers.insert(QStringLiteral("authorities"), data_center::instance().token());
    const QString url = base_url() + call.path;
    return call.post ? client.post(url, headers, call.query, call.body)
                     : client.get(url, headers, call.query, call.body);
}

QByteArray id_list_body(const QString& key, const QStringList& ids) {
    QJsonArray array;
    for (const QString& id : ids)
        array.append(id);
    return QJsonDocument(QJsonObject{{key, array}}).toJson(QJsonDocument::Indented);
}

} // namespace quorvel
