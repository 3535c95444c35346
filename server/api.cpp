#include "api.h"

#include "admin.h"
#include "auth.h"
#include "web_session.h"

#include <QDateTime>
#include <QHash>
#include <QSqlQuery>

namespace quorvel::server {

QString now_text() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

namespace {

struct handled_route_t {
    protocol::route_t route;
    reply_t (api::*handler)(const request_t&);
    bool search = false; // its texts are search patterns, bounded more tightly
};

QString method_name(protocol::http_method method) {
    return method == protocol::http_method::get ? QStringLiteral("GET") : QStringLiteral("POST");
}

QString route_key(const QString& method, const QString& path) {
    return method + QLatin1Char(' ') + path;
}

const QHash<QString, api::handler_t>& route_table() {
    static const QHash<QString, api::handler_t> table = [] {
        const handled_route_t list[] = {
            {routes::login, &api::login},
            {routes::login_user_data, &api::login_user_data},
            {routes::category_tree, &api::classify_tree},
            {routes::query_categories, &api::query_classify, true},
            {routes::create_category, &api::create_classify},
            {routes::edit_category, &api::edit_classify},
            {routes::sort_categories, &api::classify_sort},
            {routes::query_scripts, &api::query_speech, true},
            {routes::create_script, &api::create_speech},
            {routes::edit_script, &api::edit_speech},
            {routes::sort_scripts, &api::speech_sort},
            {routes::query_stickers, &api::query_emoji, true},
            {routes::create_sticker, &api::create_emoji},
            {routes::edit_sticker, &api::edit_emoji},
            {routes::list_phrases, &api::phrase_list},
            {routes::add_phrase, &api::phrase_add},
            {routes::delete_phrase, &api::phrase_del},
            {routes::sort_phrases, &api::phrase_sort},
            {routes::query_quick_replies, &api::quick_reply_list},
            {routes::save_quick_replies, &api::quick_reply_save},
            {routes::query_docs, &api::query_file, true},
            {routes::create_doc, &api::create_file},
            {routes::edit_doc, &api::edit_file},
            {routes::file_description, &api::nas_file_info},
            {routes::check_version, &api::check_version},
            {routes::supported_apps, &api::adsorption_list},
            {routes::manage_page, &api::visit_address},
        };
        QHash<QString, api::handler_t> out;
        for (const handled_route_t& r : list)
            out.insert(route_key(method_name(r.route.method), QLatin1String(r.route.path)),
                       [handler = r.handler, search = r.search](api& a, const request_t& req) {
                           if (auto refusal = check_params(req.params, search))
                               return *refusal;
                           return (a.*handler)(req);
                       });
        return out;
    }();
    return table;
}

} // namespace

api::api(storage& store, file_store& files, api_options_t options)
    : store_(store), files_(files), options_(options) {}

const api::handler_t* api::find(const QString& method, const QString& path) const {
    const auto it = route_table().constFind(route_key(method, path));
    return it == route_table().constEnd() ? nullptr : &it.value();
}

bool api::needs_login(const QString& path) const {
    for (const protocol::route_t& route : routes::all)
        if (path == QLatin1String(route.path))
            return route.authorized;
    return true;
}

std::optional<user_t> api::authenticate(const QString& token, qint64* expires_at) {
    if (token.isEmpty() || token.size() > 256)
        return std::nullopt;
    transaction tx(store_, false);
    auto q =
        tx.run(QStringLiteral(
                   "SELECT u.id, u.account, u.user_name, u.dept_id, u.admin_type, u.account_type,"
                   " t.expires_at FROM tokens t JOIN users u ON u.id = t.user_id"
                   " WHERE t.token_hash = ? AND t.expires_at > ?"),
               {token_digest(token), QDateTime::currentSecsSinceEpoch()});
    if (!q || !q->next())
        return std::nullopt;
    user_t user = user_from_row(*q);
    if (expires_at)
        *expires_at = q->value(6).toLongLong();
    if (!load_roles(tx, user))
        return std::nullopt;
    return user;
}

user_t user_from_row(const QSqlQuery& q) {
    user_t user;
    user.id = q.value(0).toLongLong();
    user.account = q.value(1).toString();
    user.name = q.value(2).toString();
    user.dept_id = q.value(3).toLongLong();
    user.admin_type = q.value(4).toInt();
    user.account_type = q.value(5).toInt();
    return user;
}

bool load_roles(transaction& tx, user_t& user) {
    if (auto roles =
            tx.run(QStringLiteral("SELECT r.role_key FROM user_roles ur JOIN roles r"
                                  " ON r.id = ur.role_id WHERE ur.user_id = ? ORDER BY r.id"),
                   {user.id}))
        while (roles->next())
            user.role_keys << roles->value(0).toString();
    if (auto rights = tx.run(QStringLiteral("SELECT d.dept_id, r.role_key FROM user_dept_rights d"
                                            " JOIN roles r ON r.id = d.role_id WHERE d.user_id = ?"
                                            " ORDER BY d.dept_id, r.id"),
                             {user.id}))
        while (rights->next())
            user.dept_role_keys[rights->value(0).toLongLong()] << rights->value(1).toString();
    return tx.ok();
}

reply_t api::login(const request_t& r) {
    const QString account = r.text("account").trimmed();
    const QString password = r.text("password");
    if (account.isEmpty() || password.isEmpty() || account.size() > max_name_length ||
        password.size() > max_name_length)
        return reply_t::failure(codes::login_failed, QStringLiteral("用户名或密码错误"));

    QString hash;
    qint64 user_id = 0;
    {
        transaction tx(store_, false);
        auto q = tx.run(QStringLiteral("SELECT id, password_hash FROM users WHERE account = ?"
                                       " AND id NOT IN (SELECT user_id FROM disabled_users)"),
                        {account});
        if (!tx.ok())
            return reply_t::internal();
        if (q && q->next()) {
            user_id = q->value(0).toLongLong();
            hash = q->value(1).toString();
        }
    }
    // The slow hash runs outside any transaction so logins do not hold the writer.
    if (user_id == 0 || !verify_password(hash, password))
        return reply_t::failure(codes::login_failed, QStringLiteral("用户名或密码错误"));

    const QString token = new_token();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    transaction tx(store_, true);
    // Only expired tokens go, which no cache would accept anyway.
    tx.keep_generation();
    tx.run(QStringLiteral("DELETE FROM tokens WHERE user_id = ? AND expires_at <= ?"),
           {user_id, now});
    tx.run(QStringLiteral("INSERT INTO tokens (token_hash, user_id, expires_at) VALUES (?, ?, ?)"),
           {token_digest(token), user_id, now + options_.token_ttl_seconds});
    if (!tx.commit())
        return reply_t::internal();
    return reply_t::success(QJsonObject{{"jwtToken", token}});
}

namespace {

struct dept_row_t {
    qint64 id;
    qint64 parent;
    QString name;
    QString status;
};

QJsonObject dept_node(const dept_row_t& d, const QMultiHash<qint64, dept_row_t>& by_parent) {
    QJsonArray children;
    QList<dept_row_t> kids = by_parent.values(d.id);
    std::sort(kids.begin(), kids.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    for (const dept_row_t& kid : kids)
        children.append(dept_node(kid, by_parent));
    return {{"id", id_text(d.id)}, {"label", d.name}, {"status", d.status}, {"children", children}};
}

} // namespace

reply_t api::login_user_data(const request_t& r) {
    transaction tx(store_, false);
    qint64 user_id = r.user.id;
    const QString account = r.text("account");
    if (!account.isEmpty() && account != r.user.account) {
        // Only administrators may look at another account.
        if (!r.user.is_admin())
            return reply_t::forbidden();
        const QVariant other =
            tx.scalar(QStringLiteral("SELECT id FROM users WHERE account = ?"), {account});
        if (!other.isValid())
            return tx.ok() ? reply_t::missing() : reply_t::internal();
        user_id = other.toLongLong();
    }
    auto u = tx.run(QStringLiteral("SELECT u.account, u.user_name, u.dept_id, u.admin_type,"
                                   " u.account_type, u.email, u.phone, u.sex, u.avatar,"
                                   " COALESCE(d.name, '') FROM users u LEFT JOIN departments d"
                                   " ON d.id = u.dept_id WHERE u.id = ?"),
                    {user_id});
    if (!u || !u->next())
        return tx.ok() ? reply_t::missing() : reply_t::internal();

    QHash<qint64, dept_row_t> depts;
    QMultiHash<qint64, dept_row_t> by_parent;
    if (auto q = tx.run(QStringLiteral("SELECT id, parent_id, name, status FROM departments"))) {
        while (q->next()) {
            const dept_row_t d{q->value(0).toLongLong(), q->value(1).toLongLong(),
                               q->value(2).toString(), q->value(3).toString()};
            depts.insert(d.id, d);
            by_parent.insert(d.parent, d);
        }
    }
    QJsonArray tree;
    QList<dept_row_t> roots;
    for (const dept_row_t& d : depts)
        if (!depts.contains(d.parent))
            roots << d;
    std::sort(roots.begin(), roots.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    for (const dept_row_t& root : roots)
        tree.append(dept_node(root, by_parent));

    // Roles: global ones, each with the departments where the user holds it.
    QJsonArray roles;
    if (auto q =
            tx.run(QStringLiteral("SELECT r.id, r.name, r.role_key, r.data_scope FROM user_roles ur"
                                  " JOIN roles r ON r.id = ur.role_id WHERE ur.user_id = ?"
                                  " ORDER BY r.id"),
                   {user_id})) {
        while (q->next()) {
            QJsonArray role_depts;
            if (auto d =
                    tx.run(QStringLiteral("SELECT dept_id FROM user_dept_rights WHERE user_id = ?"
                                          " AND role_id = ? ORDER BY dept_id"),
                           {user_id, q->value(0)}))
                while (d->next()) {
                    const qint64 dept = d->value(0).toLongLong();
                    role_depts.append(QJsonObject{{"deptId", id_text(dept)},
                                                  {"deptName", depts.value(dept).name}});
                }
            roles.append(QJsonObject{{"roleId", q->value(0).toString()},
                                     {"roleName", q->value(1).toString()},
                                     {"roleKey", q->value(2).toString()},
                                     {"dataScope", q->value(3).toString()},
                                     {"deptRoleDataList", role_depts}});
        }
    }

    QMap<qint64, QJsonObject> rights;
    if (auto q = tx.run(QStringLiteral("SELECT d.dept_id, r.id, r.role_key, r.data_scope"
                                       " FROM user_dept_rights d JOIN roles r ON r.id = d.role_id"
                                       " WHERE d.user_id = ? ORDER BY d.dept_id, r.id"),
                        {user_id})) {
        while (q->next()) {
            const qint64 dept = q->value(0).toLongLong();
            QJsonObject entry = rights.value(dept, QJsonObject{{"deptId", id_text(dept)},
                                                               {"deptName", depts.value(dept).name},
                                                               {"roleIds", QJsonArray()},
                                                               {"roleKeys", QJsonArray()},
                                                               {"dataScopes", QJsonArray()}});
            auto append = [&entry](const char* key, const QString& value) {
                QJsonArray list = entry.value(QLatin1String(key)).toArray();
                list.append(value);
                entry.insert(QLatin1String(key), list);
            };
            append("roleIds", q->value(1).toString());
            append("roleKeys", q->value(2).toString());
            append("dataScopes", q->value(3).toString());
            rights.insert(dept, entry);
        }
    }
    if (!tx.ok())
        return reply_t::internal();
    QJsonArray check_list;
    for (const QJsonObject& entry : rights)
        check_list.append(entry);

    return reply_t::success(QJsonObject{
        {"account", u->value(0).toString()},
        {"userId", id_text(user_id)},
        {"userName", u->value(1).toString()},
        {"accountType", u->value(4).toInt()},
        {"loginStatus", "0"},
        {"loginType", "account"},
        {"deptId", id_text(u->value(2).toLongLong())},
        {"deptName", u->value(9).toString()},
        {"email", u->value(5).toString()},
        {"phoneNumber", u->value(6).toString()},
        {"sex", u->value(7).toString()},
        {"avatar", u->value(8).toString()},
        {"adminType", u->value(3).toInt()},
        {"userRoleList", roles},
        {"deptRoleTreeMap", QJsonObject{{"deptAllTree", tree}, {"checkDeptDataList", check_list}}},
    });
}

QString api::config_value(transaction& tx, const QString& name) {
    return tx.scalar(QStringLiteral("SELECT value FROM config WHERE name = ?"), {name}).toString();
}

reply_t api::check_version(const request_t& r) {
    // Clients name their operating system; those that do not are Windows builds.
    const QString os = r.has("os") ? r.text("os") : update_systems().first();
    if (!update_systems().contains(os))
        return reply_t::success(QJsonObject());
    auto value = [this, &os](transaction& tx, const char* field) {
        return config_value(tx, update_key(os, field));
    };
    transaction tx(store_, false);
    const QString version = value(tx, "version");
    if (!tx.ok())
        return reply_t::internal();
    if (version.isEmpty())
        return reply_t::success(QJsonObject());
    const QString file_id = value(tx, "file_id");
    const qint64 size =
        tx.scalar(QStringLiteral("SELECT size FROM files WHERE id = ?"), {file_id.toLongLong()})
            .toLongLong();
    return reply_t::success(QJsonObject{
        {"isForceUpdate", value(tx, "force") == QLatin1String("1")},
        {"isSilentInstall", value(tx, "silent") == QLatin1String("1")},
        {"installArgs", value(tx, "args")},
        {"sha256", value(tx, "sha256")},
        {"downloadUrl", r.base_url + QLatin1String(routes::download_file.path) +
                            QStringLiteral("?fileId=") + file_id},
        {"fileId", file_id},
        {"releaseNotes", value(tx, "notes")},
        {"latestVersion", version},
        {"minOsVersion", value(tx, "min_os")},
        {"signature", value(tx, "signature")},
        {"fileSize", size},
    });
}

reply_t api::adsorption_list(const request_t&) {
    transaction tx(store_, false);
    const QString stored = config_value(tx, QStringLiteral("adsorption"));
    if (!tx.ok())
        return reply_t::internal();
    // "name=id,id;name=id,..." as set by the admin command; the two built-in
    // applications otherwise.
    QJsonArray list;
    const QString table = stored.isEmpty()
                              ? QStringLiteral("企业微信=weworkwindow,企业微信,wecom;"
                                               "微信=wechatmainwndforpc,qt51514qwindowicon,wechat,"
                                               "weixin,微信,mmui::mainwindow")
                              : stored;
    for (const QString& entry : table.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int eq = entry.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        list.append(QJsonObject{{"operateHabitKey", entry.left(eq)},
                                {"operateHabitValue", entry.mid(eq + 1)}});
    }
    return reply_t::success(list);
}

reply_t api::visit_address(const request_t& r) {
    const QString token = issue_web_link(store_, r.user.id, options_.manage_link_seconds);
    if (token.isEmpty())
        return reply_t::internal();
    const bool intranet =
        r.text("requestNetworkType") == QLatin1String(protocol::network::intranet);
    QString base = intranet ? options_.manage_intranet_address : options_.manage_extranet_address;
    if (base.isEmpty())
        base = intranet ? options_.manage_extranet_address : options_.manage_intranet_address;
    if (base.isEmpty())
        base = options_.listen_address.isEmpty() ? r.base_url : options_.listen_address;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return reply_t::success(base + QStringLiteral("/manage/enter?link=") + token);
}

} // namespace quorvel::server
