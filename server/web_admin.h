#pragma once

#include "api.h"
#include "web_session.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <functional>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace quorvel::server {

struct web_options_t {
    // Session cookies only over https: set when browsers reach the page through
    // an https address (a TLS proxy in front); a request that a proxy marks with
    // "X-Forwarded-Proto: https" gets them anyway.
    bool secure_cookie = false;
    qint64 session_seconds = 8 * 3600;
};

// Who is signed in to the management page and what they may manage.
struct web_user_t {
    user_t user;
    QSet<qint64> managed_depts; // every department for administrators
    web_session_t session;

    bool is_admin() const { return user.is_admin(); }
    bool manages_any() const { return is_admin() || !managed_depts.isEmpty(); }
    bool manages_dept(qint64 dept) const { return is_admin() || managed_depts.contains(dept); }
    bool manages_all(const QSet<qint64>& depts) const {
        return is_admin() || managed_depts.contains(depts);
    }
    // A manager hands out only the roles they hold themselves.
    bool may_hand_out(const QString& role_key) const {
        return is_admin() || user.role_keys.contains(role_key);
    }
};

// The form fields of a request, and the page it came from.
struct web_request_t {
    QHash<QString, QStringList> fields;
    QString field(const char* name) const { return fields.value(QLatin1String(name)).value(0); }
    QStringList all(const char* name) const { return fields.value(QLatin1String(name)); }
};

// What a page or a change answers: a page with a status, or (after a change
// that worked) a redirect to the page that shows its effect.
struct web_reply_t {
    int status = 200;
    QString html;
    QString redirect;

    static web_reply_t refused(int status, const QString& message);
    static web_reply_t forbidden();
    static web_reply_t done(const QString& page, const char* notice_key);
};

// The management page served under /manage: one-time entry links, cookie
// sessions, server-rendered pages, one transaction per change.
class web_admin {
public:
    web_admin(api& handlers, web_options_t options);
    void install(httplib::Server& server);

    // Reads the installer of an update upload as it streams in.
    using upload_reader_t = std::function<bool(
        std::function<bool(const std::string& name, const std::string& filename)> on_part,
        std::function<bool(const char* data, size_t size)> on_data)>;

private:
    using page_t = web_reply_t (web_admin::*)(const web_user_t&, const web_request_t&);
    enum class access { managers, admins };
    struct route_t {
        const char* method;
        const char* path;
        page_t handler;
        access who;
    };
    static const QList<route_t>& routes();

    void serve(const route_t& route, const httplib::Request& req, httplib::Response& res);
    void enter(const httplib::Request& req, httplib::Response& res);
    void logout(const httplib::Request& req, httplib::Response& res);
    void upload_update(const httplib::Request& req, httplib::Response& res,
                       const upload_reader_t& reader);
    std::optional<web_user_t> signed_in(const httplib::Request& req);
    void send(httplib::Response& res, const web_reply_t& reply) const;
    // The page around its content; error (a refused change) replaces the notice.
    QString render(const web_user_t& who, const QString& title, const QString& path,
                   const QString& body, const web_request_t& request,
                   const QString& error = {}) const;

    // Pages (GET) and changes (POST); each change is checked here, whatever
    // the page offered.
    web_reply_t overview_page(const web_user_t& who, const web_request_t& r);
    web_reply_t departments_page(const web_user_t& who, const web_request_t& r);
    web_reply_t add_department(const web_user_t& who, const web_request_t& r);
    web_reply_t rename_department(const web_user_t& who, const web_request_t& r);
    web_reply_t delete_department(const web_user_t& who, const web_request_t& r);
    web_reply_t roles_page(const web_user_t& who, const web_request_t& r);
    web_reply_t add_role(const web_user_t& who, const web_request_t& r);
    web_reply_t rename_role(const web_user_t& who, const web_request_t& r);
    web_reply_t delete_role(const web_user_t& who, const web_request_t& r);
    web_reply_t users_page(const web_user_t& who, const web_request_t& r);
    web_reply_t user_page(const web_user_t& who, const web_request_t& r);
    web_reply_t add_user(const web_user_t& who, const web_request_t& r);
    web_reply_t set_password(const web_user_t& who, const web_request_t& r);
    web_reply_t set_user_department(const web_user_t& who, const web_request_t& r);
    web_reply_t set_user_roles(const web_user_t& who, const web_request_t& r);
    web_reply_t grant_right(const web_user_t& who, const web_request_t& r);
    web_reply_t revoke_right(const web_user_t& who, const web_request_t& r);
    web_reply_t set_user_status(const web_user_t& who, const web_request_t& r);
    web_reply_t update_page(const web_user_t& who, const web_request_t& r);
    web_reply_t clear_update(const web_user_t& who, const web_request_t& r);
    web_reply_t apps_page(const web_user_t& who, const web_request_t& r);
    web_reply_t save_apps(const web_user_t& who, const web_request_t& r);
    QString apps_form(const web_user_t& who, const QString& lines) const;

    // The user a change is about, when who may manage them; otherwise the refusal.
    std::optional<web_reply_t> refuse_user(transaction& tx, const web_user_t& who, qint64 id);
    // The same, and the department is one who manages.
    std::optional<web_reply_t> refuse_user_in(transaction& tx, const web_user_t& who, qint64 id,
                                              qint64 dept);

    api& api_;
    web_options_t options_;
};

// Commits a change and sends the browser to the page that shows it.
web_reply_t committed(transaction& tx, const QString& page, const char* notice_key);
// <option>s of the departments offered, in tree order.
QString department_options(transaction& tx, qint64 selected,
                           const std::function<bool(qint64)>& offered);

// Loads a user with their roles and department rights; nullopt when unknown.
std::optional<user_t> load_user(transaction& tx, qint64 id);

} // namespace quorvel::server
