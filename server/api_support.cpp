#include "api_support.h"

namespace quorvel::server {

bool user_t::is_manager() const {
    if (is_admin())
        return true;
    for (const QString& key : role_keys)
        if (is_manager_key(key))
            return true;
    return false;
}

bool user_t::can_read_dept(qint64 dept) const {
    return is_admin() || dept_role_keys.contains(dept);
}

bool user_t::can_write_dept(qint64 dept) const {
    if (is_admin())
        return true;
    for (const QString& key : dept_role_keys.value(dept))
        if (is_manager_key(key))
            return true;
    return false;
}

QList<qint64> user_t::readable_depts() const {
    return dept_role_keys.keys();
}

bool user_t::can_read(part p, qint64 dept, qint64 owner) const {
    switch (p) {
    case part::pub:
        return true;
    case part::personal:
        return owner == id;
    case part::dept:
        return can_read_dept(dept);
    }
    return false;
}

bool user_t::can_write(part p, qint64 dept, qint64 owner) const {
    switch (p) {
    case part::pub:
        return is_manager();
    case part::personal:
        return owner == id;
    case part::dept:
        return can_write_dept(dept);
    }
    return false;
}

QString request_t::text(const char* key) const {
    const QJsonValue value = params.value(QLatin1String(key));
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'f', 0);
    return {};
}

std::optional<qint64> parse_id(const QString& text) {
    bool ok = false;
    const qint64 id = text.trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return id;
}

std::optional<qint64> request_t::id(const char* key) const {
    return parse_id(text(key));
}

QStringList request_t::id_list(const char* key) const {
    QStringList ids;
    for (const QJsonValue& value : params.value(QLatin1String(key)).toArray()) {
        if (value.isString())
            ids << value.toString();
        else if (value.isDouble())
            ids << QString::number(value.toDouble(), 'f', 0);
        else
            ids << QString();
    }
    return ids;
}

std::optional<part> parse_part(const QString& text) {
    if (text == QLatin1String("0"))
        return part::pub;
    if (text == QLatin1String("1"))
        return part::personal;
    if (text == QLatin1String("2"))
        return part::dept;
    return std::nullopt;
}

QString id_text(qint64 id) {
    return QString::number(id);
}

QString like_pattern(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"))
        .replace(QLatin1String("%"), QLatin1String("\\%"))
        .replace(QLatin1String("_"), QLatin1String("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

} // namespace quorvel::server
