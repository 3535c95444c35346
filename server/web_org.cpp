// Departments and roles on the management page: administrators only.
#include "web_admin.h"
#include "web_html.h"

#include "protocol/protocol.h"

#include <QMap>
#include <QRegularExpression>
#include <functional>

namespace quorvel::server {

using web::esc;

namespace {

struct dept_t {
    qint64 id = 0;
    qint64 parent = 0;
    QString name;
};

// Departments in tree order, each with its depth.
QList<QPair<dept_t, int>> department_tree(transaction& tx) {
    QList<dept_t> all;
    QMultiMap<qint64, dept_t> by_parent;
    QSet<qint64> ids;
    if (auto q = tx.run(QStringLiteral("SELECT id, parent_id, name FROM departments ORDER BY id")))
        while (q->next()) {
            const dept_t d{q->value(0).toLongLong(), q->value(1).toLongLong(),
                           q->value(2).toString()};
            all << d;
            by_parent.insert(d.parent, d);
            ids.insert(d.id);
        }
    QList<QPair<dept_t, int>> out;
    std::function<void(const dept_t&, int)> walk = [&](const dept_t& d, int depth) {
        out << qMakePair(d, depth);
        QList<dept_t> kids = by_parent.values(d.id);
        std::sort(kids.begin(), kids.end(), [](auto& a, auto& b) { return a.id < b.id; });
        for (const dept_t& kid : kids)
            if (depth < 32)
                walk(kid, depth + 1);
    };
    for (const dept_t& d : all)
        if (!ids.contains(d.parent))
            walk(d, 0);
    return out;
}

QString dept_options(const QList<QPair<dept_t, int>>& tree, qint64 selected,
                     const std::function<bool(qint64)>& offered) {
    QString html;
    for (const auto& [d, depth] : tree)
        if (offered(d.id))
            html += QStringLiteral("<option value=\"%1\"%2>%3%4</option>")
                        .arg(d.id)
                        .arg(d.id == selected ? QStringLiteral(" selected") : QString())
                        .arg(QString(depth * 2, QChar(0x3000)), esc(d.name));
    return html;
}

bool exists(transaction& tx, const QString& sql, const QVariantList& binds) {
    return tx.scalar(sql, binds).isValid();
}

} // namespace

// Shared with the user pages.
QString department_options(transaction& tx, qint64 selected,
                           const std::function<bool(qint64)>& offered) {
    return dept_options(department_tree(tx), selected, offered);
}

web_reply_t web_admin::departments_page(const web_user_t& who, const web_request_t& r) {
    transaction tx(api_.store(), false);
    const auto tree = department_tree(tx);
    QHash<qint64, qint64> users;
    if (auto q = tx.run(QStringLiteral("SELECT dept_id, COUNT(*) FROM users GROUP BY dept_id")))
        while (q->next())
            users.insert(q->value(0).toLongLong(), q->value(1).toLongLong());
    const QString csrf = web::csrf_field(who.session.csrf);
    QString rows;
    for (const auto& [d, depth] : tree)
        rows += QStringLiteral(
                    "<tr><td>%1%2</td><td class=\"num\">%3</td><td>"
                    "<form class=\"inline\" method=\"post\" action=\"/manage/departments/rename\">"
                    "%4<input type=\"hidden\" name=\"id\" value=\"%5\">"
                    "<input type=\"text\" name=\"name\" value=\"%2\" maxlength=\"%6\" required>"
                    "<button type=\"submit\">改名</button></form> "
                    "<form class=\"inline\" method=\"post\" action=\"/manage/departments/delete\">"
                    "%4<input type=\"hidden\" name=\"id\" value=\"%5\">"
                    "<button class=\"danger\" type=\"submit\">删除</button></form></td></tr>")
                    .arg(QString(depth * 2, QChar(0x3000)), esc(d.name))
                    .arg(users.value(d.id))
                    .arg(csrf)
                    .arg(d.id)
                    .arg(web::max_label_length);
    const QString body =
        QStringLiteral(
            "<section><table><tr><th>部门</th><th class=\"num\">用户</th><th>操作</th></tr>%1"
            "</table><p class=\"muted\">只有没有下级部门、用户和部门话术的部门才能删除。</p>"
            "</section><section><h2>添加部门</h2>"
            "<form class=\"inline\" method=\"post\" action=\"/manage/departments/add\">%2"
            "<label>名称 <input type=\"text\" name=\"name\" maxlength=\"%3\" required></label>"
            "<label>上级 <select name=\"parent\"><option value=\"0\">（无）</option>%4"
            "</select></label><button type=\"submit\">添加</button></form></section>")
            .arg(rows, csrf)
            .arg(web::max_label_length)
            .arg(dept_options(tree, -1, [](qint64) { return true; }));
    return {200,
            render(who, QStringLiteral("部门"), QStringLiteral("/manage/departments"), body, r),
            {}};
}

web_reply_t web_admin::add_department(const web_user_t&, const web_request_t& r) {
    const QString name = r.field("name").trimmed();
    if (const QString problem =
            web::text_problem(name, QStringLiteral("部门名称"), web::max_label_length);
        !problem.isEmpty())
        return web_reply_t::refused(400, problem);
    const qint64 parent = r.field("parent").toLongLong();
    transaction tx(api_.store(), true);
    if (parent != 0 &&
        !exists(tx, QStringLiteral("SELECT id FROM departments WHERE id = ?"), {parent}))
        return web_reply_t::refused(404, QStringLiteral("上级部门不存在"));
    tx.insert(QStringLiteral("INSERT INTO departments (parent_id, name) VALUES (?, ?)"),
              {parent, name});
    return committed(tx, QStringLiteral("/manage/departments"), "dept_added");
}

web_reply_t web_admin::rename_department(const web_user_t&, const web_request_t& r) {
    const QString name = r.field("name").trimmed();
    if (const QString problem =
            web::text_problem(name, QStringLiteral("部门名称"), web::max_label_length);
        !problem.isEmpty())
        return web_reply_t::refused(400, problem);
    const qint64 id = r.field("id").toLongLong();
    transaction tx(api_.store(), true);
    if (!exists(tx, QStringLiteral("SELECT id FROM departments WHERE id = ?"), {id}))
        return web_reply_t::refused(404, QStringLiteral("部门不存在"));
    tx.run(QStringLiteral("UPDATE departments SET name = ? WHERE id = ?"), {name, id});
    return committed(tx, QStringLiteral("/manage/departments"), "dept_renamed");
}

web_reply_t web_admin::delete_department(const web_user_t&, const web_request_t& r) {
    const qint64 id = r.field("id").toLongLong();
    transaction tx(api_.store(), true);
    if (!exists(tx, QStringLiteral("SELECT id FROM departments WHERE id = ?"), {id}))
        return web_reply_t::refused(404, QStringLiteral("部门不存在"));
    if (exists(tx, QStringLiteral("SELECT id FROM departments WHERE parent_id = ?"), {id}))
        return web_reply_t::refused(409, QStringLiteral("该部门还有下级部门，不能删除"));
    if (exists(tx, QStringLiteral("SELECT id FROM users WHERE dept_id = ?"), {id}))
        return web_reply_t::refused(409, QStringLiteral("该部门还有用户，不能删除"));
    if (exists(tx,
               QStringLiteral("SELECT id FROM categories WHERE classify_type = ? AND dept_id = ?"),
               {QLatin1String(protocol::part_dept), id}))
        return web_reply_t::refused(409,
                                    QStringLiteral("该部门还有部门话术、表情或文档，不能删除"));
    tx.run(QStringLiteral("DELETE FROM user_dept_rights WHERE dept_id = ?"), {id});
    tx.run(QStringLiteral("DELETE FROM departments WHERE id = ?"), {id});
    return committed(tx, QStringLiteral("/manage/departments"), "dept_deleted");
}

web_reply_t web_admin::roles_page(const web_user_t& who, const web_request_t& r) {
    transaction tx(api_.store(), false);
    const QString csrf = web::csrf_field(who.session.csrf);
    QString rows;
    if (auto q = tx.run(
            QStringLiteral("SELECT r.id, r.name, r.role_key,"
                           " (SELECT COUNT(*) FROM user_roles u WHERE u.role_id = r.id),"
                           " (SELECT COUNT(*) FROM user_dept_rights d WHERE d.role_id = r.id)"
                           " FROM roles r ORDER BY r.id")))
        while (q->next()) {
            const QString key = q->value(2).toString();
            rows += QStringLiteral(
                        "<tr><td>%1</td><td><code>%2</code>%3</td><td class=\"num\">%4</td>"
                        "<td class=\"num\">%5</td><td>"
                        "<form class=\"inline\" method=\"post\" action=\"/manage/roles/rename\">%6"
                        "<input type=\"hidden\" name=\"id\" value=\"%7\">"
                        "<input type=\"text\" name=\"name\" value=\"%1\" maxlength=\"%8\" required>"
                        "<button type=\"submit\">改名</button></form> "
                        "<form class=\"inline\" method=\"post\" action=\"/manage/roles/delete\">%6"
                        "<input type=\"hidden\" name=\"id\" value=\"%7\">"
                        "<button class=\"danger\" type=\"submit\">删除</button></form></td></tr>")
                        .arg(esc(q->value(1).toString()), esc(key),
                             user_t::is_manager_key(key)
                                 ? QStringLiteral(" <span class=\"tag manager\">主管</span>")
                                 : QString())
                        .arg(q->value(3).toLongLong())
                        .arg(q->value(4).toLongLong())
                        .arg(csrf)
                        .arg(q->value(0).toLongLong())
                        .arg(web::max_label_length);
        }
    const QString body =
        QStringLiteral(
            "<section><table><tr><th>名称</th><th>标识</th><th class=\"num\">用户</th>"
            "<th class=\"num\">部门权限</th><th>操作</th></tr>%1</table>"
            "<p class=\"muted\">标识以小写 zz 结尾的角色是主管角色：在某部门持有它即可管理该部门的"
            "部门话术和用户；作为用户角色持有它可维护公共话术。标识添加后不能修改；"
            "没有用户使用的角色才能删除。</p></section>"
            "<section><h2>添加角色</h2>"
            "<form class=\"inline\" method=\"post\" action=\"/manage/roles/add\">%2"
            "<label>名称 <input type=\"text\" name=\"name\" maxlength=\"%3\" required></label>"
            "<label>标识 <input type=\"text\" name=\"key\" maxlength=\"%4\" required "
            "pattern=\"[A-Za-z0-9_\\-]+\"></label>"
            "<button type=\"submit\">添加</button></form></section>")
            .arg(rows, csrf)
            .arg(web::max_label_length)
            .arg(web::max_key_length);
    return {200, render(who, QStringLiteral("角色"), QStringLiteral("/manage/roles"), body, r), {}};
}

web_reply_t web_admin::add_role(const web_user_t&, const web_request_t& r) {
    const QString name = r.field("name").trimmed();
    const QString key = r.field("key").trimmed();
    QString problem = web::text_problem(name, QStringLiteral("角色名称"), web::max_label_length);
    if (problem.isEmpty())
        problem = web::text_problem(key, QStringLiteral("角色标识"), web::max_key_length);
    static const QRegularExpression key_chars(QStringLiteral("^[A-Za-z0-9_-]+$"));
    if (problem.isEmpty() && !key_chars.match(key).hasMatch())
        problem = QStringLiteral("角色标识只能由字母、数字、下划线和连字符组成");
    if (!problem.isEmpty())
        return web_reply_t::refused(400, problem);
    transaction tx(api_.store(), true);
    if (exists(tx, QStringLiteral("SELECT id FROM roles WHERE role_key = ?"), {key}))
        return web_reply_t::refused(409, QStringLiteral("角色标识已存在"));
    tx.insert(QStringLiteral("INSERT INTO roles (name, role_key) VALUES (?, ?)"), {name, key});
    return committed(tx, QStringLiteral("/manage/roles"), "role_added");
}

web_reply_t web_admin::rename_role(const web_user_t&, const web_request_t& r) {
    const QString name = r.field("name").trimmed();
    if (const QString problem =
            web::text_problem(name, QStringLiteral("角色名称"), web::max_label_length);
        !problem.isEmpty())
        return web_reply_t::refused(400, problem);
    const qint64 id = r.field("id").toLongLong();
    transaction tx(api_.store(), true);
    if (!exists(tx, QStringLiteral("SELECT id FROM roles WHERE id = ?"), {id}))
        return web_reply_t::refused(404, QStringLiteral("角色不存在"));
    tx.run(QStringLiteral("UPDATE roles SET name = ? WHERE id = ?"), {name, id});
    return committed(tx, QStringLiteral("/manage/roles"), "role_renamed");
}

web_reply_t web_admin::delete_role(const web_user_t&, const web_request_t& r) {
    const qint64 id = r.field("id").toLongLong();
    transaction tx(api_.store(), true);
    if (!exists(tx, QStringLiteral("SELECT id FROM roles WHERE id = ?"), {id}))
        return web_reply_t::refused(404, QStringLiteral("角色不存在"));
    if (exists(tx, QStringLiteral("SELECT role_id FROM user_roles WHERE role_id = ?"), {id}) ||
        exists(tx, QStringLiteral("SELECT role_id FROM user_dept_rights WHERE role_id = ?"), {id}))
        return web_reply_t::refused(409, QStringLiteral("还有用户持有该角色，不能删除"));
    tx.run(QStringLiteral("DELETE FROM roles WHERE id = ?"), {id});
    return committed(tx, QStringLiteral("/manage/roles"), "role_deleted");
}

} // namespace quorvel::server
