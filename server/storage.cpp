#include "storage.h"

#include <QSqlError>
#include <QStringList>
#include <QThread>
#include <QUrlQuery>
#include <QUuid>
#include <spdlog/spdlog.h>

namespace quorvel::server {

namespace {

// Schema, with {ID} for an auto-incrementing key that never reuses values and
// {BLOB} for bytes.
const char* const schema[] = {
    "CREATE TABLE IF NOT EXISTS departments (id {ID}, parent_id BIGINT NOT NULL DEFAULT 0,"
    " name TEXT NOT NULL, status TEXT NOT NULL DEFAULT '0')",
    "CREATE TABLE IF NOT EXISTS roles (id {ID}, name TEXT NOT NULL, role_key TEXT NOT NULL UNIQUE,"
    " data_scope TEXT NOT NULL DEFAULT '1')",
    "CREATE TABLE IF NOT EXISTS users (id {ID}, account TEXT NOT NULL UNIQUE,"
    " user_name TEXT NOT NULL, password_hash TEXT NOT NULL, dept_id BIGINT NOT NULL DEFAULT 0,"
    " admin_type INTEGER NOT NULL DEFAULT 0, account_type INTEGER NOT NULL DEFAULT 1,"
    " email TEXT NOT NULL DEFAULT '', phone TEXT NOT NULL DEFAULT '', sex TEXT NOT NULL DEFAULT "
    "'0',"
    " avatar TEXT NOT NULL DEFAULT '')",
    "CREATE TABLE IF NOT EXISTS user_roles (user_id BIGINT NOT NULL, role_id BIGINT NOT NULL,"
    " PRIMARY KEY (user_id, role_id))",
    "CREATE TABLE IF NOT EXISTS user_dept_rights (user_id BIGINT NOT NULL, dept_id BIGINT NOT NULL,"
    " role_id BIGINT NOT NULL, PRIMARY KEY (user_id, dept_id, role_id))",
    "CREATE TABLE IF NOT EXISTS tokens (token_hash TEXT PRIMARY KEY, user_id BIGINT NOT NULL,"
    " expires_at BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS categories (id {ID}, super_id BIGINT NOT NULL,"
    " name TEXT NOT NULL, business_type TEXT NOT NULL, classify_type TEXT NOT NULL,"
    " dept_id BIGINT NOT NULL DEFAULT 0, owner_id BIGINT NOT NULL DEFAULT 0,"
    " sort BIGINT NOT NULL DEFAULT 0, unfold INTEGER NOT NULL DEFAULT 0)",
    "CREATE INDEX IF NOT EXISTS categories_scope ON categories (business_type, classify_type,"
    " dept_id, owner_id)",
    "CREATE TABLE IF NOT EXISTS scripts (id {ID}, classify_id BIGINT NOT NULL,"
    " keywords TEXT NOT NULL, content TEXT NOT NULL, custom_shortcuts TEXT NOT NULL DEFAULT '',"
    " sort BIGINT NOT NULL DEFAULT 0, creator TEXT NOT NULL DEFAULT '',"
    " updater TEXT NOT NULL DEFAULT '', created TEXT NOT NULL DEFAULT '',"
    " updated TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX IF NOT EXISTS scripts_category ON scripts (classify_id, sort)",
    "CREATE TABLE IF NOT EXISTS files (id {ID}, owner_id BIGINT NOT NULL, account TEXT NOT NULL,"
    " account_type INTEGER NOT NULL DEFAULT 1, is_public INTEGER NOT NULL DEFAULT 0,"
    " local_name TEXT NOT NULL, local_path TEXT NOT NULL, suffix TEXT NOT NULL,"
    " size BIGINT NOT NULL, mime TEXT NOT NULL, sha256 TEXT NOT NULL, created TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS file_chunks (file_id BIGINT NOT NULL, seq BIGINT NOT NULL,"
    " data {BLOB} NOT NULL, PRIMARY KEY (file_id, seq))",
    "CREATE TABLE IF NOT EXISTS stickers (id {ID}, classify_id BIGINT NOT NULL,"
    " emoji_type TEXT NOT NULL, emoji_content TEXT NOT NULL DEFAULT '',"
    " description TEXT NOT NULL DEFAULT '', keywords TEXT NOT NULL DEFAULT '',"
    " file_id BIGINT NOT NULL DEFAULT 0, sort BIGINT NOT NULL DEFAULT 0,"
    " valid_status INTEGER NOT NULL DEFAULT 0, creator TEXT NOT NULL DEFAULT '',"
    " updater TEXT NOT NULL DEFAULT '', created TEXT NOT NULL DEFAULT '',"
    " updated TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX IF NOT EXISTS stickers_category ON stickers (classify_id, sort)",
    "CREATE TABLE IF NOT EXISTS docs (id {ID}, classify_id BIGINT NOT NULL,"
    " file_content TEXT NOT NULL DEFAULT '', file_name TEXT NOT NULL DEFAULT '',"
    " file_suffix TEXT NOT NULL DEFAULT '', file_size BIGINT NOT NULL DEFAULT 0,"
    " file_type TEXT NOT NULL DEFAULT '0', keywords TEXT NOT NULL DEFAULT '',"
    " custom_shortcuts TEXT NOT NULL DEFAULT '', file_id BIGINT NOT NULL DEFAULT 0,"
    " sort BIGINT NOT NULL DEFAULT 0, valid_status INTEGER NOT NULL DEFAULT 0,"
    " creator TEXT NOT NULL DEFAULT '', updater TEXT NOT NULL DEFAULT '',"
    " created TEXT NOT NULL DEFAULT '', updated TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX IF NOT EXISTS docs_category ON docs (classify_id, sort)",
    "CREATE TABLE IF NOT EXISTS phrases (id {ID}, user_id BIGINT NOT NULL,"
    " content TEXT NOT NULL, sort BIGINT NOT NULL DEFAULT 0,"
    " valid_status INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS quick_replies (id {ID}, user_id BIGINT NOT NULL,"
    " script_id BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS config (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
    // The management page: one-time links, browser sessions, switched-off accounts.
    "CREATE TABLE IF NOT EXISTS web_links (token_hash TEXT PRIMARY KEY, user_id BIGINT NOT NULL,"
    " expires_at BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS web_sessions (session_hash TEXT PRIMARY KEY,"
    " user_id BIGINT NOT NULL, csrf TEXT NOT NULL, expires_at BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS disabled_users (user_id BIGINT PRIMARY KEY)",
    "CREATE TABLE IF NOT EXISTS generation (id INTEGER PRIMARY KEY, value BIGINT NOT NULL)",
    "INSERT INTO generation (id, value) SELECT 1, 0 WHERE NOT EXISTS (SELECT 1 FROM generation)",
};

QString engine_sql(db_engine engine, QString sql) {
    sql.replace(QLatin1String("{BLOB}"),
                engine == db_engine::sqlite ? QLatin1String("BLOB") : QLatin1String("BYTEA"));
    return sql.replace(QLatin1String("{ID}"),
                       engine == db_engine::sqlite
                           ? QLatin1String("INTEGER PRIMARY KEY AUTOINCREMENT")
                           : QLatin1String("BIGSERIAL PRIMARY KEY"));
}

} // namespace

std::optional<db_config_t> parse_db_option(const QString& value, const QString& data_dir,
                                           QString* error) {
    db_config_t config;
    if (value.isEmpty() || value == QLatin1String("sqlite")) {
        config.engine = db_engine::sqlite;
        config.sqlite_path = data_dir + QStringLiteral("/quorvel.db");
        return config;
    }
    const QUrl url(value);
    if (url.isValid() && (url.scheme() == QLatin1String("postgresql") ||
                          url.scheme() == QLatin1String("postgres"))) {
        config.engine = db_engine::postgresql;
        config.postgres_url = url;
        return config;
    }
    *error = QStringLiteral("--db takes \"sqlite\" or a postgresql:// URL");
    return std::nullopt;
}

storage::storage(db_config_t config)
    : config_(std::move(config)),
      instance_tag_(QUuid::createUuid().toString(QUuid::Id128).left(8)) {}

storage::~storage() = default;

QString storage::connection_name() const {
    return QStringLiteral("quorvel_%1_%2")
        .arg(instance_tag_)
        .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

QSqlDatabase storage::connection() {
    const QString name = connection_name();
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name);
    QSqlDatabase db;
    if (config_.engine == db_engine::sqlite) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(config_.sqlite_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    } else {
        const QUrl& url = config_.postgres_url;
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(url.host().isEmpty() ? QStringLiteral("localhost") : url.host());
        db.setPort(url.port(5432));
        db.setDatabaseName(url.path().mid(1));
        db.setUserName(url.userName());
        db.setPassword(url.password());
    }
    if (!db.open()) {
        spdlog::error("database open failed: {}", db.lastError().text().toStdString());
        return db;
    }
    if (config_.engine == db_engine::sqlite) {
        QSqlQuery pragma(db);
        pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        pragma.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        pragma.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    }
    return db;
}

bool storage::open(QString* error) {
    QSqlDatabase db = connection();
    if (!db.isOpen()) {
        *error = db.lastError().text();
        return false;
    }
    return migrate(db, error);
}

bool storage::migrate(QSqlDatabase& db, QString* error) {
    auto lock = write_lock();
    for (const char* statement : schema) {
        QSqlQuery query(db);
        if (!query.exec(engine_sql(config_.engine, QString::fromLatin1(statement)))) {
            *error = query.lastError().text();
            return false;
        }
    }
    if (config_.engine == db_engine::postgresql)
        return store_chunks_uncompressed(db, error);
    return true;
}

// File chunks are mostly compressed already (images, installers, archives):
// PostgreSQL's attempt to compress each again only costs time.
bool storage::store_chunks_uncompressed(QSqlDatabase& db, QString* error) {
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("SELECT attstorage FROM pg_attribute WHERE attrelid ="
                                  " 'file_chunks'::regclass AND attname = 'data'")) &&
        query.next() && query.value(0).toString() == QLatin1String("e"))
        return true;
    if (!query.exec(
            QStringLiteral("ALTER TABLE file_chunks ALTER COLUMN data SET STORAGE EXTERNAL"))) {
        *error = query.lastError().text();
        return false;
    }
    return true;
}

std::unique_lock<std::mutex> storage::write_lock() {
    if (config_.engine == db_engine::sqlite)
        return std::unique_lock<std::mutex>(write_mutex_);
    return {};
}

transaction::transaction(storage& store, bool writes)
    : store_(store), db_(store.connection()), writes_(writes) {
    if (writes)
        lock_ = store_.write_lock();
    if (!db_.isOpen()) {
        ok_ = false;
        error_ = db_.lastError().text();
        return;
    }
    QSqlQuery begin(db_);
    const bool immediate = writes && store_.engine() == db_engine::sqlite;
    open_ = begin.exec(immediate ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    if (!open_) {
        ok_ = false;
        error_ = begin.lastError().text();
    }
}

transaction::~transaction() {
    if (open_) {
        QSqlQuery rollback(db_);
        rollback.exec(QStringLiteral("ROLLBACK"));
    }
}

std::optional<QSqlQuery> transaction::run(const QString& sql, const QVariantList& binds) {
    if (!ok_)
        return std::nullopt;
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        ok_ = false;
        error_ = query.lastError().text();
        spdlog::error("sql prepare failed: {} ({})", error_.toStdString(), sql.toStdString());
        return std::nullopt;
    }
    for (const QVariant& value : binds) {
        // A null text would be stored as SQL NULL; the columns hold empty text instead.
        if (value.type() == QVariant::String && value.toString().isNull())
            query.addBindValue(QString(QLatin1String("")));
        else
            query.addBindValue(value);
    }
    if (!query.exec()) {
        ok_ = false;
        error_ = query.lastError().text();
        spdlog::error("sql failed: {} ({})", error_.toStdString(), sql.toStdString());
        return std::nullopt;
    }
    return query;
}

QVariant transaction::scalar(const QString& sql, const QVariantList& binds) {
    auto query = run(sql, binds);
    if (query && query->next())
        return query->value(0);
    return {};
}

qint64 transaction::generation() {
    return scalar(QStringLiteral("SELECT value FROM generation WHERE id = 1")).toLongLong();
}

QString transaction::insert(const QString& sql, const QVariantList& binds) {
    const QVariant id = scalar(sql + QStringLiteral(" RETURNING id"), binds);
    return id.isValid() ? id.toString() : QString();
}

bool transaction::commit() {
    if (!ok_ || !open_)
        return false;
    if (writes_ && bumps_generation_ &&
        !run(QStringLiteral("UPDATE generation SET value = value + 1 WHERE id = 1")))
        return false;
    QSqlQuery query(db_);
    if (!query.exec(QStringLiteral("COMMIT"))) {
        ok_ = false;
        error_ = query.lastError().text();
        return false;
    }
    open_ = false;
    return true;
}

} // namespace quorvel::server
