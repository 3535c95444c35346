#include "net/http_call.h"

#include "model/data_center.h"
#include "model/session_state.h"
#include "net/base_url.h"
#include "net/connection_state.h"
#include "net/envelope.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quorvel {

payload_t payload_t::fields(const json_map_t& fields) {
    return json(map_to_json_body(fields));
}

QByteArray perform(http_client& client, const endpoint_t& endpoint, const payload_t& payload) {
    // Offline, only the login and its profile may try the server (that is
    // how the client finds its way back); everything else would wait for a
    // time-out and could change nothing anyway.
    if (endpoint.authorized && connection_state::instance().offline() &&
        qstrcmp(endpoint.path, endpoints::login_user_data.path) != 0)
        return connection_state::offline_reply();
    string_map_t headers;
    if (endpoint.authorized)
        headers.insert(QLatin1String(protocol::token_header), session_state::instance().token());
    const QString url = base_url() + QLatin1String(endpoint.path);
    return endpoint.method == http_method::post
               ? client.post(url, headers, payload.query, payload.body)
               : client.get(url, headers, payload.query, payload.body);
}

QByteArray id_list_body(const QString& key, const QStringList& ids) {
    QJsonArray array;
    for (const QString& id : ids)
        array.append(id);
    return QJsonDocument(QJsonObject{{key, array}}).toJson(QJsonDocument::Indented);
}

} // namespace quorvel
