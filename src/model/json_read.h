#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QVariant>

// The reading rules shared by every record: a string field takes the value's
// string conversion (anything but a string gives ""); an integer field reads
// either as "number" (the JSON number truncated, anything else 0) or as "any"
// (the value as a variant converted to a 64-bit integer, so numeric strings
// count too).
namespace quorvel::json_read {

inline QString text(const QJsonObject& o, const char* key) {
    return o.value(QLatin1String(key)).toString();
}

inline qint64 number(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isDouble())
        return 0;
    const double d = v.toDouble();
    if (d >= 9.2e18 || d <= -9.2e18 || d != d)
        return 0;
    return static_cast<qint64>(d);
}

inline int number_int(const QJsonObject& o, const char* key) {
    const qint64 n = number(o, key);
    return n > INT_MAX || n < INT_MIN ? 0 : static_cast<int>(n);
}

inline qint64 any(const QJsonObject& o, const char* key) {
    return o.value(QLatin1String(key)).toVariant().toLongLong();
}

} // namespace quorvel::json_read
