#pragma once

#include "api_support.h"
#include "file_store.h"
#include "storage.h"

#include <QJsonObject>
#include <QSet>
#include <QSqlQuery>
#include <functional>
#include <optional>

namespace quorvel::server {

// A user from a row whose first columns are id, account, user_name,
// dept_id, admin_type and account_type.
user_t user_from_row(const QSqlQuery& q);
// Adds the user's role keys and data rights per department; false when the
// store could not be read.
bool load_roles(transaction& tx, user_t& user);

struct api_options_t {
    qint64 token_ttl_seconds = 12 * 3600;
    // Bytes of script attachments one user may file.
    qint64 attachment_quota_bytes = qint64(1) << 30;
    // Where browsers reach the management page, per network type of the
    // asking client ("http://host:port"); empty: the address the server
    // listens on (the one the client used when that is a wildcard).
    QString manage_intranet_address;
    QString manage_extranet_address;
    QString listen_address;
    // How long a management-page link stays good before its one use.
    qint64 manage_link_seconds = 120;
};

// One category row.
struct category_t {
    qint64 id = 0;
    qint64 super_id = -1;
    QString name;
    QString business; // one of protocol::business
    part scope = part::pub;
    qint64 dept = 0;
    qint64 owner = 0;
    qint64 sort = 0;
    int unfold = 0;
};

// Every endpoint of protocol/routes.h but the file transfers. Handlers take the parsed parameters
// and the authenticated user and return the reply; each runs in one transaction.
class api {
public:
    using handler_t = std::function<reply_t(api&, const request_t&)>;

    api(storage& store, file_store& files, api_options_t options);

    // The handler of a route's path and method, or null.
    const handler_t* find(const QString& method, const QString& path) const;
    bool needs_login(const QString& path) const;

    // Looks the token up; nullopt when missing, unknown or expired. The
    // token's expiry goes to *expires_at when given.
    std::optional<user_t> authenticate(const QString& token, qint64* expires_at = nullptr);

    reply_t login(const request_t& r);
    reply_t login_user_data(const request_t& r);

    reply_t classify_tree(const request_t& r);
    reply_t query_classify(const request_t& r);
    reply_t create_classify(const request_t& r);
    reply_t edit_classify(const request_t& r);
    reply_t classify_sort(const request_t& r);

    reply_t query_speech(const request_t& r);
    reply_t create_speech(const request_t& r);
    reply_t edit_speech(const request_t& r);
    reply_t speech_sort(const request_t& r);

    reply_t query_emoji(const request_t& r);
    reply_t create_emoji(const request_t& r);
    reply_t edit_emoji(const request_t& r);

    reply_t phrase_list(const request_t& r);
    reply_t phrase_add(const request_t& r);
    reply_t phrase_del(const request_t& r);
    reply_t phrase_sort(const request_t& r);
    reply_t quick_reply_list(const request_t& r);
    reply_t quick_reply_save(const request_t& r);

    reply_t query_file(const request_t& r);
    reply_t create_file(const request_t& r);
    reply_t edit_file(const request_t& r);
    reply_t nas_file_info(const request_t& r);

    reply_t check_version(const request_t& r);
    reply_t adsorption_list(const request_t& r);
    reply_t visit_address(const request_t& r);

    // File-store access for the streaming routes.
    bool can_read_file(transaction& tx, const user_t& user, qint64 file_id);
    // Whether a file may be served by its bare path: shared files only.
    bool is_shared_file(transaction& tx, qint64 file_id);
    // The reply to an upload: the stored file's description, also for a
    // report its sender cannot read back.
    reply_t describe_upload(const user_t& user, qint64 file_id);
    storage& store() { return store_; }
    file_store& files() { return files_; }
    // The address the server is reachable at once bound ("http://host:port").
    void set_listen_address(const QString& address) { options_.listen_address = address; }

private:
    // Shared by the handlers.
    std::optional<category_t> load_category(transaction& tx, qint64 id);
    // The category named by "classifyId" that an item is copied or moved into:
    // it must be of the same library and writable; otherwise *failure says why.
    std::optional<category_t> transfer_target(transaction& tx, const request_t& r,
                                              const QString& business, reply_t* failure);
    QJsonObject category_json(const category_t& c) const;
    bool can_read(const user_t& u, const category_t& c) const;
    bool can_write(const user_t& u, const category_t& c) const;
    // The attachments category of the public document library.
    bool is_attachments(const category_t& c) const;
    // The refusal when a user may not file another attachment of this size.
    std::optional<reply_t> refuse_attachment(transaction& tx, const user_t& user, qint64 size);
    // Scope of a library part from the request: (part, dept id, owner id).
    std::optional<category_t> scope_of(const request_t& r, const QString& business);
    qint64 next_sort(transaction& tx, const QString& table, const QString& parent_column,
                     qint64 parent);
    QList<qint64> subtree(transaction& tx, qint64 root);
    // Levels from the top down to a category (1 for a top-level one, 0 for
    // "-1"), and levels of the subtree below and including one; both stop
    // counting past limit.
    int depth_of(transaction& tx, qint64 id, int limit);
    int height_of(transaction& tx, qint64 root, int limit);
    // The refusal when a subtree of the given height may not hang below parent
    // in a library, else nullopt.
    std::optional<reply_t> refuse_depth(transaction& tx, const QString& business, int height,
                                        qint64 parent);
    // The refusal when a copy of root would be larger than one request may copy.
    std::optional<reply_t> refuse_copy_size(transaction& tx, qint64 root);
    bool delete_category_tree(transaction& tx, qint64 root);
    std::optional<qint64> copy_category_tree(transaction& tx, const category_t& source,
                                             const category_t& target_scope, qint64 new_parent,
                                             const user_t& user);
    bool move_category_tree(transaction& tx, const category_t& source,
                            const category_t& target_scope, qint64 new_parent);

    QJsonObject script_json(const QSqlQuery& q) const;
    std::optional<QJsonObject> load_script(transaction& tx, qint64 id, category_t* category);
    QJsonObject nas_file_json(const QSqlQuery& q, int offset, const user_t& user) const;
    std::optional<QJsonObject> load_sticker(transaction& tx, qint64 id, const user_t& user,
                                            category_t* category);
    std::optional<QJsonObject> load_doc(transaction& tx, qint64 id, const user_t& user,
                                        category_t* category);
    QJsonArray phrases_of(transaction& tx, qint64 user_id);
    QString config_value(transaction& tx, const QString& name);

    storage& store_;
    file_store& files_;
    api_options_t options_;
};

using protocol::attachments_marker;

QString now_text();

// Sort lists: the first column of every row as an id set; the ids of a list
// that names members of allowed, each once (nullopt otherwise); and the sort
// numbers 1, 2, ... given to the rows of a table in list order.
QSet<qint64> id_set(transaction& tx, const QString& sql, const QVariantList& binds);
std::optional<QList<qint64>> ids_once(const QStringList& order, QSet<qint64> allowed);
void renumber(transaction& tx, const char* table, const QList<qint64>& ids);

} // namespace quorvel::server
