#pragma once

#include "net/endpoints.h"
#include "net/http_client.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace quorvel {

// A request body as named string fields: a JSON object of strings.
using json_map_t = QMap<QString, QString>;

// What one call sends besides its endpoint: query items and body.
struct payload_t {
    string_map_t query;
    QByteArray body;

    static payload_t none() { return {}; }
    static payload_t query_items(string_map_t items) {
        payload_t p;
        p.query = std::move(items);
        return p;
    }
    static payload_t json(QByteArray body) {
        payload_t p;
        p.body = std::move(body);
        return p;
    }
    // The fields as a JSON object of strings, in key order.
    static payload_t fields(const json_map_t& fields);
};

// Carries one exchange out on the given client and returns the reply body.
QByteArray perform(http_client& client, const endpoint_t& endpoint, const payload_t& payload);

// The JSON body {"key": [ids as strings]} in Qt's indented form.
QByteArray id_list_body(const QString& key, const QStringList& ids);

} // namespace quorvel
