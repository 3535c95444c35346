#pragma once

#include "net/http_client.h"

#include <QByteArray>
#include <QString>

namespace quorvel {

// One backend exchange: endpoint path below the base address, method,
// query, body, and whether it carries the login token.
struct http_call_t {
    QString path;
    bool post = true;
    string_map_t query;
    QByteArray body;
    bool authorized = true;
};

// Carries the call out on the given client and returns the reply body.
QByteArray perform(http_client& client, const http_call_t& call);

// The JSON body {"key": [ids as strings]} in Qt's indented form.
QByteArray id_list_body(const QString& key, const QStringList& ids);

} // namespace quorvel
