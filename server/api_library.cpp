// Categories of all three libraries, and scripts.
#include "api.h"
#include "pinyin/pinyin_table.h"
#include "script_search.h"

#include <QSet>
#include <QSqlQuery>
#include <algorithm>
#include <array>
#include <functional>
#include <vector>

namespace quorvel::server {

namespace {

const QString category_columns = QStringLiteral(
    "id, super_id, name, business_type, classify_type, dept_id, owner_id, sort, unfold");

category_t read_category(const QSqlQuery& q) {
    category_t c;
    c.id = q.value(0).toLongLong();
    c.super_id = q.value(1).toLongLong();
    c.name = q.value(2).toString();
    c.business = q.value(3).toString();
    c.scope = parse_part(q.value(4).toString()).value_or(part::pub);
    c.dept = q.value(5).toLongLong();
    c.owner = q.value(6).toLongLong();
    c.sort = q.value(7).toLongLong();
    c.unfold = q.value(8).toInt();
    return c;
}

bool valid_business(const QString& b) {
    return is_one_of(b, {business::stickers, business::scripts, business::documents});
}

// The WHERE clause that selects one library part (alias "c").
QString scope_filter(const category_t& scope, QVariantList& binds) {
    binds << QString(QLatin1String(protocol::part_text(scope.scope)));
    switch (scope.scope) {
    case part::pub:
        return QStringLiteral("c.classify_type = ?");
    case part::personal:
        binds << scope.owner;
        return QStringLiteral("c.classify_type = ? AND c.owner_id = ?");
    case part::dept:
        binds << scope.dept;
        return QStringLiteral("c.classify_type = ? AND c.dept_id = ?");
    }
    return QStringLiteral("1 = 0");
}

bool same_scope(const category_t& a, const category_t& b) {
    return a.business == b.business && a.scope == b.scope &&
           (a.scope != part::dept || a.dept == b.dept) &&
           (a.scope != part::personal || a.owner == b.owner);
}

QString in_list(const QList<qint64>& ids, QVariantList& binds) {
    if (ids.isEmpty())
        return QStringLiteral("(NULL)");
    QStringList marks;
    for (qint64 id : ids) {
        marks << QStringLiteral("?");
        binds << id;
    }
    return QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
}

// Script columns, with the category's part columns joined in (alias s, c).
const QString script_select =
    QStringLiteral("SELECT s.id, s.keywords, s.content, c.dept_id, s.classify_id, c.classify_type,"
                   " s.custom_shortcuts, s.sort, s.creator, s.updater, s.created, s.updated"
                   " FROM scripts s JOIN categories c ON c.id = s.classify_id");

} // namespace

std::optional<category_t> api::load_category(transaction& tx, qint64 id) {
    auto q = tx.run(QStringLiteral("SELECT ") + category_columns +
                        QStringLiteral(" FROM categories WHERE id = ?"),
                    {id});
    if (!q || !q->next())
        return std::nullopt;
    return read_category(*q);
}

std::optional<category_t> api::transfer_target(transaction& tx, const request_t& r,
                                               const QString& business, reply_t* failure) {
    const auto id = r.id("classifyId");
    const auto target = id ? load_category(tx, *id) : std::nullopt;
    if (!target || !can_read(r.user, *target) || target->business != business) {
        *failure = tx.ok() ? reply_t::failure(codes::not_found, QStringLiteral("目标分类不存在"))
                           : reply_t::internal();
        return std::nullopt;
    }
    if (!can_write(r.user, *target)) {
        *failure = reply_t::forbidden();
        return std::nullopt;
    }
    return target;
}

QJsonObject api::category_json(const category_t& c) const {
    return {{"id", id_text(c.id)},
            {"superId", id_text(c.super_id)},
            {"classifyName", c.name},
            {"deptId", c.scope == part::dept ? id_text(c.dept) : QString()},
            {"clientBusinessType", c.business},
            {"classifyType", QLatin1String(protocol::part_text(c.scope))},
            {"sort", c.sort},
            {"whetherToUnfold", c.unfold}};
}

bool api::can_read(const user_t& u, const category_t& c) const {
    return u.can_read(c.scope, c.dept, c.owner);
}

bool api::can_write(const user_t& u, const category_t& c) const {
    return u.can_write(c.scope, c.dept, c.owner);
}

bool api::is_attachments(const category_t& c) const {
    return is_code(c.business, business::documents) && c.scope == part::pub &&
           c.name == QLatin1String(attachments_marker);
}

std::optional<category_t> api::scope_of(const request_t& r, const QString& business) {
    const auto p = parse_part(r.text("classifyType"));
    if (!p)
        return std::nullopt;
    category_t scope;
    scope.business = business;
    scope.scope = *p;
    if (*p == part::personal)
        scope.owner = r.user.id;
    if (*p == part::dept) {
        const auto dept = r.id("deptId");
        if (!dept || *dept <= 0)
            return std::nullopt;
        scope.dept = *dept;
    }
    return scope;
}

qint64 api::next_sort(transaction& tx, const QString& table, const QString& parent_column,
                      qint64 parent) {
    return tx
        .scalar(QStringLiteral("SELECT COALESCE(MAX(sort), 0) + 1 FROM ") + table +
                    QStringLiteral(" WHERE ") + parent_column + QStringLiteral(" = ?"),
                {parent})
        .toLongLong();
}

QList<qint64> api::subtree(transaction& tx, qint64 root) {
    QList<qint64> ids{root};
    for (int i = 0; i < ids.size() && tx.ok(); ++i) {
        if (auto q = tx.run(
                QStringLiteral("SELECT id FROM categories WHERE super_id = ? ORDER BY sort, id"),
                {ids[i]}))
            while (q->next())
                ids << q->value(0).toLongLong();
    }
    return ids;
}

namespace {

// Script and sticker categories have two levels, which the client's views
// rely on; document categories nest a little deeper.
int max_depth(const QString& business) {
    return is_code(business, business::documents) ? 4 : 2;
}

// Rows below and including a category, with their level; levels stop past limit.
const QString levels_below = QStringLiteral(
    "WITH RECURSIVE down(id, n) AS (SELECT id, 1 FROM categories WHERE id = ? UNION ALL"
    " SELECT c.id, down.n + 1 FROM categories c JOIN down ON c.super_id = down.id"
    " WHERE down.n <= ?) ");

} // namespace

QSet<qint64> id_set(transaction& tx, const QString& sql, const QVariantList& binds) {
    QSet<qint64> ids;
    if (auto q = tx.run(sql, binds))
        while (q->next())
            ids.insert(q->value(0).toLongLong());
    return ids;
}

std::optional<QList<qint64>> ids_once(const QStringList& order, QSet<qint64> allowed) {
    QList<qint64> ids;
    for (const QString& text : order) {
        const auto id = parse_id(text);
        if (!id || !allowed.remove(*id))
            return std::nullopt;
        ids << *id;
    }
    return ids;
}

void renumber(transaction& tx, const char* table, const QList<qint64>& ids) {
    const QString sql =
        QStringLiteral("UPDATE %1 SET sort = ? WHERE id = ?").arg(QLatin1String(table));
    for (int i = 0; i < ids.size(); ++i)
        tx.run(sql, {i + 1, ids[i]});
}

int api::depth_of(transaction& tx, qint64 id, int limit) {
    if (id == -1)
        return 0;
    return tx
        .scalar(QStringLiteral("WITH RECURSIVE up(id, super_id, n) AS (SELECT id, super_id, 1"
                               " FROM categories WHERE id = ? UNION ALL SELECT c.id, c.super_id,"
                               " up.n + 1 FROM categories c JOIN up ON c.id = up.super_id"
                               " WHERE up.n <= ?) SELECT MAX(n) FROM up"),
                {id, limit})
        .toInt();
}

int api::height_of(transaction& tx, qint64 root, int limit) {
    return tx.scalar(levels_below + QStringLiteral("SELECT MAX(n) FROM down"), {root, limit})
        .toInt();
}

std::optional<reply_t> api::refuse_depth(transaction& tx, const QString& business, int height,
                                         qint64 parent) {
    const int limit = max_depth(business);
    if (depth_of(tx, parent, limit) + height <= limit)
        return std::nullopt;
    if (!tx.ok())
        return reply_t::internal();
    return reply_t::bad(QStringLiteral("分类最多 %1 级").arg(limit));
}

std::optional<reply_t> api::refuse_copy_size(transaction& tx, qint64 root) {
    const qint64 count =
        tx.scalar(levels_below + QStringLiteral("SELECT COUNT(*) FROM down"), {root, 8})
            .toLongLong();
    if (count <= max_copied_categories)
        return std::nullopt;
    if (!tx.ok())
        return reply_t::internal();
    return reply_t::bad(QStringLiteral("分类过多，一次最多复制 %1 个").arg(max_copied_categories));
}

// ---- categories ----

reply_t api::classify_tree(const request_t& r) {
    const QString business = r.text("clientBusinessType");
    const auto scope = scope_of(r, business);
    if (!valid_business(business) || !scope)
        return reply_t::bad();
    if (!can_read(r.user, *scope))
        return reply_t::forbidden();
    transaction tx(store_, false);
    QVariantList binds{business};
    const QString filter = scope_filter(*scope, binds);
    auto q = tx.run(QStringLiteral("SELECT ") + category_columns +
                        QStringLiteral(" FROM categories c WHERE c.business_type = ? AND ") +
                        filter + QStringLiteral(" ORDER BY c.sort, c.id"),
                    binds);
    if (!q)
        return reply_t::internal();
    QList<category_t> all;
    QSet<qint64> ids;
    while (q->next()) {
        all << read_category(*q);
        ids.insert(all.last().id);
    }
    QMultiHash<qint64, category_t> by_parent;
    for (const category_t& c : all)
        by_parent.insert(ids.contains(c.super_id) ? c.super_id : -1, c);
    std::function<QJsonArray(qint64)> children_of = [&](qint64 parent) {
        QList<category_t> kids = by_parent.values(parent);
        std::sort(kids.begin(), kids.end(), [](const category_t& a, const category_t& b) {
            return a.sort != b.sort ? a.sort < b.sort : a.id < b.id;
        });
        QJsonArray out;
        for (const category_t& kid : kids) {
            QJsonObject node = category_json(kid);
            node.insert(QStringLiteral("children"), children_of(kid.id));
            out.append(node);
        }
        return out;
    };
    return reply_t::success(children_of(-1));
}

reply_t api::query_classify(const request_t& r) {
    const QString business = r.text("clientBusinessType");
    const auto scope = scope_of(r, business);
    if (!valid_business(business) || !scope)
        return reply_t::bad();
    if (!can_read(r.user, *scope))
        return reply_t::forbidden();
    QVariantList binds{business};
    QString sql = QStringLiteral("SELECT ") + category_columns +
                  QStringLiteral(" FROM categories c WHERE c.business_type = ? AND ") +
                  scope_filter(*scope, binds);
    if (!r.text("superId").isEmpty()) {
        const auto parent = r.id("superId");
        if (!parent)
            return reply_t::bad();
        sql += QStringLiteral(" AND c.super_id = ?");
        binds << *parent;
    }
    if (!r.text("classifyName").isEmpty()) {
        sql += QStringLiteral(" AND c.name LIKE ? ESCAPE '\\'");
        binds << like_pattern(r.text("classifyName"));
    }
    transaction tx(store_, false);
    auto q = tx.run(sql + QStringLiteral(" ORDER BY c.sort, c.id"), binds);
    if (!q)
        return reply_t::internal();
    QJsonArray list;
    while (q->next())
        list.append(category_json(read_category(*q)));
    return reply_t::success(list);
}

reply_t api::create_classify(const request_t& r) {
    const QString business = r.text("clientBusinessType");
    const QString name = r.text("classifyName").trimmed();
    auto scope = scope_of(r, business);
    if (!valid_business(business) || !scope || name.isEmpty() || name.size() > max_name_length)
        return reply_t::bad();
    scope->name = name;
    const bool attachments = is_attachments(*scope);
    if (!attachments && !can_write(r.user, *scope))
        return reply_t::forbidden();

    transaction tx(store_, true);
    qint64 parent = -1;
    const QString superior = r.text("superiorId");
    if (!superior.isEmpty() && superior != QLatin1String("-1")) {
        const auto parent_id = parse_id(superior);
        const auto parent_category = parent_id ? load_category(tx, *parent_id) : std::nullopt;
        if (!parent_category || !same_scope(*parent_category, *scope))
            return tx.ok() ? reply_t::failure(codes::not_found, QStringLiteral("上级分类不存在"))
                           : reply_t::internal();
        parent = *parent_id;
        if (auto refusal = refuse_depth(tx, business, 1, parent))
            return *refusal;
    }
    if (attachments) {
        // One attachments category for everybody, however many clients ask.
        QVariantList binds{business};
        const QString filter = scope_filter(*scope, binds);
        binds << name;
        auto q = tx.run(QStringLiteral("SELECT ") + category_columns +
                            QStringLiteral(" FROM categories c WHERE c.business_type = ? AND ") +
                            filter + QStringLiteral(" AND c.name = ?"),
                        binds);
        if (q && q->next())
            return reply_t::success(category_json(read_category(*q)));
    }
    category_t c = *scope;
    c.super_id = parent;
    c.sort = next_sort(tx, QStringLiteral("categories"), QStringLiteral("super_id"), parent);
    const QString id = tx.insert(
        QStringLiteral("INSERT INTO categories (super_id, name, business_type, classify_type,"
                       " dept_id, owner_id, sort, unfold) VALUES (?, ?, ?, ?, ?, ?, ?, 0)"),
        {c.super_id, c.name, c.business, QString::number(static_cast<int>(c.scope)), c.dept,
         c.owner, c.sort});
    if (id.isEmpty() || !tx.commit())
        return reply_t::internal();
    c.id = id.toLongLong();
    return reply_t::success(category_json(c));
}

bool api::delete_category_tree(transaction& tx, qint64 root) {
    const QList<qint64> ids = subtree(tx, root);
    for (const char* table : {"scripts", "stickers", "docs"}) {
        QVariantList binds;
        const QString list = in_list(ids, binds);
        tx.run(QStringLiteral("DELETE FROM %1 WHERE classify_id IN ").arg(QLatin1String(table)) +
                   list,
               binds);
    }
    QVariantList binds;
    const QString list = in_list(ids, binds);
    tx.run(QStringLiteral("DELETE FROM categories WHERE id IN ") + list, binds);
    return tx.ok();
}

std::optional<qint64> api::copy_category_tree(transaction& tx, const category_t& source,
                                              const category_t& target_scope, qint64 new_parent,
                                              const user_t& user) {
    const QString scope_text = QString::number(static_cast<int>(target_scope.scope));
    const qint64 sort =
        next_sort(tx, QStringLiteral("categories"), QStringLiteral("super_id"), new_parent);
    const QString new_id = tx.insert(
        QStringLiteral("INSERT INTO categories (super_id, name, business_type, classify_type,"
                       " dept_id, owner_id, sort, unfold) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        {new_parent, source.name, source.business, scope_text, target_scope.dept,
         target_scope.owner, sort, source.unfold});
    if (new_id.isEmpty())
        return std::nullopt;
    const qint64 copy = new_id.toLongLong();
    const QVariantList item_binds{copy,       user.account, user.account,
                                  now_text(), now_text(),   source.id};
    tx.run(QStringLiteral("INSERT INTO scripts (classify_id, keywords, content, custom_shortcuts,"
                          " sort, creator, updater, created, updated) SELECT ?, keywords, content,"
                          " custom_shortcuts, sort, ?, ?, ?, ? FROM scripts WHERE classify_id = ?"),
           item_binds);
    tx.run(
        QStringLiteral("INSERT INTO stickers (classify_id, emoji_type, emoji_content, description,"
                       " keywords, file_id, sort, valid_status, creator, updater, created, updated)"
                       " SELECT ?, emoji_type, emoji_content, description, keywords, file_id, sort,"
                       " valid_status, ?, ?, ?, ? FROM stickers WHERE classify_id = ?"),
        item_binds);
    tx.run(
        QStringLiteral("INSERT INTO docs (classify_id, file_content, file_name, file_suffix,"
                       " file_size, file_type, keywords, custom_shortcuts, file_id, sort,"
                       " valid_status, creator, updater, created, updated) SELECT ?, file_content,"
                       " file_name, file_suffix, file_size, file_type, keywords, custom_shortcuts,"
                       " file_id, sort, valid_status, ?, ?, ?, ? FROM docs WHERE classify_id = ?"),
        item_binds);
    QList<category_t> children;
    if (auto q = tx.run(QStringLiteral("SELECT ") + category_columns +
                            QStringLiteral(" FROM categories WHERE super_id = ? ORDER BY sort, id"),
                        {source.id}))
        while (q->next())
            children << read_category(*q);
    for (const category_t& child : children)
        if (child.id != copy && !copy_category_tree(tx, child, target_scope, copy, user))
            return std::nullopt;
    if (!tx.ok())
        return std::nullopt;
    return copy;
}

bool api::move_category_tree(transaction& tx, const category_t& source,
                             const category_t& target_scope, qint64 new_parent) {
    const QList<qint64> ids = subtree(tx, source.id);
    QVariantList binds{QString::number(static_cast<int>(target_scope.scope)), target_scope.dept,
                       target_scope.owner};
    const QString list = in_list(ids, binds);
    tx.run(QStringLiteral(
               "UPDATE categories SET classify_type = ?, dept_id = ?, owner_id = ? WHERE id IN ") +
               list,
           binds);
    const qint64 sort =
        next_sort(tx, QStringLiteral("categories"), QStringLiteral("super_id"), new_parent);
    tx.run(QStringLiteral("UPDATE categories SET super_id = ?, sort = ? WHERE id = ?"),
           {new_parent, sort, source.id});
    return tx.ok();
}

reply_t api::edit_classify(const request_t& r) {
    const auto id = r.id("id");
    if (!id)
        return reply_t::bad();
    transaction tx(store_, true);
    auto c = load_category(tx, *id);
    if (!c)
        return tx.ok() ? reply_t::missing() : reply_t::internal();
    if (!can_read(r.user, *c))
        return reply_t::missing(); // other people's categories do not exist for this user
    const QString op = r.text("operateType");
    namespace edit = protocol::edit_category;

    if (is_one_of(op, {edit::rename, edit::remove})) {
        if (!can_write(r.user, *c))
            return reply_t::forbidden();
        if (is_code(op, edit::rename)) {
            const QString name = r.text("classifyName").trimmed();
            if (name.isEmpty() || name.size() > max_name_length)
                return reply_t::bad();
            c->name = name;
            if (r.has("whetherToUnfold"))
                c->unfold = r.text("whetherToUnfold").toInt() != 0 ? 1 : 0;
            tx.run(QStringLiteral("UPDATE categories SET name = ?, unfold = ? WHERE id = ?"),
                   {c->name, c->unfold, c->id});
        } else if (!delete_category_tree(tx, c->id)) {
            return reply_t::internal();
        }
        if (!tx.commit())
            return reply_t::internal();
        return reply_t::success(category_json(*c));
    }

    if (!is_one_of(op, {edit::copy, edit::move}))
        return reply_t::bad();
    // Copy or move into another place, possibly another library part.
    category_t target;
    target.business = c->business;
    const auto p = parse_part(r.text("classifyType"));
    if (!p)
        return reply_t::bad();
    target.scope = *p;
    if (*p == part::dept) {
        const auto dept = r.id("deptId");
        if (!dept || *dept <= 0)
            return reply_t::bad();
        target.dept = *dept;
    }
    if (*p == part::personal)
        target.owner = r.user.id;
    if (!can_write(r.user, target) || (is_code(op, edit::move) && !can_write(r.user, *c)))
        return reply_t::forbidden();

    qint64 parent = -1;
    const QString super_text = r.text("superId");
    if (!super_text.isEmpty() && super_text != QLatin1String("-1")) {
        const auto parent_id = parse_id(super_text);
        const auto parent_category = parent_id ? load_category(tx, *parent_id) : std::nullopt;
        if (!parent_category || !same_scope(*parent_category, target))
            return tx.ok() ? reply_t::failure(codes::not_found, QStringLiteral("目标分类不存在"))
                           : reply_t::internal();
        parent = *parent_id;
    }
    if (subtree(tx, c->id).contains(parent))
        return reply_t::bad(QStringLiteral("不能移动到自身或下级分类"));
    if (auto refusal =
            refuse_depth(tx, c->business, height_of(tx, c->id, max_depth(c->business)), parent))
        return *refusal;
    if (is_code(op, edit::copy))
        if (auto refusal = refuse_copy_size(tx, c->id))
            return *refusal;

    qint64 result_id = c->id;
    if (is_code(op, edit::copy)) {
        const auto copy = copy_category_tree(tx, *c, target, parent, r.user);
        if (!copy)
            return reply_t::internal();
        result_id = *copy;
    } else if (!move_category_tree(tx, *c, target, parent)) {
        return reply_t::internal();
    }
    const auto result = load_category(tx, result_id);
    if (!result || !tx.commit())
        return reply_t::internal();
    return reply_t::success(category_json(*result));
}

reply_t api::classify_sort(const request_t& r) {
    const auto id = r.id("id");
    const QStringList order = r.id_list("siblingIdsInNewOrder");
    if (!id)
        return reply_t::bad();
    transaction tx(store_, true);
    const auto c = load_category(tx, *id);
    if (!c || !can_read(r.user, *c))
        return tx.ok() ? reply_t::missing() : reply_t::internal();
    if (!can_write(r.user, *c))
        return reply_t::forbidden();
    qint64 parent = -1;
    const QString super_text = r.text("newSuperId");
    if (!super_text.isEmpty() && super_text != QLatin1String("-1")) {
        const auto parent_id = parse_id(super_text);
        const auto parent_category = parent_id ? load_category(tx, *parent_id) : std::nullopt;
        if (!parent_category || !same_scope(*parent_category, *c))
            return reply_t::missing();
        parent = *parent_id;
    }
    if (parent != c->super_id) {
        if (subtree(tx, c->id).contains(parent))
            return reply_t::bad(QStringLiteral("不能移动到自身或下级分类"));
        if (auto refusal =
                refuse_depth(tx, c->business, height_of(tx, c->id, max_depth(c->business)), parent))
            return *refusal;
    }
    tx.run(QStringLiteral("UPDATE categories SET super_id = ? WHERE id = ?"), {parent, c->id});
    // The list names the new siblings, each once; anything else is a stale
    // or forged view and changes nothing.
    QVariantList binds{c->business};
    const QString filter = scope_filter(*c, binds);
    binds << parent;
    const auto ids = ids_once(
        order,
        id_set(tx,
               QStringLiteral("SELECT c.id FROM categories c WHERE c.business_type = ? AND ") +
                   filter + QStringLiteral(" AND c.super_id = ?"),
               binds));
    if (!ids)
        return tx.ok() ? reply_t::bad(QStringLiteral("排序数据不一致")) : reply_t::internal();
    renumber(tx, "categories", *ids);
    if (!tx.commit())
        return reply_t::internal();
    return reply_t::success();
}

// ---- scripts ----

QJsonObject api::script_json(const QSqlQuery& q) const {
    const bool dept = is_code(q.value(5).toString(), protocol::part_dept);
    return {{"id", q.value(0).toString()},
            {"speechContentKeywords", q.value(1).toString()},
            {"speechContent", q.value(2).toString()},
            {"deptId", dept ? q.value(3).toString() : QString()},
            {"classifyId", q.value(4).toString()},
            {"classifyType", q.value(5).toString()},
            {"customShortcuts", q.value(6).toString()},
            {"sort", q.value(7).toLongLong()},
            {"creatorAccount", q.value(8).toString()},
            {"lastUpdateAccount", q.value(9).toString()},
            {"createTime", q.value(10).toString()},
            {"lastUpdateDate", q.value(11).toString()}};
}

std::optional<QJsonObject> api::load_script(transaction& tx, qint64 id, category_t* category) {
    auto q = tx.run(script_select + QStringLiteral(" WHERE s.id = ?"), {id});
    if (!q || !q->next())
        return std::nullopt;
    const QJsonObject script = script_json(*q);
    const auto c = load_category(tx, q->value(4).toLongLong());
    if (!c)
        return std::nullopt;
    *category = *c;
    return script;
}

reply_t api::query_speech(const request_t& r) {
    QVariantList binds;
    QString where = QStringLiteral(" WHERE c.business_type = ") + sql_code(business::scripts);
    if (!r.text("classifyId").isEmpty()) {
        const auto classify = r.id("classifyId");
        transaction check(store_, false);
        const auto c = classify ? load_category(check, *classify) : std::nullopt;
        if (!c || !can_read(r.user, *c) || !is_code(c->business, business::scripts))
            return check.ok() ? reply_t::missing() : reply_t::internal();
        where += QStringLiteral(" AND s.classify_id = ?");
        binds << *classify;
    } else {
        const QString type = r.text("classifyType");
        const bool any = type.isEmpty();
        QStringList scopes;
        const QString part_is = QStringLiteral("c.classify_type = ");
        if (any || is_code(type, protocol::part_pub))
            scopes << part_is + sql_code(protocol::part_pub);
        if (any || is_code(type, protocol::part_personal)) {
            scopes << QLatin1Char('(') + part_is + sql_code(protocol::part_personal) +
                          QStringLiteral(" AND c.owner_id = ?)");
            binds << r.user.id;
        }
        if (any || is_code(type, protocol::part_dept)) {
            const QString dept_part = part_is + sql_code(protocol::part_dept);
            if (!r.text("deptId").isEmpty()) {
                const auto dept = r.id("deptId");
                if (!dept || !r.user.can_read_dept(*dept))
                    return reply_t::forbidden();
                scopes << QLatin1Char('(') + dept_part + QStringLiteral(" AND c.dept_id = ?)");
                binds << *dept;
            } else if (r.user.is_admin()) {
                scopes << dept_part;
            } else {
                scopes << QLatin1Char('(') + dept_part + QStringLiteral(" AND c.dept_id IN ") +
                              in_list(r.user.readable_depts(), binds) + QLatin1Char(')');
            }
        }
        if (scopes.isEmpty())
            return reply_t::bad();
        where += QStringLiteral(" AND (") + scopes.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    }
    if (!r.text("speechContent").isEmpty()) {
        where += QStringLiteral(" AND s.content LIKE ? ESCAPE '\\'");
        binds << like_pattern(r.text("speechContent"));
    }
    // Keywords are searched here rather than in SQL: the visible text, the
    // colour prefix and pinyin are beyond LIKE. A search sorts only what it
    // found: sorting the whole part in SQL cost more than the search itself.
    const QString keywords = r.text("speechContentKeywords");
    const QString order = QStringLiteral(" ORDER BY s.classify_id, s.sort, s.id");
    transaction tx(store_, false);
    auto q = tx.run(script_select + where + (keywords.isEmpty() ? order : QString()), binds);
    if (!q)
        return reply_t::internal();
    QJsonArray list;
    if (keywords.isEmpty()) {
        while (q->next())
            list.append(script_json(*q));
        return reply_t::success(list);
    }
    struct found_t {
        std::array<qint64, 3> key; // category, sort, id
        QJsonObject script;
    };
    std::vector<found_t> found;
    const script_search search(keywords, pinyin_table::shared());
    while (q->next()) {
        const qint64 id = q->value(0).toLongLong();
        if (search.matches(id, q->value(1).toString(), q->value(2).toString(),
                           script_text_cache::shared()))
            found.push_back(
                {{q->value(4).toLongLong(), q->value(7).toLongLong(), id}, script_json(*q)});
    }
    std::sort(found.begin(), found.end(),
              [](const found_t& a, const found_t& b) { return a.key < b.key; });
    for (const found_t& f : found)
        list.append(f.script);
    return reply_t::success(list);
}

reply_t api::create_speech(const request_t& r) {
    const auto classify = r.id("classifyId");
    if (!classify)
        return reply_t::bad();
    transaction tx(store_, true);
    const auto c = load_category(tx, *classify);
    if (!c || !can_read(r.user, *c) || !is_code(c->business, business::scripts))
        return tx.ok() ? reply_t::missing() : reply_t::internal();
    if (!can_write(r.user, *c))
        return reply_t::forbidden();
    const qint64 sort =
        next_sort(tx, QStringLiteral("scripts"), QStringLiteral("classify_id"), c->id);
    const QString now = now_text();
    const QString id =
        tx.insert(QStringLiteral(
                      "INSERT INTO scripts (classify_id, keywords, content, custom_shortcuts, sort,"
                      " creator, updater, created, updated) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                  {c->id, r.text("speechContentKeywords"), r.text("speechContent"),
                   r.text("customShortcuts"), sort, r.user.account, r.user.account, now, now});
    category_t stored;
    const auto script = id.isEmpty() ? std::nullopt : load_script(tx, id.toLongLong(), &stored);
    if (!script || !tx.commit())
        return reply_t::internal();
    return reply_t::success(*script);
}

reply_t api::edit_speech(const request_t& r) {
    const auto id = r.id("id");
    if (!id)
        return reply_t::bad();
    transaction tx(store_, true);
    category_t source;
    const auto script = load_script(tx, *id, &source);
    if (!script || !can_read(r.user, source))
        return tx.ok() ? reply_t::missing() : reply_t::internal();
    const QString op = r.text("operateType");
    namespace edit = protocol::edit_script;
    const bool writes_source = is_one_of(op, {edit::change, edit::remove, edit::move});
    if (!is_one_of(op, {edit::change, edit::remove, edit::copy, edit::move}))
        return reply_t::bad();
    if (writes_source && !can_write(r.user, source))
        return reply_t::forbidden();

    if (is_code(op, edit::remove)) {
        tx.run(QStringLiteral("DELETE FROM scripts WHERE id = ?"), {*id});
        tx.run(QStringLiteral("DELETE FROM quick_replies WHERE script_id = ?"), {*id});
        if (!tx.commit())
            return reply_t::internal();
        return reply_t::success(*script);
    }

    // The target category: given for copy and move, optional for a change.
    category_t target = source;
    if (!r.text("classifyId").isEmpty()) {
        reply_t failure;
        const auto chosen = transfer_target(tx, r, QLatin1String(business::scripts), &failure);
        if (!chosen)
            return failure;
        target = *chosen;
    } else if (!is_code(op, edit::change)) {
        return reply_t::bad();
    }

    qint64 result_id = *id;
    const QString now = now_text();
    const qint64 sort =
        next_sort(tx, QStringLiteral("scripts"), QStringLiteral("classify_id"), target.id);
    if (is_code(op, edit::change)) {
        tx.run(QStringLiteral("UPDATE scripts SET keywords = ?, content = ?, custom_shortcuts = ?,"
                              " updater = ?, updated = ? WHERE id = ?"),
               {r.text("speechContentKeywords"), r.text("speechContent"),
                r.has("customShortcuts")
                    ? r.text("customShortcuts")
                    : script->value(QStringLiteral("customShortcuts")).toString(),
                r.user.account, now, *id});
        if (target.id != source.id)
            tx.run(QStringLiteral("UPDATE scripts SET classify_id = ?, sort = ? WHERE id = ?"),
                   {target.id, sort, *id});
    } else if (is_code(op, edit::copy)) {
        const QString copy = tx.insert(
            QStringLiteral("INSERT INTO scripts (classify_id, keywords, content, custom_shortcuts,"
                           " sort, creator, updater, created, updated) SELECT ?, keywords, content,"
                           " custom_shortcuts, ?, ?, ?, ?, ? FROM scripts WHERE id = ?"),
            {target.id, sort, r.user.account, r.user.account, now, now, *id});
        if (copy.isEmpty())
            return reply_t::internal();
        result_id = copy.toLongLong();
    } else if (target.id != source.id) {
        tx.run(
            QStringLiteral("UPDATE scripts SET classify_id = ?, sort = ?, updater = ?, updated = ?"
                           " WHERE id = ?"),
            {target.id, sort, r.user.account, now, *id});
    }
    category_t stored;
    const auto result = load_script(tx, result_id, &stored);
    if (!result || !tx.commit())
        return reply_t::internal();
    return reply_t::success(*result);
}

reply_t api::speech_sort(const request_t& r) {
    const auto id = r.id("id");
    const auto target_id = r.id("newClassifyId");
    const QStringList order = r.id_list("siblingIdsInNewOrder");
    if (!id || !target_id)
        return reply_t::bad();
    transaction tx(store_, true);
    category_t source;
    const auto script = load_script(tx, *id, &source);
    const auto target = load_category(tx, *target_id);
    if (!script || !target || !can_read(r.user, source) || !can_read(r.user, *target) ||
        !is_code(target->business, business::scripts))
        return tx.ok() ? reply_t::missing() : reply_t::internal();
    if (!can_write(r.user, source) || !can_write(r.user, *target))
        return reply_t::forbidden();
    tx.run(QStringLiteral("UPDATE scripts SET classify_id = ? WHERE id = ?"), {target->id, *id});
    // Clients list the rows as shown: the category's scripts and its
    // sub-categories, each once. Sub-categories keep their own order, so only
    // the scripts are renumbered.
    QSet<qint64> scripts =
        id_set(tx, QStringLiteral("SELECT id FROM scripts WHERE classify_id = ?"), {target->id});
    QSet<qint64> children =
        id_set(tx, QStringLiteral("SELECT id FROM categories WHERE super_id = ?"), {target->id});
    QList<QPair<int, qint64>> sorted;
    for (int i = 0; i < order.size(); ++i) {
        const auto sibling = parse_id(order[i]);
        if (sibling && scripts.remove(*sibling))
            sorted << qMakePair(i + 1, *sibling);
        else if (!sibling || !children.remove(*sibling))
            return tx.ok() ? reply_t::bad(QStringLiteral("排序数据不一致")) : reply_t::internal();
    }
    for (const auto& [sort, script] : sorted)
        tx.run(QStringLiteral("UPDATE scripts SET sort = ? WHERE id = ?"), {sort, script});
    if (!tx.commit())
        return reply_t::internal();
    return reply_t::success();
}

} // namespace quorvel::server
