#include "web_admin.h"

#include "web_html.h"

#include <QUrl>
#include <QUrlQuery>
#include <httplib.h>
#include <spdlog/spdlog.h>

namespace quorvel::server {

using web::esc;

namespace {

constexpr char cookie_name[] = "qv_manage";

// No script, nothing from elsewhere, never framed; forms post only here.
constexpr char security_policy[] = "default-src 'none'; style-src 'self'; img-src 'self';"
                                   " form-action 'self'; frame-ancestors 'none'; base-uri 'none'";

// Confirmations after a change, by the key its redirect carries; the page
// shows only these texts, never one taken from the address.
const QHash<QString, QString>& notices() {
    static const QHash<QString, QString> texts = {
        {"dept_added", "部门已添加"},        {"dept_renamed", "部门已改名"},
        {"dept_deleted", "部门已删除"},      {"role_added", "角色已添加"},
        {"role_renamed", "角色已改名"},      {"role_deleted", "角色已删除"},
        {"user_added", "用户已添加"},        {"password_set", "密码已设置，该用户需重新登录"},
        {"dept_set", "所属部门已更改"},      {"roles_set", "角色已保存"},
        {"right_granted", "数据权限已授予"}, {"right_revoked", "数据权限已收回"},
        {"user_disabled", "用户已停用"},     {"user_enabled", "用户已启用"},
        {"update_set", "更新已发布"},        {"update_cleared", "更新已撤下"},
        {"apps_saved", "支持的应用已保存"},
    };
    return texts;
}

const web::nav_item_t nav_items[] = {
    {"/manage", "概览"},       {"/manage/users", "用户"},        {"/manage/departments", "部门"},
    {"/manage/roles", "角色"}, {"/manage/update", "客户端更新"}, {"/manage/apps", "支持的应用"},
};

QString cookie_value(const httplib::Request& req) {
    const QString header = QString::fromStdString(req.get_header_value("Cookie"));
    for (const QString& part : header.split(QLatin1Char(';'))) {
        const QString item = part.trimmed();
        const QString prefix = QLatin1String(cookie_name) + QLatin1Char('=');
        if (item.startsWith(prefix))
            return item.mid(prefix.size());
    }
    return {};
}

// Query items of a GET; only the body's fields of a POST, so a password or
// a form token never counts when it came in the address.
web_request_t fields_of(const httplib::Request& req) {
    web_request_t r;
    QUrlQuery query;
    if (req.method == "POST") {
        const bool form =
            req.get_header_value("Content-Type").rfind("application/x-www-form-urlencoded", 0) == 0;
        if (!form)
            return r;
        QByteArray body = QByteArray::fromStdString(req.body);
        body.replace('+', ' ');
        query.setQuery(QString::fromUtf8(body));
    } else {
        for (const auto& [key, value] : req.params)
            r.fields[QString::fromStdString(key)] << QString::fromStdString(value);
        return r;
    }
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded))
        r.fields[key] << value;
    return r;
}

} // namespace

web_reply_t web_reply_t::refused(int status, const QString& message) {
    web::shell_t shell;
    shell.title = QStringLiteral("操作未完成");
    shell.notice = message;
    shell.notice_is_error = true;
    return {status,
            web::page(shell, QStringLiteral("<p><a href=\"/manage\">返回管理后台</a></p>")),
            {}};
}

web_reply_t web_reply_t::forbidden() {
    return refused(403, QStringLiteral("没有权限：只有管理员或该部门的主管可以进行此操作"));
}

web_reply_t web_reply_t::done(const QString& page, const char* notice_key) {
    return {303,
            {},
            page + (page.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) +
                QStringLiteral("done=") + QLatin1String(notice_key)};
}

web_reply_t committed(transaction& tx, const QString& page, const char* notice_key) {
    if (!tx.commit())
        return web_reply_t::refused(500, QStringLiteral("保存失败：服务器内部错误"));
    return web_reply_t::done(page, notice_key);
}

std::optional<user_t> load_user(transaction& tx, qint64 id) {
    auto q = tx.run(QStringLiteral("SELECT id, account, user_name, dept_id, admin_type,"
                                   " account_type FROM users WHERE id = ?"),
                    {id});
    if (!q || !q->next())
        return std::nullopt;
    user_t user = user_from_row(*q);
    if (!load_roles(tx, user))
        return std::nullopt;
    return user;
}

web_admin::web_admin(api& handlers, web_options_t options) : api_(handlers), options_(options) {}

const QList<web_admin::route_t>& web_admin::routes() {
    static const QList<route_t> list = {
        {"GET", "/manage", &web_admin::overview_page, access::managers},
        {"GET", "/manage/departments", &web_admin::departments_page, access::admins},
        {"POST", "/manage/departments/add", &web_admin::add_department, access::admins},
        {"POST", "/manage/departments/rename", &web_admin::rename_department, access::admins},
        {"POST", "/manage/departments/delete", &web_admin::delete_department, access::admins},
        {"GET", "/manage/roles", &web_admin::roles_page, access::admins},
        {"POST", "/manage/roles/add", &web_admin::add_role, access::admins},
        {"POST", "/manage/roles/rename", &web_admin::rename_role, access::admins},
        {"POST", "/manage/roles/delete", &web_admin::delete_role, access::admins},
        {"GET", "/manage/users", &web_admin::users_page, access::managers},
        {"GET", "/manage/user", &web_admin::user_page, access::managers},
        {"POST", "/manage/users/add", &web_admin::add_user, access::managers},
        {"POST", "/manage/users/password", &web_admin::set_password, access::managers},
        {"POST", "/manage/users/department", &web_admin::set_user_department, access::managers},
        {"POST", "/manage/users/roles", &web_admin::set_user_roles, access::admins},
        {"POST", "/manage/users/grant", &web_admin::grant_right, access::managers},
        {"POST", "/manage/users/revoke", &web_admin::revoke_right, access::managers},
        {"POST", "/manage/users/status", &web_admin::set_user_status, access::managers},
        {"GET", "/manage/update", &web_admin::update_page, access::admins},
        {"POST", "/manage/update/clear", &web_admin::clear_update, access::admins},
        {"GET", "/manage/apps", &web_admin::apps_page, access::admins},
        {"POST", "/manage/apps/save", &web_admin::save_apps, access::admins},
    };
    return list;
}

void web_admin::install(httplib::Server& server) {
    for (const route_t& route : routes()) {
        auto handler = [this, &route](const httplib::Request& req, httplib::Response& res) {
            serve(route, req, res);
        };
        if (std::string(route.method) == "GET")
            server.Get(route.path, handler);
        else
            server.Post(route.path, handler);
    }
    server.Get("/manage/enter",
               [this](const httplib::Request& req, httplib::Response& res) { enter(req, res); });
    server.Post("/manage/logout",
                [this](const httplib::Request& req, httplib::Response& res) { logout(req, res); });
    server.Post("/manage/update/upload", [this](const httplib::Request& req, httplib::Response& res,
                                                const httplib::ContentReader& content) {
        if (!req.is_multipart_form_data()) {
            send(res, web_reply_t::refused(400, QStringLiteral("请使用页面上的表单上传安装包")));
            return;
        }
        upload_reader_t reader = [&content](auto on_part, auto on_data) {
            return content(
                [on_part](const httplib::MultipartFormData& part) {
                    return on_part(part.name, part.filename);
                },
                [on_data](const char* data, size_t size) { return on_data(data, size); });
        };
        upload_update(req, res, reader);
    });
    server.Get("/manage/style.css", [](const httplib::Request&, httplib::Response& res) {
        const QByteArray css = web::stylesheet();
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("Cache-Control", "max-age=3600");
        res.set_content(css.constData(), static_cast<size_t>(css.size()),
                        "text/css; charset=utf-8");
    });
}

std::optional<web_user_t> web_admin::signed_in(const httplib::Request& req) {
    const auto session = find_web_session(api_.store(), cookie_value(req));
    if (!session)
        return std::nullopt;
    transaction tx(api_.store(), false);
    auto user = load_user(tx, session->user_id);
    if (!user)
        return std::nullopt;
    web_user_t who{*user, {}, *session};
    if (user->is_admin()) {
        if (auto q = tx.run(QStringLiteral("SELECT id FROM departments")))
            while (q->next())
                who.managed_depts.insert(q->value(0).toLongLong());
    } else {
        for (auto it = user->dept_role_keys.cbegin(); it != user->dept_role_keys.cend(); ++it)
            if (user->can_write_dept(it.key()))
                who.managed_depts.insert(it.key());
    }
    return who;
}

void web_admin::send(httplib::Response& res, const web_reply_t& reply) const {
    res.set_header("Content-Security-Policy", security_policy);
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("X-Frame-Options", "DENY");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_header("Cache-Control", "no-store");
    if (!reply.redirect.isEmpty()) {
        res.status = 303;
        res.set_header("Location", reply.redirect.toStdString());
        return;
    }
    res.status = reply.status;
    res.set_content(reply.html.toStdString(), "text/html; charset=utf-8");
}

QString web_admin::render(const web_user_t& who, const QString& title, const QString& path,
                          const QString& body, const web_request_t& request,
                          const QString& error) const {
    web::shell_t shell;
    shell.title = title;
    shell.active_path = path;
    shell.who = QStringLiteral("%1（%2）").arg(who.user.name, who.user.account);
    shell.csrf = who.session.csrf;
    shell.notice = error.isEmpty() ? notices().value(request.field("done")) : error;
    shell.notice_is_error = !error.isEmpty();
    for (const web::nav_item_t& item : nav_items)
        for (const route_t& route : routes())
            if (QLatin1String(route.method) == QLatin1String("GET") &&
                QLatin1String(route.path) == QLatin1String(item.path) &&
                (route.who == access::managers || who.is_admin()))
                shell.nav << item;
    return web::page(shell, body);
}

void web_admin::serve(const route_t& route, const httplib::Request& req, httplib::Response& res) {
    const auto who = signed_in(req);
    if (!who) {
        send(res, web_reply_t::refused(
                      401, QStringLiteral("未登录或登录已过期：请在客户端的设置中心点击“管理后台”"
                                          "重新打开此页面")));
        return;
    }
    const web_request_t request = fields_of(req);
    if (req.method == "POST" && !csrf_matches(who->session, request.field("csrf"))) {
        send(res, web_reply_t::refused(403, QStringLiteral("表单已失效，请刷新页面后重试")));
        return;
    }
    if (route.who == access::admins ? !who->is_admin() : !who->manages_any()) {
        send(res, web_reply_t::forbidden());
        return;
    }
    send(res, (this->*route.handler)(*who, request));
}

void web_admin::enter(const httplib::Request& req, httplib::Response& res) {
    const auto session =
        redeem_web_link(api_.store(), QString::fromStdString(req.get_param_value("link")),
                        options_.session_seconds);
    if (!session) {
        send(res, web_reply_t::refused(
                      403, QStringLiteral("链接已使用或已过期：请在客户端的设置中心点击“管理后台”"
                                          "获取新的链接")));
        return;
    }
    const bool secure =
        options_.secure_cookie || req.get_header_value("X-Forwarded-Proto") == "https";
    res.set_header("Set-Cookie",
                   std::string(cookie_name) + '=' + session->token.toStdString() +
                       "; Path=/manage; Max-Age=" + std::to_string(options_.session_seconds) +
                       "; HttpOnly; SameSite=Strict" + (secure ? "; Secure" : ""));
    spdlog::info("management page session started for user {}", session->user_id);
    // The address with the spent link leaves the address bar at once.
    send(res, {303, {}, QStringLiteral("/manage")});
}

void web_admin::logout(const httplib::Request& req, httplib::Response& res) {
    // Without the form token nothing changes, not even the cookie: a form on
    // another site must not sign anyone out.
    const auto who = signed_in(req);
    if (!who || !csrf_matches(who->session, fields_of(req).field("csrf"))) {
        send(res, web_reply_t::refused(403, QStringLiteral("表单已失效，请刷新页面后重试")));
        return;
    }
    if (!end_web_session(api_.store(), who->session.token)) {
        send(res, web_reply_t::refused(500, QStringLiteral("退出失败：服务器内部错误")));
        return;
    }
    spdlog::info("management page session ended for user {}", who->user.id);
    res.set_header("Set-Cookie", std::string(cookie_name) +
                                     "=; Path=/manage; Max-Age=0; HttpOnly; SameSite=Strict");
    web::shell_t shell;
    shell.title = QStringLiteral("已退出");
    send(res, {200, web::page(shell, QStringLiteral("<p>已退出管理后台。</p>")), {}});
}

} // namespace quorvel::server
