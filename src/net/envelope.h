#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QMap>
#include <QString>

namespace quorvel {

// The request body of a parameter map: a JSON object of strings, in key order.
QByteArray map_to_json_body(const QMap<QString, QString>& map);

// The strict check of a reply envelope: object, "code", "msg" and "data"
// present and not null, code 200. On failure *message says why.
bool check_envelope(const QJsonDocument& doc, QString* message);
// The simple check: an object whose "code" is 200.
bool check_code(const QByteArray& body, QString* message);
// A code above 4399 means the login has expired: asks for a new one.
void report_server_code(int code);

} // namespace quorvel
