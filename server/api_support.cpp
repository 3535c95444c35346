#include "api_support.h"

#include <cmath>

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
    for (part p : {part::pub, part::personal, part::dept})
        if (is_code(text, protocol::part_text(p)))
            return p;
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

// ---- request members ----

namespace {

enum class kind {
    text,    // a JSON string of at most max characters
    flag,    // "0", "1", 0 or 1
    integer, // a decimal string or an integral number (the client sends both)
    size,    // an integral number from 0 to max_file_size
    id_list  // an array of at most max_list_length id strings
};

struct rule_t {
    const char* key;
    kind type;
    int max = max_id_length;
};

// Every member an endpoint reads, with what the client sends in it.
const rule_t rules[] = {
    {"id", kind::text},
    {"classifyId", kind::text},
    {"superId", kind::text},
    {"superiorId", kind::text},
    {"newSuperId", kind::text},
    {"newClassifyId", kind::text},
    {"deptId", kind::text},
    {"fileId", kind::text},
    {"taskId", kind::text},
    {"classifyType", kind::text},
    {"clientBusinessType", kind::text},
    {"operateType", kind::text},
    {"emojiType", kind::text},
    {"fileType", kind::text},
    {"requestNetworkType", kind::text},
    {"os", kind::text},
    {"account", kind::text, max_name_length},
    {"password", kind::text, max_name_length},
    {"classifyName", kind::text, max_name_length},
    {"speechContent", kind::text, max_content_length},
    {"speechContentKeywords", kind::text, 4 * max_name_length},
    {"customShortcuts", kind::text, max_name_length},
    {"emojiContent", kind::text, max_address_length},
    {"emojiContentDesc", kind::text, max_name_length},
    {"emojiContentMatchKeywords", kind::text, max_name_length},
    {"fileName", kind::text, max_name_length},
    {"fileSuffix", kind::text, max_name_length},
    {"fileContent", kind::text, max_address_length},
    {"keywords", kind::text, max_name_length},
    {"phraseContent", kind::text, 4 * max_name_length},
    {"whetherToUnfold", kind::flag},
    {"sort", kind::integer},
    {"fileSize", kind::size},
    {"siblingIdsInNewOrder", kind::id_list, max_list_length},
    {"speechIdList", kind::id_list, max_list_length},
};

reply_t wrong_type(const char* key, const char* expected) {
    return reply_t::bad(QStringLiteral("参数 %1 的类型不正确，应为%2")
                            .arg(QLatin1String(key), QString::fromUtf8(expected)));
}

reply_t too_long(const char* key, int max, const char* unit) {
    return reply_t::bad(QStringLiteral("参数 %1 过长，最多 %2 %3")
                            .arg(QLatin1String(key))
                            .arg(max)
                            .arg(QString::fromUtf8(unit)));
}

std::optional<reply_t> check_text(const rule_t& rule, const QJsonValue& value, int max) {
    if (!value.isString())
        return wrong_type(rule.key, "文本");
    if (value.toString().contains(QChar(0))) // query items are not checked for escapes
        return reply_t::bad(
            QStringLiteral("参数 %1 含有不允许的字符").arg(QLatin1String(rule.key)));
    if (value.toString().size() > max)
        return too_long(rule.key, max, "个字符");
    return std::nullopt;
}

// Integral and within lowest … max_file_size, the values JSON numbers hold exactly.
std::optional<reply_t> check_number(const rule_t& rule, const QJsonValue& value, double lowest,
                                    const char* expected) {
    if (!value.isDouble())
        return wrong_type(rule.key, expected);
    const double number = value.toDouble();
    if (!std::isfinite(number) || number != std::floor(number) || number < lowest ||
        number > double(max_file_size))
        return reply_t::bad(QStringLiteral("参数 %1 超出范围").arg(QLatin1String(rule.key)));
    return std::nullopt;
}

std::optional<reply_t> check_flag(const rule_t& rule, const QJsonValue& value) {
    const bool ok =
        value.isString()
            ? value.toString() == QLatin1String("0") || value.toString() == QLatin1String("1")
            : value.isDouble() && (value.toDouble() == 0 || value.toDouble() == 1);
    return ok ? std::nullopt : std::optional<reply_t>(wrong_type(rule.key, " 0 或 1"));
}

std::optional<reply_t> check_id_list(const rule_t& rule, const QJsonValue& value) {
    if (!value.isArray())
        return wrong_type(rule.key, "文本列表");
    const QJsonArray list = value.toArray();
    if (list.size() > rule.max)
        return too_long(rule.key, rule.max, "项");
    for (const QJsonValue& item : list)
        if (!item.isString() || item.toString().size() > max_id_length)
            return wrong_type(rule.key, "文本列表");
    return std::nullopt;
}

std::optional<reply_t> check_member(const rule_t& rule, const QJsonValue& value, bool search) {
    switch (rule.type) {
    case kind::text:
        return check_text(rule, value, search ? qMin(rule.max, max_search_length) : rule.max);
    case kind::flag:
        return check_flag(rule, value);
    case kind::integer:
        if (!value.isString())
            return check_number(rule, value, -double(max_file_size), "整数");
        if (value.toString().isEmpty() || parse_id(value.toString()))
            return std::nullopt;
        return wrong_type(rule.key, "整数");
    case kind::size:
        return check_number(rule, value, 0, "数字");
    case kind::id_list:
        return check_id_list(rule, value);
    }
    return std::nullopt;
}

} // namespace

std::optional<reply_t> check_params(const QJsonObject& params, bool search) {
    for (const rule_t& rule : rules) {
        const auto it = params.constFind(QLatin1String(rule.key));
        if (it == params.constEnd())
            continue;
        if (auto refusal = check_member(rule, it.value(), search))
            return refusal;
    }
    return std::nullopt;
}

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The code unit of "\uXXXX" at data[i], or -1.
int unicode_escape(const QByteArray& data, int i) {
    if (i + 6 > data.size() || data[i + 1] != 'u')
        return -1;
    int unit = 0;
    for (int k = 2; k < 6; ++k) {
        const int digit = hex_value(data[i + k]);
        if (digit < 0)
            return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

} // namespace

bool json_escapes_valid(const QByteArray& body) {
    // Backslashes only occur inside strings of valid JSON; invalid JSON is
    // refused by the parser anyway.
    bool want_low = false; // the previous escape was a high surrogate
    for (int i = 0; i < body.size(); ++i) {
        if (body[i] != '\\') {
            if (want_low)
                return false;
            continue;
        }
        if (i + 1 < body.size() && body[i + 1] != 'u') {
            if (want_low)
                return false;
            ++i;
            continue;
        }
        const int unit = unicode_escape(body, i);
        if (unit <= 0)
            return false;
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (want_low != low)
            return false;
        want_low = high;
        i += 5;
    }
    return !want_low;
}

} // namespace quorvel::server
