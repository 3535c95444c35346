// What the management page offers the clients (the update per operating
// system, the supported applications) and the library overview.
#include "web_admin.h"
#include "web_html.h"

#include "admin.h"
#include "protocol/library_terms.h"
#include "protocol/protocol.h"

#include <QMap>
#include <httplib.h>

namespace quorvel::server {

using web::esc;

namespace {

QString config_value(transaction& tx, const QString& name) {
    return tx.scalar(QStringLiteral("SELECT value FROM config WHERE name = ?"), {name}).toString();
}

void put_config(transaction& tx, const QString& name, const QString& value) {
    tx.run(QStringLiteral("DELETE FROM config WHERE name = ?"), {name});
    tx.run(QStringLiteral("INSERT INTO config (name, value) VALUES (?, ?)"), {name, value});
}

// The list clients get when none is stored.
const char default_apps[] = "企业微信=weworkwindow,企业微信,wecom\n"
                            "微信=wechatmainwndforpc,qt51514qwindowicon,wechat,weixin,微信,"
                            "mmui::mainwindow";

namespace app_terms = protocol::app_identifier;

// Why an entry's identifiers are refused, as the rest of a sentence after
// "第 N 行"; empty when they are fine. Empty places between commas are
// skipped by the clients, as they always were.
QString identifiers_problem(const QString& list) {
    int named = 0;
    for (const QString& raw : list.split(QLatin1Char(app_terms::separator))) {
        QString pattern = raw.trimmed();
        if (pattern.isEmpty())
            continue;
        ++named;
        QString prefix;
        for (const char* p : {app_terms::class_prefix, app_terms::title_prefix})
            if (pattern.startsWith(QLatin1String(p), Qt::CaseInsensitive))
                prefix = QLatin1String(p);
        const QString rest = pattern.mid(prefix.size()).trimmed();
        if (rest.isEmpty())
            return QStringLiteral("的标识“%1”后缺少要匹配的文字").arg(pattern);
        if (rest.count(QLatin1Char(app_terms::wildcard)) == rest.size())
            return QStringLiteral("的标识“%1”只有通配符 *，会匹配所有窗口").arg(pattern);
        if (rest.size() > app_terms::max_length)
            return QStringLiteral("的标识“%1…”超过 %2 个字符")
                .arg(rest.left(20), QString::number(app_terms::max_length));
    }
    if (named == 0)
        return QStringLiteral("没有窗口标识：等号后至少写一个类名或标题");
    return {};
}

QString part_name(const QString& part) {
    if (part == QLatin1String(protocol::part_pub))
        return QStringLiteral("公共");
    if (part == QLatin1String(protocol::part_personal))
        return QStringLiteral("个人");
    return QStringLiteral("部门");
}

struct library_t {
    const char* business;
    const char* table;
    const char* label;
};

const library_t libraries[] = {
    {protocol::business::scripts, "scripts", "话术"},
    {protocol::business::stickers, "stickers", "表情"},
    {protocol::business::documents, "docs", "云文档"},
};

} // namespace

web_reply_t web_admin::overview_page(const web_user_t& who, const web_request_t& r) {
    transaction tx(api_.store(), false);
    // Items per library and part.
    QString parts;
    for (const library_t& lib : libraries) {
        QMap<QString, qint64> count;
        if (auto q = tx.run(QStringLiteral("SELECT c.classify_type, COUNT(*) FROM %1 i JOIN"
                                           " categories c ON c.id = i.classify_id GROUP BY"
                                           " c.classify_type")
                                .arg(QLatin1String(lib.table))))
            while (q->next())
                count.insert(q->value(0).toString(), q->value(1).toLongLong());
        QMap<QString, qint64> categories;
        if (auto q = tx.run(QStringLiteral("SELECT classify_type, COUNT(*) FROM categories WHERE"
                                           " business_type = ? GROUP BY classify_type"),
                            {QLatin1String(lib.business)}))
            while (q->next())
                categories.insert(q->value(0).toString(), q->value(1).toLongLong());
        parts += QStringLiteral("<tr><td>%1</td>").arg(QString::fromUtf8(lib.label));
        for (const char* p : {protocol::part_pub, protocol::part_personal, protocol::part_dept})
            parts += QStringLiteral("<td class=\"num\">%1 / %2</td>")
                         .arg(count.value(QLatin1String(p)))
                         .arg(categories.value(QLatin1String(p)));
        parts += QStringLiteral("</tr>");
    }
    // Department libraries, of the departments this user manages.
    QString depts;
    if (auto q =
            tx.run(QStringLiteral(
                       "SELECT d.id, d.name,"
                       " (SELECT COUNT(*) FROM users u WHERE u.dept_id = d.id),"
                       " (SELECT COUNT(*) FROM scripts s JOIN categories c ON c.id = s.classify_id"
                       "  WHERE c.classify_type = ? AND c.dept_id = d.id),"
                       " (SELECT COUNT(*) FROM categories c WHERE c.classify_type = ? AND "
                       "c.dept_id = d.id)"
                       " FROM departments d ORDER BY d.id"),
                   {QLatin1String(protocol::part_dept), QLatin1String(protocol::part_dept)}))
        while (q->next()) {
            if (!who.manages_dept(q->value(0).toLongLong()))
                continue;
            depts += QStringLiteral("<tr><td>%1</td><td class=\"num\">%2</td>"
                                    "<td class=\"num\">%3</td><td class=\"num\">%4</td></tr>")
                         .arg(esc(q->value(1).toString()))
                         .arg(q->value(2).toLongLong())
                         .arg(q->value(3).toLongLong())
                         .arg(q->value(4).toLongLong());
        }
    // The largest script categories of the public and the managed department libraries.
    QString largest;
    int shown = 0;
    if (auto q = tx.run(
            QStringLiteral(
                "SELECT c.name, c.classify_type, c.dept_id, COALESCE(d.name, ''), COUNT(*) AS n"
                " FROM scripts s JOIN categories c ON c.id = s.classify_id"
                " LEFT JOIN departments d ON d.id = c.dept_id"
                " WHERE c.business_type = ? AND c.classify_type <> ?"
                " GROUP BY c.id, c.name, c.classify_type, c.dept_id, d.name ORDER BY n DESC, c.id"),
            {QLatin1String(protocol::business::scripts), QLatin1String(protocol::part_personal)}))
        while (shown < 10 && q->next()) {
            const bool dept = q->value(1).toString() == QLatin1String(protocol::part_dept);
            if (dept && !who.manages_dept(q->value(2).toLongLong()))
                continue;
            ++shown;
            largest += QStringLiteral("<tr><td>%1</td><td>%2</td><td class=\"num\">%3</td></tr>")
                           .arg(esc(q->value(0).toString()),
                                part_name(q->value(1).toString()) +
                                    (dept ? QStringLiteral("：") + esc(q->value(3).toString())
                                          : QString()))
                           .arg(q->value(4).toLongLong());
        }
    const QString body =
        QStringLiteral(
            "<section><h2>话术库（条目 / 分类）</h2><table><tr><th></th><th class=\"num\">公共</th>"
            "<th class=\"num\">个人</th><th class=\"num\">部门</th></tr>%1</table></section>"
            "<section><h2>部门</h2><table><tr><th>部门</th><th class=\"num\">用户</th>"
            "<th class=\"num\">部门话术</th><th class=\"num\">部门分类</th></tr>%2</table>"
            "</section><section><h2>最大的话术分类</h2><table><tr><th>分类</th><th>所属</th>"
            "<th class=\"num\">话术</th></tr>%3</table></section>"
            "<section><h2>最常发送的话术</h2><p "
            "class=\"muted\">未记录：客户端发送话术时不通知服务器。"
            "</p></section>")
            .arg(parts, depts, largest);
    return {200, render(who, QStringLiteral("概览"), QStringLiteral("/manage"), body, r), {}};
}

web_reply_t web_admin::update_page(const web_user_t& who, const web_request_t& r) {
    transaction tx(api_.store(), false);
    const QString csrf = web::csrf_field(who.session.csrf);
    QString rows;
    QString systems;
    for (const QString& os : update_systems()) {
        const QString version = config_value(tx, update_key(os, "version"));
        systems += QStringLiteral("<option value=\"%1\">%1</option>").arg(esc(os));
        if (version.isEmpty()) {
            rows +=
                QStringLiteral("<tr><td>%1</td><td colspan=\"6\" class=\"muted\">未发布更新</td>"
                               "</tr>")
                    .arg(esc(os));
            continue;
        }
        rows +=
            QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td>"
                           "<td><form class=\"inline\" method=\"post\" "
                           "action=\"/manage/update/clear\">"
                           "%7<input type=\"hidden\" name=\"os\" value=\"%1\">"
                           "<button class=\"danger\" type=\"submit\">撤下</button></form>"
                           "</td></tr>")
                .arg(esc(os), esc(version),
                     config_value(tx, update_key(os, "force")) == QLatin1String("1")
                         ? QStringLiteral("强制")
                         : QStringLiteral("可选"),
                     config_value(tx, update_key(os, "silent")) == QLatin1String("1")
                         ? QStringLiteral("静默安装")
                         : QStringLiteral("向导安装"),
                     config_value(tx, update_key(os, "signature")).isEmpty()
                         ? QStringLiteral("未签名（客户端拒绝）")
                         : QStringLiteral("已签名"),
                     esc(config_value(tx, update_key(os, "notes"))), csrf);
    }
    // The form token comes first, so an upload without it is refused before the file arrives.
    const QString body =
        QStringLiteral(
            "<section><table><tr><th>系统</th><th>版本</th><th>方式</th><th>安装</th>"
            "<th>签名</th><th>说明</th><th></th></tr>%1</table></section>"
            "<section><h2>发布更新</h2><form class=\"stack\" method=\"post\" "
            "action=\"/manage/update/upload\" enctype=\"multipart/form-data\">%2"
            "<label>系统 <select name=\"os\">%3</select></label>"
            "<label>版本 <input type=\"text\" name=\"version\" maxlength=\"%4\" required "
            "pattern=\"%6\" placeholder=\"1.2.0\"></label>"
            "<label>签名文件（quorvel-sign sign 生成；未签名的更新客户端拒绝安装）"
            "<input type=\"file\" name=\"signature\"></label>"
            "<label>安装包 <input type=\"file\" name=\"installer\" required></label>"
            "<label><input type=\"checkbox\" name=\"force\" value=\"1\"> 强制更新</label>"
            "<label><input type=\"checkbox\" name=\"silent\" value=\"1\"> 静默安装</label>"
            "<label>更新说明<textarea name=\"notes\" rows=\"4\" "
            "maxlength=\"%5\"></textarea></label>"
            "<button type=\"submit\">发布</button></form></section>")
            .arg(rows, csrf, systems)
            .arg(web::max_version_length)
            .arg(web::max_notes_length)
            .arg(QLatin1String(protocol::update_version_pattern));
    return {200,
            render(who, QStringLiteral("客户端更新"), QStringLiteral("/manage/update"), body, r),
            {}};
}

void web_admin::upload_update(const httplib::Request& req, httplib::Response& res,
                              const upload_reader_t& reader) {
    const auto who = signed_in(req);
    if (!who || !who->is_admin()) {
        send(res, who ? web_reply_t::forbidden()
                      : web_reply_t::refused(401, QStringLiteral("未登录或登录已过期")));
        return;
    }
    QHash<QString, QString> fields;
    QByteArray signature; // a file's bytes, not text
    std::unique_ptr<upload_sink> sink;
    QString part;
    QString file_name;
    bool csrf_checked = false;
    bool refused = false;
    const bool read = reader(
        [&](const std::string& name, const std::string& filename) {
            // The previous field is complete: the form token must have been first.
            if (!csrf_checked && !part.isEmpty()) {
                csrf_checked =
                    part == QLatin1String("csrf") && csrf_matches(who->session, fields.value(part));
                if (!csrf_checked)
                    return !(refused = true);
            }
            part = QString::fromStdString(name);
            if (part == QLatin1String("installer") && !sink) {
                if (!csrf_checked)
                    return !(refused = true);
                file_name = QString::fromStdString(filename);
                sink = api_.files().begin_upload();
            }
            return true;
        },
        [&](const char* data, size_t size) {
            if (part == QLatin1String("installer") && sink)
                return sink->write(data, size);
            if (part == QLatin1String("signature")) {
                signature.append(data, static_cast<int>(size));
                return signature.size() <= 4096;
            }
            if (fields.value(part).size() + static_cast<int>(size) > 4 * web::max_notes_length)
                return false;
            fields[part] += QString::fromUtf8(data, static_cast<int>(size));
            return true;
        });
    if (!csrf_checked)
        refused = refused || !(part == QLatin1String("csrf") &&
                               csrf_matches(who->session, fields.value(part)));
    if (refused) {
        res.set_header("Connection", "close");
        send(res, web_reply_t::refused(403, QStringLiteral("表单已失效，请刷新页面后重试")));
        return;
    }
    if (!read) {
        res.set_header("Connection", "close");
        send(res, web_reply_t::refused(400, QStringLiteral("上传未完成或字段过长")));
        return;
    }
    update_offer_t offer;
    offer.os = fields.value(QStringLiteral("os"));
    offer.version = fields.value(QStringLiteral("version")).trimmed();
    offer.force = fields.value(QStringLiteral("force")) == QLatin1String("1");
    offer.silent = fields.value(QStringLiteral("silent")) == QLatin1String("1");
    offer.notes = fields.value(QStringLiteral("notes"));
    offer.signature = update_signature_text(signature);
    QString problem =
        web::text_problem(offer.version, QStringLiteral("版本"), web::max_version_length);
    if (problem.isEmpty() && !valid_update_version(offer.version))
        problem = QStringLiteral("版本只能是以 . 分隔的数字，如 1.2.0");
    if (problem.isEmpty())
        problem = web::text_problem(offer.notes, QStringLiteral("更新说明"), web::max_notes_length,
                                    false);
    if (problem.isEmpty() && !update_systems().contains(offer.os))
        problem = QStringLiteral("未知的系统");
    if (problem.isEmpty() && (!sink || sink->size() == 0))
        problem = QStringLiteral("请选择安装包文件");
    if (problem.isEmpty() && sink->size() > protocol::max_installer_bytes)
        problem = QStringLiteral("安装包超过客户端接受的大小");
    if (problem.isEmpty() && !signature.isEmpty() && offer.signature.isEmpty())
        problem = QStringLiteral("签名文件无效：应为 quorvel-sign sign 生成的文件");
    if (problem.isEmpty() && file_store::safe_base_name(file_name).isEmpty())
        problem = QStringLiteral("安装包文件名无效");
    if (problem.isEmpty() && !sink->ok())
        problem = QStringLiteral("安装包保存失败");
    if (!problem.isEmpty()) {
        send(res, web_reply_t::refused(400, problem));
        return;
    }
    file_meta_t meta;
    meta.owner_id = who->user.id;
    meta.account = who->user.account;
    meta.kind = file_kind::shared;
    meta.client_path = file_name;
    transaction tx(api_.store(), true);
    const auto id = api_.files().commit_upload(tx, *sink, meta);
    if (!id) {
        send(res, web_reply_t::refused(500, QStringLiteral("安装包保存失败")));
        return;
    }
    offer.file_id = *id;
    offer.sha256 = sink->sha256_hex();
    put_update(tx, offer);
    send(res, committed(tx, QStringLiteral("/manage/update"), "update_set"));
}

web_reply_t web_admin::clear_update(const web_user_t&, const web_request_t& r) {
    const QString os = r.field("os");
    if (!update_systems().contains(os))
        return web_reply_t::refused(400, QStringLiteral("未知的系统"));
    transaction tx(api_.store(), true);
    server::clear_update(tx, os);
    return committed(tx, QStringLiteral("/manage/update"), "update_cleared");
}

QString web_admin::apps_form(const web_user_t& who, const QString& lines) const {
    return QStringLiteral(
               "<section><p class=\"muted\">每行一个应用：<code>名称=窗口标识1,窗口标识2</code>。"
               "客户端按这些标识识别可停靠的聊天窗口。清空后使用内置的微信与企业微信列表。</p>"
               "<ul class=\"muted\">"
               "<li>不区分大小写；<code>*</code> 代表任意文字，其他字符（如 <code>.</code>、"
               "<code>(</code>）按原样匹配。</li>"
               "<li>普通标识：窗口的类名和标题都须与本行的某个标识相符，"
               "如 <code>网页客服=chromium,*qv web chat*</code>。</li>"
               "<li><code>class:</code> 开头只按类名识别，如 <code>网页客服=class:chromium</code>；"
               "<code>title:</code> 开头只按标题识别，如 "
               "<code>网页客服=title:*qv web chat*</code>（标题里的未读数、“*”等变化不影响）。</li>"
               "<li>窗口的类名和标题可在客户端“设置中心 → 吸附设置 → 识别当前窗口”中查看并复制。"
               "每个标识最多 %1 个字符，不能为空或只有 <code>*</code>。</li></ul>"
               "<form class=\"stack\" method=\"post\" action=\"/manage/apps/save\">%2"
               "<textarea name=\"apps\" rows=\"10\" maxlength=\"%3\">%4</textarea>"
               "<button type=\"submit\">保存</button></form></section>")
        .arg(app_terms::max_length)
        .arg(web::csrf_field(who.session.csrf))
        .arg(web::max_apps_length)
        .arg(esc(lines));
}

web_reply_t web_admin::apps_page(const web_user_t& who, const web_request_t& r) {
    transaction tx(api_.store(), false);
    const QString stored = config_value(tx, QStringLiteral("adsorption"));
    const QString lines =
        stored.isEmpty()
            ? QString::fromUtf8(default_apps)
            : stored.split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char('\n'));
    return {200,
            render(who, QStringLiteral("支持的应用"), QStringLiteral("/manage/apps"),
                   apps_form(who, lines), r),
            {}};
}

web_reply_t web_admin::save_apps(const web_user_t& who, const web_request_t& r) {
    const QString text = r.field("apps");
    // A refused list comes back in the form, with the reason, to be corrected.
    const auto refuse = [&](const QString& problem) {
        return web_reply_t{400,
                           render(who, QStringLiteral("支持的应用"), QStringLiteral("/manage/apps"),
                                  apps_form(who, text), r, problem),
                           {}};
    };
    if (const QString problem =
            web::text_problem(text, QStringLiteral("应用列表"), web::max_apps_length, false);
        !problem.isEmpty())
        return refuse(problem);
    QStringList entries;
    int number = 0;
    for (QString line : text.split(QLatin1Char('\n'))) {
        ++number;
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || line.contains(QLatin1Char(';')) ||
            line.indexOf(QLatin1Char('='), eq + 1) >= 0)
            return refuse(
                QStringLiteral("第 %1 行格式不正确：应为 名称=标识1,标识2，且不含 ; 与多余的 =")
                    .arg(number));
        if (eq > web::max_label_length)
            return refuse(QStringLiteral("第 %1 行的应用名称最多 %2 个字符")
                              .arg(number)
                              .arg(web::max_label_length));
        if (const QString problem = identifiers_problem(line.mid(eq + 1)); !problem.isEmpty())
            return refuse(QStringLiteral("第 %1 行%2").arg(number).arg(problem));
        entries << line;
    }
    transaction tx(api_.store(), true);
    put_config(tx, QStringLiteral("adsorption"), entries.join(QLatin1Char(';')));
    return committed(tx, QStringLiteral("/manage/apps"), "apps_saved");
}

} // namespace quorvel::server
