// Stickers, documents, file-store details, phrases and quick replies.
#include "api.h"
#include "pinyin/pinyin_table.h"
#include "script_search.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QUrl>

namespace quorvel::server {

namespace {

// Documents in the attachments category (alias c) are not part of anybody's
// library: scripts link their files, which the clients fetch with the scripts.
const QString in_attachments = QStringLiteral("(c.classify_type = ") +
                               sql_code(protocol::part_pub) + QStringLiteral(" AND c.name = '") +
                               QLatin1String(attachments_marker) + QStringLiteral("')");

// File columns appended to item queries, from this offset on.
const QString file_columns = QStringLiteral(
    "f.id, f.account, f.account_type, f.owner_id, f.local_name, f.local_path, f.suffix, f.size,"
    " f.mime, f.created, f.sha256");

const QString sticker_select =
    QStringLiteral("SELECT e.id, e.classify_id, c.name, c.classify_type, c.dept_id, e.emoji_type, "
                   "e.emoji_content,"
                   " e.description, e.keywords, e.file_id, e.sort, e.valid_status, e.creator, "
                   "e.created, e.updater,"
                   " e.updated, c.owner_id, ") +
    file_columns +
    QStringLiteral(" FROM stickers e JOIN categories c ON c.id = e.classify_id LEFT JOIN files f "
                   "ON f.id = e.file_id");
constexpr int sticker_file_offset = 17;

const QString doc_select =
    QStringLiteral(
        "SELECT d.id, d.classify_id, c.dept_id, c.classify_type, d.file_content, d.file_name,"
        " d.file_suffix, d.file_size, d.file_type, d.keywords, d.custom_shortcuts, d.creator, "
        "d.updater,"
        " d.created, d.updated, d.sort, d.valid_status, d.file_id, c.owner_id, ") +
    file_columns +
    QStringLiteral(" FROM docs d JOIN categories c ON c.id = d.classify_id LEFT JOIN files f ON "
                   "f.id = d.file_id");
constexpr int doc_file_offset = 19;

// Rows visible to the user, by the category's part (alias c).
QString visible_filter(const user_t& user, QVariantList& binds) {
    binds << user.id;
    QString sql = QStringLiteral("(c.classify_type = ") + sql_code(protocol::part_pub) +
                  QStringLiteral(" OR (c.classify_type = ") + sql_code(protocol::part_personal) +
                  QStringLiteral(" AND c.owner_id = ?)");
    const QString dept_part = QStringLiteral("c.classify_type = ") + sql_code(protocol::part_dept);
    if (user.is_admin())
        return sql + QStringLiteral(" OR ") + dept_part + QLatin1Char(')');
    const QList<qint64> depts = user.readable_depts();
    if (depts.isEmpty())
        return sql + QLatin1Char(')');
    QStringList marks;
    for (qint64 d : depts) {
        marks << QStringLiteral("?");
        binds << d;
    }
    return sql + QStringLiteral(" OR (") + dept_part + QStringLiteral(" AND c.dept_id IN (") +
           marks.join(QLatin1Char(',')) + QStringLiteral(")))");
}

category_t category_part(const QSqlQuery& q, int type_col, int dept_col, int owner_col) {
    category_t c;
    c.scope = parse_part(q.value(type_col).toString()).value_or(part::pub);
    c.dept = q.value(dept_col).toLongLong();
    c.owner = q.value(owner_col).toLongLong();
    return c;
}

bool valid_url(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    return text.size() <= 2048 && url.isValid() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

} // namespace

QJsonObject api::nas_file_json(const QSqlQuery& q, int o, const user_t& user) const {
    return {{"id", q.value(o).toString()},
            {"account", q.value(o + 1).toString()},
            {"accountType", q.value(o + 2).toInt()},
            {"whetherMyFile", q.value(o + 3).toLongLong() == user.id ? 1 : 0},
            {"localFileName", q.value(o + 4).toString()},
            {"localFilePath", q.value(o + 5).toString()},
            {"fileSuffix", q.value(o + 6).toString()},
            {"fileSize", q.value(o + 7).toLongLong()},
            {"fileType", QLatin1String(protocol::file_type::stored)},
            {"mimeType", q.value(o + 8).toString()},
            {"createTime", q.value(o + 9).toString()},
            {"lastUpdateDate", q.value(o + 9).toString()},
            {"sha256Hex", q.value(o + 10).toString()}};
}

bool api::can_read_file(transaction& tx, const user_t& user, qint64 file_id) {
    auto f =
        tx.run(QStringLiteral("SELECT is_public, owner_id FROM files WHERE id = ?"), {file_id});
    if (!f || !f->next())
        return false;
    const auto kind = static_cast<file_kind>(f->value(0).toInt());
    if (user.is_admin())
        return true;
    if (kind == file_kind::report)
        return false; // not even its sender reads a report back
    if (kind == file_kind::shared || f->value(1).toLongLong() == user.id)
        return true;
    // Readable through an item the user can see.
    for (const char* table : {"stickers", "docs"}) {
        auto q =
            tx.run(QStringLiteral("SELECT c.classify_type, c.dept_id, c.owner_id FROM %1 i"
                                  " JOIN categories c ON c.id = i.classify_id WHERE i.file_id = ?")
                       .arg(QLatin1String(table)),
                   {file_id});
        while (q && q->next())
            if (can_read(user, category_part(*q, 0, 1, 2)))
                return true;
    }
    return false;
}

bool api::is_shared_file(transaction& tx, qint64 file_id) {
    const QVariant kind =
        tx.scalar(QStringLiteral("SELECT is_public FROM files WHERE id = ?"), {file_id});
    return kind.isValid() && static_cast<file_kind>(kind.toInt()) == file_kind::shared;
}

// ---- stickers ----

std::optional<QJsonObject> api::load_sticker(transaction& tx, qint64 id, const user_t& user,
                                             category_t* category) {
    auto q = tx.run(sticker_select + QStringLiteral(" WHERE e.id = ?"), {id});
    if (!q || !q->next())
        return std::nullopt;
    const auto c = load_category(tx, q->value(1).toLongLong());
    if (!c)
        return std::nullopt;
    *category = *c;
    const bool dept = is_code(q->value(3).toString(), protocol::part_dept);
    const QJsonValue nas = q->value(sticker_file_offset).isNull()
                               ? QJsonValue(QJsonValue::Null)
                               : QJsonValue(nas_file_json(*q, sticker_file_offset, user));
    return QJsonObject{
        {"id", q->value(0).toString()},
        {"account", q->value(12).toString()},
        {"accountType", QStringLiteral("1")},
        {"classifyId", q->value(1).toString()},
        {"classifyName", q->value(2).toString()},
        {"deptId", dept ? q->value(4).toString() : QString()},
        {"classifyType", q->value(3).toString()},
        {"emojiContent", q->value(6).toString()},
        {"emojiContentDesc", q->value(7).toString()},
        {"emojiContentMatchKeywords", q->value(8).toString()},
        {"emojiType", q->value(5).toString()},
        {"sort", q->value(10).toLongLong()},
        {"validStatus", q->value(11).toInt()},
        {"creatorAccount", q->value(12).toString()},
        {"createTime", q->value(13).toString()},
        {"lastUpdateAccount", q->value(14).toString()},
        {"lastUpdateDate", q->value(15).toString()},
        {"fileId", q->value(9).toLongLong() > 0 ? q->value(9).toString() : QString()},
        {"nasFile", nas}};
}

reply_t api::query_emoji(const request_t& r) {
    QVariantList binds;
    QString where = QStringLiteral(" WHERE c.business_type = ") + sql_code(business::stickers) +
                    QStringLiteral(" AND ") + visible_filter(r.user, binds);
    if (!r.text("classifyId").isEmpty()) {
        const auto classify = r.id("classifyId");
        if (!classify)
            return reply_t::missing();
        where += QStringLiteral(" AND e.classify_id = ?");
        binds << *classify;
    }
    if (!r.text("emojiType").isEmpty()) {
        where += QStringLiteral(" AND e.emoji_type = ?");
        binds << r.text("emojiType");
    }
    for (const auto& [key, column] : {std::pair{"emojiContentDesc", "e.description"},
                                      std::pair{"emojiContentMatchKeywords", "e.keywords"}}) {
        if (!r.text(key).isEmpty()) {
            where += QStringLiteral(" AND %1 LIKE ? ESCAPE '\\'").arg(QLatin1String(column));
            binds << like_pattern(r.text(key));
        }
    }
    transaction tx(store_, false);
    auto q = tx.run(
        QStringLiteral("SELECT e.id FROM stickers e JOIN categories c ON c.id = e.classify_id") +
            where + QStringLiteral(" ORDER BY e.classify_id, e.sort, e.id"),
        binds);
    if (!q)
        return reply_t::internal();
    QList<qint64> ids;
    while (q->next())
        ids << q->value(0).toLongLong();
    QJsonArray list;
    for (qint64 id : ids) {
        category_t c;
        if (auto sticker = load_sticker(tx, id, r.user, &c))
            list.append(*sticker);
    }
    if (!tx.ok())
        return reply_t::internal();
    return reply_t::success(list);
}

reply_t api::create_emoji(const request_t& r) {
    const auto classify = r.id("classifyId");
    const QString type = r.text("emojiType");
    if (!classify ||
        !is_one_of(type, {protocol::sticker_type::address, protocol::sticker_type::stored}))
        return reply_t::bad();
    transaction tx(store_, true);
    const auto c = load_category(tx, *classify);
    if (!c || !can_read(r.user, *c) || !is_code(c->business, business::stickers))
        return tx.ok() ? reply_t::missing() : reply_t::internal();
    if (!can_write(r.user, *c))
        return reply_t::forbidden();
    qint64 file_id = 0;
    if (is_code(type, protocol::sticker_type::stored)) {
        const auto file = r.id("fileId");
        if (!file || !can_read_file(tx, r.user, *file))
            return tx.ok() ? reply_t::failure(codes::not_found, QStringLiteral("文件不存在"))
                           : reply_t::internal();
        file_id = *file;
    } else if (!valid_url(r.text("emojiContent"))) {
        return reply_t::bad(QStringLiteral("表情地址无效"));
    }
    const QString now = now_text();
    const QString id = tx.insert(
        QStringLiteral("INSERT INTO stickers (classify_id, emoji_type, emoji_content, description,"
                       " keywords, file_id, sort, creator, updater, created, updated)"
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {c->id, type, r.text("emojiContent"), r.text("emojiContentDesc"),
         r.text("emojiContentMatchKeywords"), file_id,
         next_sort(tx, QStringLiteral("stickers"), QStringLiteral("classify_id"), c->id),
         r.user.account, r.user.account, now, now});
    category_t stored;
    const auto sticker =
        id.isEmpty() ? std::nullopt : load_sticker(tx, id.toLongLong(), r.user, &stored);
    if (!sticker || !tx.commit())
        return reply_t::internal();
    return reply_t::success(*sticker);
}

reply_t api::edit_emoji(const request_t& r) {
    const auto id = r.id("id");
    const QString op = r.text("operateType");
    if (!id)
        return reply_t::bad();
    namespace edit = protocol::edit_sticker;
    if (!is_one_of(op, {edit::change, edit::remove, edit::copy, edit::move}))
        return reply_t::bad();
    transaction tx(store_, true);
    category_t source;
    const auto sticker = load_sticker(tx, *id, r.user, &source);
    if (!sticker || !can_read(r.user, source))
        return tx.ok() ? reply_t::missing() : reply_t::internal();
    if (!is_code(op, edit::copy) && !can_write(r.user, source))
        return reply_t::forbidden();
    const QString now = now_text();
    qint64 result = *id;

    if (is_code(op, edit::change)) {
        tx.run(QStringLiteral("UPDATE stickers SET description = ?, keywords = ?, updater = ?,"
                              " updated = ? WHERE id = ?"),
               {r.text("emojiContentDesc"), r.text("emojiContentMatchKeywords"), r.user.account,
                now, *id});
    } else if (is_code(op, edit::remove)) {
        tx.run(QStringLiteral("DELETE FROM stickers WHERE id = ?"), {*id});
        if (!tx.commit())
            return reply_t::internal();
        return reply_t::success(*sticker);
    } else {
        reply_t failure;
        const auto target = transfer_target(tx, r, QLatin1String(business::stickers), &failure);
        if (!target)
            return failure;
        const qint64 sort =
            next_sort(tx, QStringLiteral("stickers"), QStringLiteral("classify_id"), target->id);
        if (is_code(op, edit::copy)) {
            const QString copy = tx.insert(
                QStringLiteral(
                    "INSERT INTO stickers (classify_id, emoji_type, emoji_content, description,"
                    " keywords, file_id, sort, valid_status, creator, updater, created, updated)"
                    " SELECT ?, emoji_type, emoji_content, description, keywords, file_id, ?,"
                    " valid_status, ?, ?, ?, ? FROM stickers WHERE id = ?"),
                {target->id, sort, r.user.account, r.user.account, now, now, *id});
            if (copy.isEmpty())
                return reply_t::internal();
            result = copy.toLongLong();
        } else {
            tx.run(QStringLiteral(
                       "UPDATE stickers SET classify_id = ?, sort = ?, updater = ?, updated = ?"
                       " WHERE id = ?"),
                   {target->id, sort, r.user.account, now, *id});
        }
    }
    category_t stored;
    const auto changed = load_sticker(tx, result, r.user, &stored);
    if (!changed || !tx.commit())
        return reply_t::internal();
    return reply_t::success(*changed);
}

// ---- documents ----

std::optional<QJsonObject> api::load_doc(transaction& tx, qint64 id, const user_t& user,
                                         category_t* category) {
    auto q = tx.run(doc_select + QStringLiteral(" WHERE d.id = ?"), {id});
    if (!q || !q->next())
        return std::nullopt;
    const auto c = load_category(tx, q->value(1).toLongLong());
    if (!c)
        return std::nullopt;
    *category = *c;
    const bool has_file = !q->value(doc_file_offset).isNull();
    const bool dept = is_code(q->value(3).toString(), protocol::part_dept);
    return QJsonObject{
        {"id", q->value(0).toString()},
        {"classifyId", q->value(1).toString()},
        {"deptId", dept ? q->value(2).toString() : QString()},
        {"classifyType", q->value(3).toString()},
        {"fileContent", q->value(4).toString()},
        {"fileName", q->value(5).toString()},
        {"fileSuffix", q->value(6).toString()},
        {"fileSize", q->value(7).toLongLong()},
        {"fileType", q->value(8).toString()},
        {"keywords", q->value(9).toString()},
        {"customShortcuts", q->value(10).toString()},
        {"creatorAccount", q->value(11).toString()},
        {"lastUpdateAccount", q->value(12).toString()},
        {"createTime", q->value(13).toString()},
        {"lastUpdateDate", q->value(14).toString()},
        {"sha256Hex", has_file ? q->value(doc_file_offset + 10).toString() : QString()},
        {"sort", q->value(15).toLongLong()},
        {"validStatus", q->value(16).toInt()},
        {"fileId", q->value(17).toLongLong() > 0 ? q->value(17).toString() : QString()},
        {"nasFile", has_file ? QJsonValue(nas_file_json(*q, doc_file_offset, user))
                             : QJsonValue(QJsonValue::Null)}};
}

reply_t api::query_file(const request_t& r) {
    QVariantList binds;
    QString where = QStringLiteral(" WHERE c.business_type = ") + sql_code(business::documents) +
                    QStringLiteral(" AND ") + visible_filter(r.user, binds);
    if (!r.text("classifyId").isEmpty()) {
        const auto classify = r.id("classifyId");
        if (!classify)
            return reply_t::missing();
        where += QStringLiteral(" AND d.classify_id = ?");
        binds << *classify;
        // Asked for by their category, attachments show to their author only.
        where +=
            QStringLiteral(" AND (NOT ") + in_attachments + QStringLiteral(" OR d.creator = ?)");
        binds << r.user.account;
    } else {
        // The full listing, which clients download from at start, never has them.
        where += QStringLiteral(" AND NOT ") + in_attachments;
    }
    if (!r.text("fileId").isEmpty()) {
        where += QStringLiteral(" AND d.file_id = ?");
        binds << r.id("fileId").value_or(-1);
    }
    if (!r.text("fileName").isEmpty()) {
        where += QStringLiteral(" AND d.file_name LIKE ? ESCAPE '\\'");
        binds << like_pattern(r.text("fileName"));
    }
    if (!r.text("fileSuffix").isEmpty()) {
        where += QStringLiteral(" AND d.file_suffix = ?");
        binds << r.text("fileSuffix").toLower();
    }
    const QString type = r.text("fileType");
    if (!type.isEmpty() && !is_code(type, protocol::file_type::any)) {
        where += QStringLiteral(" AND d.file_type = ?");
        binds << type;
    }
    transaction tx(store_, false);
    auto q = tx.run(QStringLiteral("SELECT d.id, d.keywords, d.file_name FROM docs d JOIN "
                                   "categories c ON c.id = d.classify_id") +
                        where + QStringLiteral(" ORDER BY d.classify_id, d.sort, d.id"),
                    binds);
    if (!q)
        return reply_t::internal();
    // Keywords are matched here rather than in SQL, as the script search
    // does: case-insensitively, and by pinyin and initials.
    const QString keywords = r.text("keywords");
    const script_search search(keywords, pinyin_table::shared());
    QList<qint64> ids;
    while (q->next())
        if (keywords.isEmpty() || search.matches_text(q->value(1).toString()) ||
            search.matches_text(q->value(2).toString()))
            ids << q->value(0).toLongLong();
    QJsonArray list;
    for (qint64 id : ids) {
        category_t c;
        if (auto doc = load_doc(tx, id, r.user, &c))
            list.append(*doc);
    }
    if (!tx.ok())
        return reply_t::internal();
    return reply_t::success(list);
}

reply_t api::create_file(const request_t& r) {
    const auto classify = r.id("classifyId");
    const QString type = r.text("fileType");
    if (!classify || !is_one_of(type, {protocol::file_type::address, protocol::file_type::stored}))
        return reply_t::bad();
    transaction tx(store_, true);
    const auto c = load_category(tx, *classify);
    if (!c || !can_read(r.user, *c) || !is_code(c->business, business::documents))
        return tx.ok() ? reply_t::missing() : reply_t::internal();
    // Anybody may file attachments of the scripts they write, uploaded to the
    // shared store; only their author lists them (see query_file), so they
    // cost the colleagues nothing.
    const bool attachment = is_attachments(*c);
    if (!attachment && !can_write(r.user, *c))
        return reply_t::forbidden();
    if (attachment && !is_code(type, protocol::file_type::stored))
        return reply_t::bad(QStringLiteral("附件分类只收脚本附件"));
    qint64 file_id = 0;
    qint64 size = static_cast<qint64>(r.params.value(QStringLiteral("fileSize")).toDouble());
    QString name = r.text("fileName");
    QString suffix = r.text("fileSuffix").toLower();
    if (is_code(type, protocol::file_type::stored)) {
        const auto file = r.id("fileId");
        if (!file || !can_read_file(tx, r.user, *file))
            return tx.ok() ? reply_t::failure(codes::not_found, QStringLiteral("文件不存在"))
                           : reply_t::internal();
        file_id = *file;
        auto f = tx.run(QStringLiteral("SELECT size, local_name, suffix FROM files WHERE id = ?"),
                        {file_id});
        if (!f || !f->next())
            return reply_t::internal();
        size = f->value(0).toLongLong(); // the stored size, not the one claimed
        if (attachment)
            if (auto refusal = refuse_attachment(tx, r.user, size))
                return *refusal;
        if (name.isEmpty())
            name = f->value(1).toString();
        if (suffix.isEmpty())
            suffix = f->value(2).toString();
    } else if (!valid_url(r.text("fileContent"))) {
        return reply_t::bad(QStringLiteral("文档地址无效"));
    }
    const QString now = now_text();
    const QString id = tx.insert(
        QStringLiteral(
            "INSERT INTO docs (classify_id, file_content, file_name, file_suffix, file_size,"
            " file_type, keywords, custom_shortcuts, file_id, sort, creator, updater, created,"
            " updated) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {c->id, r.text("fileContent"), name, suffix, size, type, r.text("keywords"),
         r.text("customShortcuts"), file_id,
         next_sort(tx, QStringLiteral("docs"), QStringLiteral("classify_id"), c->id),
         r.user.account, r.user.account, now, now});
    category_t stored;
    const auto doc = id.isEmpty() ? std::nullopt : load_doc(tx, id.toLongLong(), r.user, &stored);
    if (!doc || !tx.commit())
        return reply_t::internal();
    return reply_t::success(*doc);
}

std::optional<reply_t> api::refuse_attachment(transaction& tx, const user_t& user, qint64 size) {
    auto q = tx.run(QStringLiteral("SELECT COUNT(*), COALESCE(SUM(d.file_size), 0) FROM docs d"
                                   " JOIN categories c ON c.id = d.classify_id"
                                   " WHERE c.business_type = ") +
                        sql_code(business::documents) + QStringLiteral(" AND d.creator = ? AND ") +
                        in_attachments,
                    {user.account});
    if (!q || !q->next())
        return reply_t::internal();
    if (q->value(0).toLongLong() >= max_attachments_per_user)
        return reply_t::bad(
            QStringLiteral("附件数量已达上限（%1 个）").arg(max_attachments_per_user));
    if (q->value(1).toLongLong() + size > options_.attachment_quota_bytes)
        return reply_t::bad(QStringLiteral("附件总大小已达上限（%1 MB）")
                                .arg(options_.attachment_quota_bytes >> 20));
    return std::nullopt;
}

reply_t api::edit_file(const request_t& r) {
    const auto id = r.id("id");
    const QString op = r.text("operateType");
    namespace edit = protocol::edit_document;
    if (!id || !is_one_of(op, {edit::change, edit::copy, edit::move, edit::remove, edit::to_top,
                               edit::to_bottom}))
        return reply_t::bad();
    transaction tx(store_, true);
    category_t source;
    const auto doc = load_doc(tx, *id, r.user, &source);
    if (!doc || !can_read(r.user, source))
        return tx.ok() ? reply_t::missing() : reply_t::internal();
    if (!is_code(op, edit::copy) && !can_write(r.user, source))
        return reply_t::forbidden();
    const QString now = now_text();
    qint64 result = *id;

    if (is_code(op, edit::remove)) {
        tx.run(QStringLiteral("DELETE FROM docs WHERE id = ?"), {*id});
        if (!tx.commit())
            return reply_t::internal();
        return reply_t::success(*doc);
    }
    if (is_code(op, edit::change)) {
        auto keep = [&](const char* key) {
            return r.has(key) ? r.text(key) : doc->value(QLatin1String(key)).toString();
        };
        // The client's file-name field refuses the same characters.
        static const QRegularExpression unfit(QStringLiteral("[<>:\"/\\\\|?*]"));
        if (keep("fileName").contains(unfit))
            return reply_t::bad(QStringLiteral("文件名不能包含 < > : \" / \\ | ? *"));
        tx.run(QStringLiteral(
                   "UPDATE docs SET file_content = ?, file_name = ?, file_suffix = ?,"
                   " keywords = ?, custom_shortcuts = ?, updater = ?, updated = ? WHERE id = ?"),
               {keep("fileContent"), keep("fileName"), keep("fileSuffix").toLower(),
                keep("keywords"), keep("customShortcuts"), r.user.account, now, *id});
    } else if (is_one_of(op, {edit::to_top, edit::to_bottom})) {
        const QString edge = is_code(op, edit::to_top) ? QStringLiteral("MIN(sort) - 1")
                                                       : QStringLiteral("MAX(sort) + 1");
        const QVariant sort = tx.scalar(
            QStringLiteral("SELECT COALESCE(%1, 0) FROM docs WHERE classify_id = ?").arg(edge),
            {source.id});
        tx.run(QStringLiteral("UPDATE docs SET sort = ? WHERE id = ?"), {sort.toLongLong(), *id});
    } else {
        reply_t failure;
        const auto target = transfer_target(tx, r, QLatin1String(business::documents), &failure);
        if (!target)
            return failure;
        const qint64 sort =
            next_sort(tx, QStringLiteral("docs"), QStringLiteral("classify_id"), target->id);
        if (is_code(op, edit::copy)) {
            const QString copy = tx.insert(
                QStringLiteral(
                    "INSERT INTO docs (classify_id, file_content, file_name, file_suffix,"
                    " file_size, file_type, keywords, custom_shortcuts, file_id, sort,"
                    " valid_status, creator, updater, created, updated) SELECT ?, file_content,"
                    " file_name, file_suffix, file_size, file_type, keywords, custom_shortcuts,"
                    " file_id, ?, valid_status, ?, ?, ?, ? FROM docs WHERE id = ?"),
                {target->id, sort, r.user.account, r.user.account, now, now, *id});
            if (copy.isEmpty())
                return reply_t::internal();
            result = copy.toLongLong();
        } else {
            tx.run(
                QStringLiteral("UPDATE docs SET classify_id = ?, sort = ?, updater = ?, updated = ?"
                               " WHERE id = ?"),
                {target->id, sort, r.user.account, now, *id});
        }
    }
    category_t stored;
    const auto changed = load_doc(tx, result, r.user, &stored);
    if (!changed || !tx.commit())
        return reply_t::internal();
    return reply_t::success(*changed);
}

reply_t api::nas_file_info(const request_t& r) {
    const auto id = r.id("fileId");
    if (!id)
        return reply_t::bad();
    transaction tx(store_, false);
    if (!can_read_file(tx, r.user, *id))
        return tx.ok() ? reply_t::failure(codes::not_found, QStringLiteral("文件不存在"))
                       : reply_t::internal();
    auto q = tx.run(QStringLiteral("SELECT ") + file_columns +
                        QStringLiteral(" FROM files f WHERE f.id = ?"),
                    {*id});
    if (!q || !q->next())
        return reply_t::internal();
    return reply_t::success(nas_file_json(*q, 0, r.user));
}

reply_t api::describe_upload(const user_t& user, qint64 file_id) {
    transaction tx(store_, false);
    auto q = tx.run(QStringLiteral("SELECT ") + file_columns +
                        QStringLiteral(" FROM files f WHERE f.id = ?"),
                    {file_id});
    if (!q || !q->next())
        return reply_t::internal();
    return reply_t::success(nas_file_json(*q, 0, user));
}

// ---- phrases and quick replies ----

QJsonArray api::phrases_of(transaction& tx, qint64 user_id) {
    QJsonArray list;
    if (auto q = tx.run(QStringLiteral("SELECT id, content, sort, valid_status FROM phrases"
                                       " WHERE user_id = ? ORDER BY sort, id"),
                        {user_id}))
        while (q->next())
            list.append(QJsonObject{{"id", q->value(0).toString()},
                                    {"phraseContent", q->value(1).toString()},
                                    {"sort", q->value(2).toLongLong()},
                                    {"validStatus", q->value(3).toInt()}});
    return list;
}

reply_t api::phrase_list(const request_t& r) {
    transaction tx(store_, false);
    const QJsonArray list = phrases_of(tx, r.user.id);
    return tx.ok() ? reply_t::success(list) : reply_t::internal();
}

reply_t api::phrase_add(const request_t& r) {
    const QString content = r.text("phraseContent");
    if (content.trimmed().isEmpty())
        return reply_t::bad();
    transaction tx(store_, true);
    const qint64 sort =
        next_sort(tx, QStringLiteral("phrases"), QStringLiteral("user_id"), r.user.id);
    const QString id = tx.insert(
        QStringLiteral(
            "INSERT INTO phrases (user_id, content, sort, valid_status) VALUES (?, ?, ?, 0)"),
        {r.user.id, content, sort});
    if (id.isEmpty() || !tx.commit())
        return reply_t::internal();
    return reply_t::success(
        QJsonObject{{"id", id}, {"phraseContent", content}, {"sort", sort}, {"validStatus", 0}});
}

reply_t api::phrase_del(const request_t& r) {
    const auto id = r.id("id");
    if (!id)
        return reply_t::bad();
    transaction tx(store_, true);
    const QVariant owner =
        tx.scalar(QStringLiteral("SELECT user_id FROM phrases WHERE id = ?"), {*id});
    if (!owner.isValid() || owner.toLongLong() != r.user.id)
        return tx.ok() ? reply_t::missing() : reply_t::internal();
    tx.run(QStringLiteral("DELETE FROM phrases WHERE id = ?"), {*id});
    if (!tx.commit())
        return reply_t::internal();
    return reply_t::success();
}

reply_t api::phrase_sort(const request_t& r) {
    const QStringList order = r.id_list("siblingIdsInNewOrder");
    transaction tx(store_, true);
    // Only the user's own phrases, each once.
    const auto ids = ids_once(
        order, id_set(tx, QStringLiteral("SELECT id FROM phrases WHERE user_id = ?"), {r.user.id}));
    if (!ids)
        return tx.ok() ? reply_t::bad(QStringLiteral("排序数据不一致")) : reply_t::internal();
    renumber(tx, "phrases", *ids);
    const QJsonArray list = phrases_of(tx, r.user.id);
    if (!tx.commit())
        return reply_t::internal();
    return reply_t::success(list);
}

reply_t api::quick_reply_list(const request_t& r) {
    transaction tx(store_, false);
    auto q = tx.run(
        QStringLiteral("SELECT q.id, q.script_id, s.classify_id, c.dept_id, c.classify_type,"
                       " c.owner_id FROM quick_replies q JOIN scripts s ON s.id = q.script_id"
                       " JOIN categories c ON c.id = s.classify_id WHERE q.user_id = ?"
                       " ORDER BY q.id"),
        {r.user.id});
    if (!q)
        return reply_t::internal();
    QJsonArray list;
    while (q->next()) {
        if (!can_read(r.user, category_part(*q, 4, 3, 5)))
            continue; // rights changed since it was chosen
        const bool dept = is_code(q->value(4).toString(), protocol::part_dept);
        list.append(QJsonObject{{"id", q->value(0).toString()},
                                {"speechId", q->value(1).toString()},
                                {"classifyId", q->value(2).toString()},
                                {"deptId", dept ? q->value(3).toString() : QString()},
                                {"classifyType", q->value(4).toString()}});
    }
    return reply_t::success(list);
}

reply_t api::quick_reply_save(const request_t& r) {
    const QStringList ids = r.id_list("speechIdList");
    if (!r.params.value(QStringLiteral("speechIdList")).isArray() || ids.size() > 1000)
        return reply_t::bad();
    transaction tx(store_, true);
    tx.run(QStringLiteral("DELETE FROM quick_replies WHERE user_id = ?"), {r.user.id});
    QSet<qint64> seen;
    for (const QString& text : ids) {
        const auto id = parse_id(text);
        category_t c;
        if (!id || !load_script(tx, *id, &c) || !can_read(r.user, c))
            return tx.ok() ? reply_t::missing() : reply_t::internal();
        if (seen.contains(*id))
            continue;
        seen.insert(*id);
        tx.run(QStringLiteral("INSERT INTO quick_replies (user_id, script_id) VALUES (?, ?)"),
               {r.user.id, *id});
    }
    if (!tx.commit())
        return reply_t::internal();
    return reply_t::success();
}

} // namespace quorvel::server
