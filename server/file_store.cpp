#include "file_store.h"

#include "protocol/routes.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QUuid>

namespace quorvel::server {

QString now_text();

upload_sink::upload_sink(const QString& temp_dir)
    : file_(temp_dir +
            QStringLiteral("/upload-%1.part").arg(QUuid::createUuid().toString(QUuid::Id128))) {
    ok_ = file_.open(QIODevice::WriteOnly);
}

upload_sink::~upload_sink() {
    // A sink that was not committed leaves nothing behind.
    if (file_.exists())
        file_.remove();
}

bool upload_sink::write(const char* data, size_t size) {
    if (!ok_)
        return false;
    if (file_.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size)) {
        ok_ = false;
        return false;
    }
    hash_.addData(data, static_cast<int>(size));
    size_ += static_cast<qint64>(size);
    return true;
}

QString upload_sink::sha256_hex() const {
    return QString::fromLatin1(hash_.result().toHex());
}

namespace {

class disk_source : public file_source {
public:
    explicit disk_source(const QString& path) : file_(path) {}
    bool open() { return file_.open(QIODevice::ReadOnly); }
    qint64 size() const override { return file_.size(); }
    QByteArray read(qint64 offset, qint64 max) override {
        if (!file_.seek(offset))
            return {};
        return file_.read(max);
    }

private:
    QFile file_;
};

} // namespace

std::optional<file_store_kind> parse_file_store_option(const QString& value, db_engine engine) {
    if (value.isEmpty())
        return engine == db_engine::postgresql ? file_store_kind::database
                                               : file_store_kind::directory;
    if (value == QLatin1String("directory"))
        return file_store_kind::directory;
    if (value == QLatin1String("database"))
        return file_store_kind::database;
    return std::nullopt;
}

file_store::file_store(const QString& data_dir, file_store_kind kind)
    : dir_(data_dir + QStringLiteral("/files")), kind_(kind) {}

bool file_store::init(QString* error) {
    if (!QDir().mkpath(dir_ + QStringLiteral("/tmp"))) {
        *error = QStringLiteral("cannot create %1").arg(dir_);
        return false;
    }
    // Leftovers of uploads cut off by a stop.
    QDir tmp(dir_ + QStringLiteral("/tmp"));
    for (const QString& name : tmp.entryList(QDir::Files))
        tmp.remove(name);
    return true;
}

QString file_store::path_of(qint64 id) const {
    return dir_ + QStringLiteral("/%1.bin").arg(id);
}

std::unique_ptr<file_source> file_store::open_file(storage& store, qint64 id) const {
    if (kind_ == file_store_kind::database)
        return open_file_chunks(store, id);
    auto source = std::make_unique<disk_source>(path_of(id));
    if (!source->open())
        return nullptr;
    return source;
}

std::unique_ptr<upload_sink> file_store::begin_upload() const {
    return std::make_unique<upload_sink>(dir_ + QStringLiteral("/tmp"));
}

QString file_store::safe_base_name(const QString& client_path) {
    QString name = client_path;
    const int cut = qMax(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    name = name.mid(cut + 1).trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QChar(0)) || name.size() > 255)
        return {};
    return name;
}

std::optional<file_kind> upload_kind(const QString& path) {
    if (path == QLatin1String(protocol::routes::upload_user_file.path))
        return file_kind::user;
    if (path == QLatin1String(protocol::routes::upload_public_file.path))
        return file_kind::shared;
    if (path == QLatin1String(protocol::routes::upload_report.path))
        return file_kind::report;
    return std::nullopt;
}

namespace {

// File ids are drawn at random so that nobody finds files by counting: 62
// bits, above every id an older sequential store handed out.
qint64 random_file_id() {
    return static_cast<qint64>((QRandomGenerator::system()->generate64() >> 2) |
                               (quint64(1) << 40));
}

std::optional<qint64> insert_file_row(transaction& tx, const file_meta_t& meta, qint64 size,
                                      const QString& sha256) {
    const QString base = file_store::safe_base_name(meta.client_path);
    const QFileInfo info(base);
    const QString suffix = info.suffix().toLower();
    const QString stem = info.suffix().isEmpty() ? base : info.completeBaseName();
    const QString mime =
        QMimeDatabase().mimeTypeForFile(base, QMimeDatabase::MatchExtension).name();
    const QString id = tx.insert(
        QStringLiteral("INSERT INTO files (id, owner_id, account, account_type, is_public,"
                       " local_name, local_path, suffix, size, mime, sha256, created)"
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {random_file_id(), meta.owner_id, meta.account, meta.account_type,
         static_cast<int>(meta.kind), stem, meta.client_path.left(1024), suffix, size, mime, sha256,
         now_text()});
    if (id.isEmpty())
        return std::nullopt;
    return id.toLongLong();
}

} // namespace

std::optional<qint64> file_store::commit_upload(transaction& tx, upload_sink& sink,
                                                const file_meta_t& meta) {
    sink.close();
    const auto id = insert_file_row(tx, meta, sink.size(), sink.sha256_hex());
    if (!id || !place(tx, sink, *id))
        return std::nullopt;
    return id;
}

bool file_store::place(transaction& tx, upload_sink& sink, qint64 id) {
    if (kind_ == file_store_kind::database) {
        // Streamed into the same transaction as the files row: both or neither.
        QFile received(sink.temp_path());
        return received.open(QIODevice::ReadOnly) && write_file_chunks(tx, id, received, nullptr);
    }
    QFile::remove(path_of(id));
    return QFile::rename(sink.temp_path(), path_of(id));
}

std::optional<qint64> file_store::store_bytes(transaction& tx, const QByteArray& bytes,
                                              const file_meta_t& meta) {
    auto sink = begin_upload();
    if (!sink->write(bytes.constData(), static_cast<size_t>(bytes.size())))
        return std::nullopt;
    return commit_upload(tx, *sink, meta);
}

} // namespace quorvel::server
