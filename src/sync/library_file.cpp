#include "sync/library_file.h"

#include "app/app_paths.h"
#include "model/data_center.h"
#include "model/record_json.h"
#include "model/session_state.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>
#include <map>
#include <spdlog/spdlog.h>
#include <tuple>
#include <variant>

namespace quorvel {

namespace {

// What a row of the records table holds.
enum class kind_t { category = 0, doc_category, script, sticker, doc, phrase, quick_reply, app };

// A record by value: the store updates some records in place, so a save
// written on another thread must not share them.
using record_t = std::variant<category_node_t, script_node_t, sticker_node_t, doc_node_t,
                              phrase_node_t, quick_reply_node_t, QStringList>;

struct row_t {
    kind_t kind;
    int library = -1;
    int part = -1;
    QString dept;
    QString owner; // parent category, category of an item, or the map key
    record_t record;
};

const char* const schema[] = {
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT)",
    "CREATE TABLE IF NOT EXISTS records(kind INTEGER, library INTEGER, part INTEGER, "
    "dept TEXT, owner TEXT, body BLOB)",
};

QByteArray compact(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QJsonObject object_of(const QByteArray& body) {
    return QJsonDocument::fromJson(body).object();
}

template <class Record> QByteArray body_of(const Record& record) {
    return compact(to_json(record));
}
QByteArray body_of(const QStringList& names) { // an app's window classes
    return QJsonDocument(QJsonArray::fromStringList(names)).toJson(QJsonDocument::Compact);
}
QByteArray body_of(const record_t& record) {
    return std::visit([](const auto& r) { return body_of(r); }, record);
}

// One connection of its own per use: the file may be opened from several
// threads and by several objects at once.
class connection {
public:
    // Never read-only: after a crash in a save, the first reader rolls the
    // interrupted transaction back, which needs write access.
    explicit connection(const QString& path)
        : name_(QStringLiteral("library_file_%1").arg(++counter())) {
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db_.setDatabaseName(path);
        ok_ = db_.open();
    }
    ~connection() {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
    bool ok() const { return ok_; }
    QSqlDatabase& db() { return db_; }
    QString error() const { return db_.lastError().text(); }

private:
    static std::atomic<int>& counter() {
        static std::atomic<int> n{0};
        return n;
    }
    QString name_;
    QSqlDatabase db_;
    bool ok_ = false;
};

bool create_schema(QSqlDatabase& db) {
    QSqlQuery q(db);
    for (const char* statement : schema)
        if (!q.exec(QLatin1String(statement)))
            return false;
    return true;
}

bool put_meta(QSqlDatabase& db, const QString& key, const QString& value) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO meta(key, value) VALUES(?, ?)"));
    q.addBindValue(key);
    q.addBindValue(value);
    return q.exec();
}

// The file holds the whole library and a password hash: the owner's alone,
// whatever the process's file mode mask, before anything is written, and so
// is its folder.
void prepare_private_file(const QString& path) {
    constexpr QFile::Permissions rw =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    constexpr QFile::Permissions x = QFile::ExeOwner | QFile::ExeUser;
    const QString folder = QFileInfo(path).absolutePath();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, rw | x);
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly)) // SQLite takes an empty file as new
        file.close();
    QFile::setPermissions(path, rw);
}

// ---- the store as rows ----

void add_tree_rows(QList<row_t>& rows, kind_t kind, int library, int part, const QString& dept,
                   const category_tree_t& tree) {
    for (auto it = tree.constBegin(); it != tree.constEnd(); ++it)
        for (const category_node_spt& child : it->children)
            if (child)
                rows.append({kind, library, part, dept, it.key(), *child});
}

template <class Map> void add_item_rows(QList<row_t>& rows, kind_t kind, const Map& items) {
    for (auto it = items.constBegin(); it != items.constEnd(); ++it)
        for (const auto& item : it.value())
            if (item)
                rows.append({kind, -1, -1, QString(), it.key(), *item});
}

template <class Hash> void add_keyed_rows(QList<row_t>& rows, kind_t kind, const Hash& items) {
    for (auto it = items.constBegin(); it != items.constEnd(); ++it)
        if (it.value())
            rows.append({kind, -1, -1, QString(), it.key(), *it.value()});
}

QList<row_t> rows_of(const data_center& store) {
    QList<row_t> rows;
    for (library_kind library : {library_kind::scripts, library_kind::stickers}) {
        for (int part = 0; part < protocol::part_count; ++part) {
            const bool by_dept = part == int(protocol::part::dept);
            const QStringList depts =
                by_dept ? store.tree_departments(library) : QStringList{QString()};
            for (const QString& dept : depts)
                if (const category_tree_t* tree = store.category_tree(library, part, dept))
                    add_tree_rows(rows, kind_t::category, int(library), part, dept, *tree);
        }
    }
    add_tree_rows(rows, kind_t::doc_category, int(library_kind::documents), -1, QString(),
                  store.doc_categories());
    add_item_rows(rows, kind_t::script, store.scripts_by_category());
    add_item_rows(rows, kind_t::sticker, store.stickers_by_category());
    add_item_rows(rows, kind_t::doc, store.docs_by_category());
    add_keyed_rows(rows, kind_t::phrase, store.phrases());
    add_keyed_rows(rows, kind_t::quick_reply, store.quick_replies());
    const auto& apps = store.supported_apps();
    for (auto it = apps.constBegin(); it != apps.constEnd(); ++it)
        rows.append({kind_t::app, -1, -1, QString(), it.key(), it.value()});
    return rows;
}

QHash<QString, QString> meta_of(const data_center& store) {
    QHash<QString, QString> meta;
    meta.insert(QStringLiteral("account"), session_state::instance().account());
    meta.insert(QStringLiteral("profile"),
                session_state::instance().login_user()
                    ? QString::fromUtf8(compact(to_json(*session_state::instance().login_user())))
                    : QString());
    meta.insert(QStringLiteral("version_info"),
                store.version_info() ? QString::fromUtf8(compact(to_json(*store.version_info())))
                                     : QString());
    meta.insert(QStringLiteral("attachments_category"),
                store.attachments_category() ? store.attachments_category()->id : QString());
    meta.insert(QStringLiteral("dept_id"), session_state::instance().dept_id());
    meta.insert(QStringLiteral("sticker_dept_id"), store.sticker_dept_id());
    meta.insert(QStringLiteral("saved_at"), QDateTime::currentDateTime().toString(Qt::ISODate));
    return meta;
}

// ---- rows back into the store ----

using tree_key_t = std::tuple<int, int, QString>;

struct loaded_t {
    std::map<tree_key_t, category_tree_t> trees;
    category_tree_t doc_categories;
    script_map_t scripts;
    sticker_map_t stickers;
    doc_map_t docs;
    QHash<QString, phrase_node_spt> phrases;
    QHash<QString, quick_reply_node_spt> quick_replies;
    QHash<QString, QStringList> apps;
};

void add_child(category_tree_t& tree, const QString& parent, const category_node_spt& node) {
    tree[parent].children.append(node);
    tree[node->id].node = node;
}

void read_row(loaded_t& out, kind_t kind, int library, int part, const QString& dept,
              const QString& owner, const QByteArray& body) {
    switch (kind) {
    case kind_t::category:
        add_child(out.trees[{library, part, dept}], owner,
                  category_node_t::from_json(object_of(body)));
        break;
    case kind_t::doc_category:
        add_child(out.doc_categories, owner, category_node_t::from_json(object_of(body)));
        break;
    case kind_t::script:
        out.scripts[owner].append(script_node_t::from_json(object_of(body)));
        break;
    case kind_t::sticker:
        out.stickers[owner].append(sticker_node_t::from_json(object_of(body)));
        break;
    case kind_t::doc:
        out.docs[owner].append(doc_node_t::from_json(object_of(body)));
        break;
    case kind_t::phrase:
        out.phrases.insert(owner, phrase_node_t::from_json(object_of(body)));
        break;
    case kind_t::quick_reply:
        out.quick_replies.insert(owner, quick_reply_node_t::from_json(object_of(body)));
        break;
    case kind_t::app: {
        QStringList names;
        for (const QJsonValue& v : QJsonDocument::fromJson(body).array())
            names << v.toString();
        out.apps.insert(owner, names);
        break;
    }
    }
}

void fill_store(data_center& store, const loaded_t& in, const QHash<QString, QString>& meta) {
    const QJsonObject profile = object_of(meta.value(QStringLiteral("profile")).toUtf8());
    session_state::instance().set_login_user(user_login_info_t::from_json(profile));
    session_state::instance().set_dept_id(meta.value(QStringLiteral("dept_id")));
    for (const auto& [key, tree] : in.trees)
        store.replace_category_tree(library_kind(std::get<0>(key)), std::get<1>(key),
                                    std::get<2>(key), tree);
    store.replace_category_tree(library_kind::documents, -1, QString(), in.doc_categories);
    store.replace_scripts(in.scripts);
    store.replace_stickers(in.stickers);
    store.merge_docs(in.docs);
    store.replace_phrases(in.phrases);
    store.replace_quick_replies(in.quick_replies);
    store.replace_supported_apps(in.apps);
    store.set_sticker_dept_id(meta.value(QStringLiteral("sticker_dept_id")));
    const QByteArray version = meta.value(QStringLiteral("version_info")).toUtf8();
    if (!version.isEmpty())
        store.set_version_info(version_update_info_t::from_json(object_of(version)));
    const QString attachments = meta.value(QStringLiteral("attachments_category"));
    if (!attachments.isEmpty())
        store.set_attachments_category(in.doc_categories.value(attachments).node);
}

} // namespace

struct library_snapshot::data_t {
    QList<row_t> rows;
    QHash<QString, QString> meta;
};

library_snapshot library_snapshot::of(const data_center& store) {
    library_snapshot snapshot;
    snapshot.data_ = std::make_shared<const data_t>(data_t{rows_of(store), meta_of(store)});
    return snapshot;
}

library_file::library_file(QString path) : path_(std::move(path)) {}

QString library_file::path_for(const QString& account, const QString& root) {
    const QString base = root.isEmpty() ? app_paths::instance().root() : root;
    const QByteArray digest =
        QCryptographicHash::hash(account.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    return QDir(base).filePath(QStringLiteral("offline/") + QString::fromLatin1(digest) +
                               QStringLiteral(".db"));
}

bool library_file::exists() const {
    return QFileInfo::exists(path_);
}

bool library_file::save(const data_center& store, const step_hook_t& hook) {
    return save(library_snapshot::of(store), hook);
}

bool library_file::save(const library_snapshot& snapshot, const step_hook_t& hook) {
    if (!snapshot.data_) {
        error_ = QStringLiteral("no library to save");
        return false;
    }
    const QList<row_t>& rows = snapshot.data_->rows;
    const QHash<QString, QString>& meta = snapshot.data_->meta;
    prepare_private_file(path_);
    connection c(path_);
    if (!c.ok() || !create_schema(c.db()) || !c.db().transaction()) {
        error_ = c.error();
        spdlog::warn("save offline library failed, reason: {}", error_.toStdString());
        return false;
    }
    int step = 0;
    const int last_step = rows.size() + 2; // BEGIN, DELETE, each row, the meta rows
    const auto next = [&] {
        if (hook)
            hook(step, last_step);
        ++step;
    };
    bool ok = true;
    {
        QSqlQuery q(c.db());
        next();
        ok = q.exec(QStringLiteral("DELETE FROM records"));
        next();
        ok = ok && q.prepare(QStringLiteral("INSERT INTO records(kind, library, part, dept, "
                                            "owner, body) VALUES(?, ?, ?, ?, ?, ?)"));
        for (int i = 0; ok && i < rows.size(); ++i) {
            const row_t& row = rows[i];
            q.addBindValue(int(row.kind));
            q.addBindValue(row.library);
            q.addBindValue(row.part);
            q.addBindValue(row.dept);
            q.addBindValue(row.owner);
            q.addBindValue(body_of(row.record));
            ok = q.exec();
            next();
        }
        for (auto it = meta.constBegin(); ok && it != meta.constEnd(); ++it)
            ok = put_meta(c.db(), it.key(), it.value());
        next();
        if (!ok)
            error_ = q.lastError().text();
    }
    if (!ok || !c.db().commit()) {
        if (error_.isEmpty())
            error_ = c.error();
        c.db().rollback();
        spdlog::warn("save offline library failed, reason: {}", error_.toStdString());
        return false;
    }
    spdlog::info("offline library saved with {} records", rows.size());
    return true;
}

QString library_file::meta(const QString& key) const {
    if (!exists())
        return {};
    connection c(path_);
    if (!c.ok())
        return {};
    QSqlQuery q(c.db());
    q.prepare(QStringLiteral("SELECT value FROM meta WHERE key = ?"));
    q.addBindValue(key);
    return q.exec() && q.next() ? q.value(0).toString() : QString();
}

bool library_file::has_library() const {
    return !saved_at().isEmpty();
}

QString library_file::saved_at() const {
    return meta(QStringLiteral("saved_at"));
}

QString library_file::account() const {
    return meta(QStringLiteral("account"));
}

QString library_file::password_hash() const {
    return meta(QStringLiteral("password_hash"));
}

bool library_file::set_password_hash(const QString& hash) {
    prepare_private_file(path_);
    connection c(path_);
    const bool ok =
        c.ok() && create_schema(c.db()) && put_meta(c.db(), QStringLiteral("password_hash"), hash);
    if (!ok)
        error_ = c.error();
    return ok;
}

bool library_file::load_into(data_center& store) const {
    if (!exists()) {
        error_ = QStringLiteral("no library file");
        return false;
    }
    connection c(path_);
    QHash<QString, QString> meta;
    loaded_t loaded;
    {
        QSqlQuery q(c.db());
        q.setForwardOnly(true);
        if (!c.ok() || !q.exec(QStringLiteral("SELECT key, value FROM meta"))) {
            error_ = c.ok() ? q.lastError().text() : c.error();
            return false;
        }
        while (q.next())
            meta.insert(q.value(0).toString(), q.value(1).toString());
        if (meta.value(QStringLiteral("saved_at")).isEmpty()) {
            error_ = QStringLiteral("no library saved");
            return false;
        }
        if (!q.exec(QStringLiteral(
                "SELECT kind, library, part, dept, owner, body FROM records ORDER BY rowid"))) {
            error_ = q.lastError().text();
            return false;
        }
        while (q.next())
            read_row(loaded, kind_t(q.value(0).toInt()), q.value(1).toInt(), q.value(2).toInt(),
                     q.value(3).toString(), q.value(4).toString(), q.value(5).toByteArray());
    }
    fill_store(store, loaded, meta);
    return true;
}

} // namespace quorvel
