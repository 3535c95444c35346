// Users on the management page: administrators manage everyone, a
// department's manager the users whose rights all lie in departments they manage.
#include "web_admin.h"
#include "web_html.h"

#include "auth.h"

#include <QMap>
#include <QRegularExpression>

namespace quorvel::server {

using web::esc;

namespace {

struct role_t {
    qint64 id = 0;
    QString name;
    QString key;
};

QList<role_t> all_roles(transaction& tx) {
    QList<role_t> roles;
    if (auto q = tx.run(QStringLiteral("SELECT id, name, role_key FROM roles ORDER BY id")))
        while (q->next())
            roles << role_t{q->value(0).toLongLong(), q->value(1).toString(),
                            q->value(2).toString()};
    return roles;
}

QString role_options(const QList<role_t>& roles, bool with_none,
                     const std::function<bool(const role_t&)>& offered) {
    QString html = with_none ? QStringLiteral("<option value=\"0\">（无）</option>") : QString();
    for (const role_t& role : roles)
        if (offered(role))
            html += QStringLiteral("<option value=\"%1\">%2（%3）</option>")
                        .arg(role.id)
                        .arg(esc(role.name), esc(role.key));
    return html;
}

QString role_tag(const QString& text, const QString& key) {
    return QStringLiteral("<span class=\"tag%1\">%2</span>")
        .arg(user_t::is_manager_key(key) ? QStringLiteral(" manager") : QString(), esc(text));
}

bool is_disabled(transaction& tx, qint64 user) {
    return tx.scalar(QStringLiteral("SELECT user_id FROM disabled_users WHERE user_id = ?"), {user})
        .isValid();
}

// Signs a user out of the client and the management page, except for one
// browser session.
void end_sessions(transaction& tx, qint64 user, const QString& kept_session = QString()) {
    tx.run(QStringLiteral("DELETE FROM tokens WHERE user_id = ?"), {user});
    tx.run(QStringLiteral("DELETE FROM web_sessions WHERE user_id = ? AND session_hash <> ?"),
           {user, kept_session});
}

// The user's own department and every department where they hold a data
// right or a manager key; nullopt when the store cannot say.
std::optional<QSet<qint64>> departments_of(transaction& tx, qint64 user, qint64 home) {
    QSet<qint64> depts{home};
    auto q = tx.run(
        QStringLiteral("SELECT DISTINCT dept_id FROM user_dept_rights WHERE user_id = ?"), {user});
    if (!q)
        return std::nullopt;
    while (q->next())
        depts.insert(q->value(0).toLongLong());
    return depts;
}

QString password_problem(const QString& password) {
    if (password.size() < web::min_password_length)
        return QStringLiteral("密码至少 %1 个字符").arg(web::min_password_length);
    return web::text_problem(password, QStringLiteral("密码"), web::max_password_length);
}

QString user_page_of(qint64 id) {
    return QStringLiteral("/manage/user?id=%1").arg(id);
}

} // namespace

std::optional<web_reply_t> web_admin::refuse_user(transaction& tx, const web_user_t& who,
                                                  qint64 id) {
    auto q = tx.run(QStringLiteral("SELECT dept_id, admin_type FROM users WHERE id = ?"), {id});
    if (!q || !q->next())
        return web_reply_t::refused(404, QStringLiteral("用户不存在"));
    if (who.is_admin())
        return std::nullopt;
    // Administrators are changed only by administrators.
    if (q->value(1).toInt() != 0)
        return web_reply_t::forbidden();
    // Whoever sets a user's password signs in as them: the rights over a user
    // reach every department where the user holds rights, not only the home one.
    const auto depts = departments_of(tx, id, q->value(0).toLongLong());
    if (!depts)
        return web_reply_t::refused(500, QStringLiteral("服务器内部错误"));
    if (!who.manages_all(*depts))
        return web_reply_t::forbidden();
    return std::nullopt;
}

std::optional<web_reply_t> web_admin::refuse_user_in(transaction& tx, const web_user_t& who,
                                                     qint64 id, qint64 dept) {
    if (auto refusal = refuse_user(tx, who, id))
        return refusal;
    if (!who.manages_dept(dept))
        return web_reply_t::forbidden();
    return std::nullopt;
}

web_reply_t web_admin::users_page(const web_user_t& who, const web_request_t& r) {
    transaction tx(api_.store(), false);
    QMap<qint64, QStringList> roles;
    if (auto q = tx.run(QStringLiteral("SELECT ur.user_id, r.name, r.role_key FROM user_roles ur"
                                       " JOIN roles r ON r.id = ur.role_id ORDER BY r.id")))
        while (q->next())
            roles[q->value(0).toLongLong()]
                << role_tag(q->value(1).toString(), q->value(2).toString());
    QMap<qint64, QStringList> rights;
    QHash<qint64, QSet<qint64>> right_depts;
    if (auto q = tx.run(QStringLiteral(
            "SELECT x.user_id, COALESCE(d.name, ''), r.name, r.role_key, x.dept_id"
            " FROM user_dept_rights x"
            " JOIN roles r ON r.id = x.role_id LEFT JOIN departments d ON d.id = x.dept_id"
            " ORDER BY x.dept_id, r.id")))
        while (q->next()) {
            rights[q->value(0).toLongLong()]
                << role_tag(q->value(1).toString() + QLatin1Char(' ') + q->value(2).toString(),
                            q->value(3).toString());
            right_depts[q->value(0).toLongLong()].insert(q->value(4).toLongLong());
        }
    QString rows;
    if (auto q = tx.run(QStringLiteral(
            "SELECT u.id, u.account, u.user_name, u.dept_id, COALESCE(d.name, ''), u.admin_type,"
            " CASE WHEN x.user_id IS NULL THEN 0 ELSE 1 END FROM users u"
            " LEFT JOIN departments d ON d.id = u.dept_id"
            " LEFT JOIN disabled_users x ON x.user_id = u.id ORDER BY u.id")))
        while (q->next()) {
            const qint64 id = q->value(0).toLongLong();
            const qint64 home = q->value(3).toLongLong();
            const bool admin = q->value(5).toInt() != 0;
            if (!who.manages_dept(home))
                continue;
            // Managed only when every department of the user's rights is the manager's.
            const bool editable =
                who.is_admin() ||
                (!admin && who.manages_all(right_depts.value(id) + QSet<qint64>{home}));
            QString status = q->value(6).toInt()
                                 ? QStringLiteral("<span class=\"tag off\">已停用</span>")
                                 : QStringLiteral("正常");
            if (admin)
                status += QStringLiteral(" <span class=\"tag manager\">管理员</span>");
            rows +=
                QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td>"
                               "<td>%6</td><td>%7</td></tr>")
                    .arg(esc(q->value(1).toString()), esc(q->value(2).toString()),
                         esc(q->value(4).toString()), roles.value(id).join(QLatin1Char(' ')),
                         rights.value(id).join(QLatin1Char(' ')), status,
                         editable ? QStringLiteral("<a href=\"%1\">管理</a>").arg(user_page_of(id))
                                  : QString());
        }
    const QList<role_t> role_list = all_roles(tx);
    const QString body =
        QStringLiteral(
            "<section><table><tr><th>账号</th><th>姓名</th><th>部门</th><th>角色</th>"
            "<th>部门数据权限</th><th>状态</th><th></th></tr>%1</table></section>"
            "<section><h2>添加用户</h2>"
            "<form class=\"stack\" method=\"post\" action=\"/manage/users/add\">%2"
            "<label>账号 <input type=\"text\" name=\"account\" maxlength=\"%3\" required></label>"
            "<label>姓名 <input type=\"text\" name=\"name\" maxlength=\"%3\"></label>"
            "<label>初始密码 <input type=\"password\" name=\"password\" minlength=\"%4\" "
            "maxlength=\"%5\" autocomplete=\"new-password\" required></label>"
            "<label>部门 <select name=\"dept\" required>%6</select></label>"
            "<label>角色 <select name=\"role\">%7</select></label>"
            "<p class=\"muted\">所选角色同时授予该用户在所选部门的数据权限；主管角色（标识以 zz "
            "结尾）使其成为该部门的主管。</p>"
            "<button type=\"submit\">添加用户</button></form></section>")
            .arg(rows, web::csrf_field(who.session.csrf))
            .arg(web::max_label_length)
            .arg(web::min_password_length)
            .arg(web::max_password_length)
            .arg(department_options(tx, -1, [&who](qint64 d) { return who.manages_dept(d); }),
                 role_options(role_list, true,
                              [&who](const role_t& role) { return who.may_hand_out(role.key); }));
    return {200, render(who, QStringLiteral("用户"), QStringLiteral("/manage/users"), body, r), {}};
}

web_reply_t web_admin::user_page(const web_user_t& who, const web_request_t& r) {
    const qint64 id = r.field("id").toLongLong();
    transaction tx(api_.store(), false);
    if (auto refusal = refuse_user(tx, who, id))
        return *refusal;
    const auto user = load_user(tx, id);
    if (!user)
        return web_reply_t::refused(404, QStringLiteral("用户不存在"));
    const QList<role_t> roles = all_roles(tx);
    const QString csrf = web::csrf_field(who.session.csrf);
    const QString target =
        QStringLiteral("<input type=\"hidden\" name=\"id\" value=\"%1\">").arg(id);
    const bool disabled = is_disabled(tx, id);

    QString rights;
    if (auto q =
            tx.run(QStringLiteral("SELECT x.dept_id, COALESCE(d.name, ''), r.id, r.name, r.role_key"
                                  " FROM user_dept_rights x JOIN roles r ON r.id = x.role_id"
                                  " LEFT JOIN departments d ON d.id = x.dept_id WHERE x.user_id = ?"
                                  " ORDER BY x.dept_id, r.id"),
                   {id}))
        while (q->next()) {
            const qint64 dept = q->value(0).toLongLong();
            rights += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                          .arg(esc(q->value(1).toString()),
                               role_tag(q->value(3).toString(), q->value(4).toString()),
                               who.manages_dept(dept)
                                   ? QStringLiteral(
                                         "<form class=\"inline\" method=\"post\" "
                                         "action=\"/manage/users/revoke\">%1%2"
                                         "<input type=\"hidden\" name=\"dept\" value=\"%3\">"
                                         "<input type=\"hidden\" name=\"role\" value=\"%4\">"
                                         "<button class=\"danger\" type=\"submit\">收回</button>"
                                         "</form>")
                                         .arg(csrf, target)
                                         .arg(dept)
                                         .arg(q->value(2).toLongLong())
                                   : QString());
        }
    QString role_boxes;
    for (const role_t& role : roles)
        role_boxes +=
            QStringLiteral("<label><input type=\"checkbox\" name=\"role\" value=\"%1\"%2> "
                           "%3（%4）</label>")
                .arg(role.id)
                .arg(user->role_keys.contains(role.key) ? QStringLiteral(" checked") : QString())
                .arg(esc(role.name), esc(role.key));
    const auto managed = [&who](qint64 d) { return who.manages_dept(d); };
    QString body =
        QStringLiteral("<section><p>账号 <b>%1</b>，姓名 %2，状态 %3</p></section>"
                       "<section><h2>设置密码</h2>"
                       "<form class=\"inline\" method=\"post\" action=\"/manage/users/password\">"
                       "%4%5<input type=\"password\" name=\"password\" minlength=\"%6\" "
                       "maxlength=\"%7\" autocomplete=\"new-password\" required>"
                       "<button type=\"submit\">设置密码</button></form></section>"
                       "<section><h2>所属部门</h2>"
                       "<form class=\"inline\" method=\"post\" action=\"/manage/users/department\">"
                       "%4%5<select name=\"dept\">%8</select>"
                       "<button type=\"submit\">保存</button></form></section>")
            .arg(esc(user->account), esc(user->name),
                 disabled ? QStringLiteral("已停用") : QStringLiteral("正常"), csrf, target)
            .arg(web::min_password_length)
            .arg(web::max_password_length)
            .arg(department_options(tx, user->dept_id, managed));
    if (who.is_admin())
        body +=
            QStringLiteral("<section><h2>角色</h2>"
                           "<form class=\"stack\" method=\"post\" action=\"/manage/users/roles\">"
                           "%1%2%3<button type=\"submit\">保存角色</button></form></section>")
                .arg(csrf, target, role_boxes);
    body +=
        QStringLiteral("<section><h2>部门数据权限</h2><table><tr><th>部门</th><th>角色</th>"
                       "<th></th></tr>%1</table>"
                       "<form class=\"inline\" method=\"post\" action=\"/manage/users/grant\">"
                       "%2%3<select name=\"dept\">%4</select><select name=\"role\">%5</select>"
                       "<button type=\"submit\">授予</button></form></section>"
                       "<section><h2>账号状态</h2>"
                       "<form class=\"inline\" method=\"post\" action=\"/manage/users/status\">"
                       "%2%3<input type=\"hidden\" name=\"disabled\" value=\"%6\">"
                       "<button class=\"%7\" type=\"submit\">%8</button></form></section>")
            .arg(rights, csrf, target, department_options(tx, -1, managed),
                 role_options(roles, false,
                              [&who](const role_t& role) { return who.may_hand_out(role.key); }),
                 disabled ? QStringLiteral("0") : QStringLiteral("1"),
                 disabled ? QStringLiteral("plain") : QStringLiteral("danger"),
                 disabled ? QStringLiteral("启用账号") : QStringLiteral("停用账号"));
    return {200,
            render(who, QStringLiteral("用户：") + user->name, QStringLiteral("/manage/users"),
                   body, r),
            {}};
}

web_reply_t web_admin::add_user(const web_user_t& who, const web_request_t& r) {
    const QString account = r.field("account").trimmed();
    const QString name = r.field("name").trimmed().isEmpty() ? account : r.field("name").trimmed();
    const QString password = r.field("password");
    QString problem = web::text_problem(account, QStringLiteral("账号"), web::max_label_length);
    static const QRegularExpression account_chars(QStringLiteral("^[A-Za-z0-9_.@-]+$"));
    if (problem.isEmpty() && !account_chars.match(account).hasMatch())
        problem = QStringLiteral("账号只能由字母、数字和 _ . @ - 组成");
    if (problem.isEmpty())
        problem = web::text_problem(name, QStringLiteral("姓名"), web::max_label_length);
    if (problem.isEmpty())
        problem = password_problem(password);
    if (!problem.isEmpty())
        return web_reply_t::refused(400, problem);
    const qint64 dept = r.field("dept").toLongLong();
    const qint64 role = r.field("role").toLongLong();
    if (!who.manages_dept(dept))
        return web_reply_t::forbidden();
    // The slow hash runs before the transaction, so it does not hold the writer.
    const QString hash = hash_password(password);
    transaction tx(api_.store(), true);
    if (!tx.scalar(QStringLiteral("SELECT id FROM departments WHERE id = ?"), {dept}).isValid())
        return web_reply_t::refused(404, QStringLiteral("部门不存在"));
    if (tx.scalar(QStringLiteral("SELECT id FROM users WHERE account = ?"), {account}).isValid())
        return web_reply_t::refused(409, QStringLiteral("账号 %1 已存在").arg(account));
    if (role != 0) {
        const QVariant key =
            tx.scalar(QStringLiteral("SELECT role_key FROM roles WHERE id = ?"), {role});
        if (!key.isValid())
            return web_reply_t::refused(404, QStringLiteral("角色不存在"));
        if (!who.may_hand_out(key.toString()))
            return web_reply_t::forbidden();
    }
    const QString id =
        tx.insert(QStringLiteral("INSERT INTO users (account, user_name, password_hash, dept_id)"
                                 " VALUES (?, ?, ?, ?)"),
                  {account, name, hash, dept});
    if (role != 0 && !id.isEmpty()) {
        tx.run(QStringLiteral("INSERT INTO user_roles (user_id, role_id) VALUES (?, ?)"),
               {id.toLongLong(), role});
        tx.run(QStringLiteral(
                   "INSERT INTO user_dept_rights (user_id, dept_id, role_id) VALUES (?, ?, ?)"),
               {id.toLongLong(), dept, role});
    }
    return committed(tx, user_page_of(id.toLongLong()), "user_added");
}

web_reply_t web_admin::set_password(const web_user_t& who, const web_request_t& r) {
    const qint64 id = r.field("id").toLongLong();
    const QString password = r.field("password");
    if (const QString problem = password_problem(password); !problem.isEmpty())
        return web_reply_t::refused(400, problem);
    {
        transaction check(api_.store(), false);
        if (auto refusal = refuse_user(check, who, id))
            return *refusal;
    }
    const QString hash = hash_password(password);
    transaction tx(api_.store(), true);
    if (auto refusal = refuse_user(tx, who, id))
        return *refusal;
    tx.run(QStringLiteral("UPDATE users SET password_hash = ? WHERE id = ?"), {hash, id});
    end_sessions(tx, id, token_digest(who.session.token)); // the one doing it stays signed in
    return committed(tx, user_page_of(id), "password_set");
}

web_reply_t web_admin::set_user_department(const web_user_t& who, const web_request_t& r) {
    const qint64 id = r.field("id").toLongLong();
    const qint64 dept = r.field("dept").toLongLong();
    transaction tx(api_.store(), true);
    if (auto refusal = refuse_user_in(tx, who, id, dept))
        return *refusal;
    if (!tx.scalar(QStringLiteral("SELECT id FROM departments WHERE id = ?"), {dept}).isValid())
        return web_reply_t::refused(404, QStringLiteral("部门不存在"));
    tx.run(QStringLiteral("UPDATE users SET dept_id = ? WHERE id = ?"), {dept, id});
    return committed(tx, user_page_of(id), "dept_set");
}

web_reply_t web_admin::set_user_roles(const web_user_t& who, const web_request_t& r) {
    const qint64 id = r.field("id").toLongLong();
    transaction tx(api_.store(), true);
    if (auto refusal = refuse_user(tx, who, id))
        return *refusal;
    tx.run(QStringLiteral("DELETE FROM user_roles WHERE user_id = ?"), {id});
    QSet<qint64> seen;
    for (const QString& text : r.all("role")) {
        const qint64 role = text.toLongLong();
        if (seen.contains(role))
            continue;
        seen.insert(role);
        if (!tx.scalar(QStringLiteral("SELECT id FROM roles WHERE id = ?"), {role}).isValid())
            return web_reply_t::refused(404, QStringLiteral("角色不存在"));
        tx.run(QStringLiteral("INSERT INTO user_roles (user_id, role_id) VALUES (?, ?)"),
               {id, role});
    }
    return committed(tx, user_page_of(id), "roles_set");
}

web_reply_t web_admin::grant_right(const web_user_t& who, const web_request_t& r) {
    const qint64 id = r.field("id").toLongLong();
    const qint64 dept = r.field("dept").toLongLong();
    const qint64 role = r.field("role").toLongLong();
    transaction tx(api_.store(), true);
    if (auto refusal = refuse_user_in(tx, who, id, dept))
        return *refusal;
    const QVariant key =
        tx.scalar(QStringLiteral("SELECT role_key FROM roles WHERE id = ?"), {role});
    if (!tx.scalar(QStringLiteral("SELECT id FROM departments WHERE id = ?"), {dept}).isValid() ||
        !key.isValid())
        return web_reply_t::refused(404, QStringLiteral("部门或角色不存在"));
    if (!who.may_hand_out(key.toString()))
        return web_reply_t::forbidden();
    tx.run(QStringLiteral(
               "DELETE FROM user_dept_rights WHERE user_id = ? AND dept_id = ? AND role_id = ?"),
           {id, dept, role});
    tx.run(
        QStringLiteral("INSERT INTO user_dept_rights (user_id, dept_id, role_id) VALUES (?, ?, ?)"),
        {id, dept, role});
    return committed(tx, user_page_of(id), "right_granted");
}

web_reply_t web_admin::revoke_right(const web_user_t& who, const web_request_t& r) {
    const qint64 id = r.field("id").toLongLong();
    const qint64 dept = r.field("dept").toLongLong();
    transaction tx(api_.store(), true);
    if (auto refusal = refuse_user_in(tx, who, id, dept))
        return *refusal;
    tx.run(QStringLiteral(
               "DELETE FROM user_dept_rights WHERE user_id = ? AND dept_id = ? AND role_id = ?"),
           {id, dept, r.field("role").toLongLong()});
    return committed(tx, user_page_of(id), "right_revoked");
}

web_reply_t web_admin::set_user_status(const web_user_t& who, const web_request_t& r) {
    const qint64 id = r.field("id").toLongLong();
    const bool disable = r.field("disabled") == QLatin1String("1");
    if (disable && id == who.user.id)
        return web_reply_t::refused(409, QStringLiteral("不能停用自己的账号"));
    transaction tx(api_.store(), true);
    if (auto refusal = refuse_user(tx, who, id))
        return *refusal;
    tx.run(QStringLiteral("DELETE FROM disabled_users WHERE user_id = ?"), {id});
    if (disable) {
        tx.run(QStringLiteral("INSERT INTO disabled_users (user_id) VALUES (?)"), {id});
        end_sessions(tx, id);
    }
    return committed(tx, user_page_of(id), disable ? "user_disabled" : "user_enabled");
}

} // namespace quorvel::server
