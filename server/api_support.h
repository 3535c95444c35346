#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <optional>

#include "protocol/library_terms.h"
#include "protocol/protocol.h"
#include "protocol/routes.h"

namespace quorvel::server {

// Reply codes. Only authentication failures are above 4399, which makes the
// client ask for a new login.
namespace codes = protocol::codes;
namespace routes = protocol::routes;

struct reply_t {
    int code = codes::ok;
    QString msg = QStringLiteral("操作成功");
    // Never null: the client's strict check rejects a null "data".
    QJsonValue data = QJsonObject();

    static reply_t success(QJsonValue data = QJsonObject()) {
        return {codes::ok, QStringLiteral("操作成功"), std::move(data)};
    }
    static reply_t failure(int code, const QString& msg) { return {code, msg, QJsonObject()}; }
    static reply_t bad(const QString& msg = QStringLiteral("参数错误")) {
        return failure(codes::bad_request, msg);
    }
    static reply_t forbidden() { return failure(codes::forbidden, QStringLiteral("没有操作权限")); }
    static reply_t missing() { return failure(codes::not_found, QStringLiteral("数据不存在")); }
    static reply_t internal() { return failure(codes::internal, QStringLiteral("服务器内部错误")); }
};

// The library parts, as the client numbers them.
using part = protocol::part;
namespace business = protocol::business;

// Whether a request's text is the given protocol code, or one of them.
inline bool is_code(const QString& text, const char* code) {
    return text == QLatin1String(code);
}
inline bool is_one_of(const QString& text, std::initializer_list<const char*> codes) {
    for (const char* code : codes)
        if (is_code(text, code))
            return true;
    return false;
}
// A protocol code as an SQL literal: the codes are fixed digits, never user input.
inline QString sql_code(const char* code) {
    return QLatin1Char('\'') + QLatin1String(code) + QLatin1Char('\'');
}

// The logged-in user and what the rights rules need of them.
struct user_t {
    qint64 id = 0;
    QString account;
    QString name;
    qint64 dept_id = 0;
    int admin_type = 0;
    int account_type = 1;
    QStringList role_keys;                     // global roles
    QHash<qint64, QStringList> dept_role_keys; // department → role keys there

    static bool is_manager_key(const QString& key) { return protocol::is_manager_key(key); }
    bool is_admin() const { return admin_type != 0; }
    bool is_manager() const;
    bool can_read_dept(qint64 dept) const;
    bool can_write_dept(qint64 dept) const;
    QList<qint64> readable_depts() const;

    // Rights on one library part: owner is the personal library's user.
    bool can_read(part p, qint64 dept, qint64 owner) const;
    bool can_write(part p, qint64 dept, qint64 owner) const;
};

// Parameters of a request: the JSON body's members and the query items.
struct request_t {
    QJsonObject params;
    user_t user;
    QString base_url; // how this client reached the server

    QString text(const char* key) const;
    bool has(const char* key) const { return params.contains(QLatin1String(key)); }
    // An id parameter: digits with an optional sign; empty or other text gives nullopt.
    std::optional<qint64> id(const char* key) const;
    QStringList id_list(const char* key) const;
};

std::optional<qint64> parse_id(const QString& text);
std::optional<part> parse_part(const QString& text);
QString id_text(qint64 id);
// A LIKE pattern that finds the text anywhere, with LIKE's own characters escaped by '\\'.
QString like_pattern(const QString& text);

// What one request may carry. Every bound keeps the work of a single request,
// and the time it holds the writer, small.
inline constexpr int max_name_length = 200;           // names, keywords, file names
inline constexpr int max_content_length = 1 << 20;    // a script body
inline constexpr int max_address_length = 2048;       // sticker and document addresses
inline constexpr int max_search_length = 500;         // any text of a search or list request
inline constexpr int max_id_length = 64;              // ids and codes
inline constexpr int max_list_length = 2000;          // ids in a sort or selection list
inline constexpr int max_copied_categories = 500;     // categories one copy may create
inline constexpr int max_attachments_per_user = 1000; // script attachments filed by one user
inline constexpr qint64 max_file_size = (qint64(1) << 53) - 1; // exact in a JSON number

// Checks every member the endpoints read against the JSON type the client
// sends and its bound; search requests bound all texts to max_search_length.
// The refusal names the member, or nullopt when all is well.
std::optional<reply_t> check_params(const QJsonObject& params, bool search);

// False when a JSON text holds an escape that does not stand for a character
// (a lone or reversed UTF-16 surrogate) or a NUL, which no stored text may hold.
bool json_escapes_valid(const QByteArray& body);

} // namespace quorvel::server
