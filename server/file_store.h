#pragma once

#include "file_chunks.h"
#include "storage.h"

#include <QCryptographicHash>
#include <QFile>
#include <QString>
#include <memory>
#include <optional>

namespace quorvel::server {

// Who may read a stored file (the files table's is_public column).
enum class file_kind {
    user = 0,   // the uploader, administrators, and readers of an item showing it
    shared = 1, // every logged-in user: script attachments, installers
    report = 2  // administrators only: the clients' crash dumps and logs
};

// The kind of file an upload route (its whole path) stores, or nullopt.
std::optional<file_kind> upload_kind(const QString& path);

// What the uploader said about a file.
struct file_meta_t {
    qint64 owner_id = 0;
    QString account;
    int account_type = 1;
    file_kind kind = file_kind::user;
    QString client_path; // the name as the client sent it, possibly a full path
};

// A file being received: written to a temporary file while it streams in,
// hashed on the way.
class upload_sink {
public:
    explicit upload_sink(const QString& temp_dir);
    ~upload_sink();
    bool ok() const { return ok_; }
    bool write(const char* data, size_t size);
    qint64 size() const { return size_; }
    QString sha256_hex() const;
    QString temp_path() const { return file_.fileName(); }
    void close() { file_.close(); }

private:
    QFile file_;
    QCryptographicHash hash_{QCryptographicHash::Sha256};
    qint64 size_ = 0;
    bool ok_ = false;
};

// Where the bytes of stored files live. The directory suits one server; the
// database lets any number of servers share every file.
enum class file_store_kind { directory, database };

// Parses "directory" or "database"; empty gives the engine's default (the
// directory for SQLite, the database for PostgreSQL).
std::optional<file_store_kind> parse_file_store_option(const QString& value, db_engine engine);

// The file store: files described in the files table, their bytes in one file
// per id below <data>/files or in the database. Uploads arrive in <data>/files/tmp
// either way, so a slow sender holds no database transaction.
class file_store {
public:
    explicit file_store(const QString& data_dir, file_store_kind kind = file_store_kind::directory);
    bool init(QString* error);
    file_store_kind kind() const { return kind_; }

    // Where a directory store keeps file id.
    QString path_of(qint64 id) const;
    // The bytes of file id, wherever this store keeps them; null when missing.
    std::unique_ptr<file_source> open_file(storage& store, qint64 id) const;
    std::unique_ptr<upload_sink> begin_upload() const;

    // Records a received file and moves it to its place; nullopt on failure.
    std::optional<qint64> commit_upload(transaction& tx, upload_sink& sink,
                                        const file_meta_t& meta);
    // Stores bytes held in memory (demo data, installers given on the command line).
    std::optional<qint64> store_bytes(transaction& tx, const QByteArray& bytes,
                                      const file_meta_t& meta);

    // The base name of a client path ("C:\\a\\b.png" gives "b.png"); empty when
    // the name is unusable ("", ".", "..", NUL bytes, over 255 characters).
    static QString safe_base_name(const QString& client_path);

private:
    bool place(transaction& tx, upload_sink& sink, qint64 id);

    QString dir_;
    file_store_kind kind_;
};

} // namespace quorvel::server
