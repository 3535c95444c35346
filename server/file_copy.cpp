#include "file_copy.h"

#include <QFile>
#include <QList>
#include <QPair>
#include <spdlog/spdlog.h>

namespace quorvel::server {

namespace {

using file_row_t = QPair<qint64, QString>; // id, sha256

QList<file_row_t> file_rows(storage& store) {
    QList<file_row_t> rows;
    transaction tx(store, false);
    if (auto q = tx.run(QStringLiteral("SELECT id, sha256 FROM files ORDER BY id")))
        while (q->next())
            rows.append({q->value(0).toLongLong(), q->value(1).toString()});
    return rows;
}

enum class outcome { copied, skipped, failed };

outcome to_database(storage& store, const file_store& directory, const file_row_t& row) {
    transaction tx(store, true);
    if (has_file_chunks(tx, row.first))
        return outcome::skipped;
    QFile in(directory.path_of(row.first));
    if (!in.open(QIODevice::ReadOnly))
        return outcome::failed;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!write_file_chunks(tx, row.first, in, &hash) ||
        QString::fromLatin1(hash.result().toHex()) != row.second)
        return outcome::failed;
    return tx.commit() ? outcome::copied : outcome::failed;
}

outcome to_directory(storage& store, const file_store& directory, const file_row_t& row) {
    const QString target = directory.path_of(row.first);
    if (QFile::exists(target))
        return outcome::skipped;
    auto source = open_file_chunks(store, row.first);
    if (!source)
        return outcome::failed;
    auto sink = directory.begin_upload();
    for (qint64 at = 0; at < source->size();) {
        const QByteArray piece = source->read(at, file_chunk_bytes);
        if (piece.isEmpty() || !sink->write(piece.constData(), static_cast<size_t>(piece.size())))
            return outcome::failed;
        at += piece.size();
    }
    sink->close();
    if (sink->sha256_hex() != row.second || !QFile::rename(sink->temp_path(), target))
        return outcome::failed;
    return outcome::copied;
}

} // namespace

copy_report_t copy_file_store(storage& store, const QString& data_dir, copy_direction direction) {
    const file_store directory(data_dir, file_store_kind::directory);
    copy_report_t report;
    for (const file_row_t& row : file_rows(store)) {
        const outcome result = direction == copy_direction::to_database
                                   ? to_database(store, directory, row)
                                   : to_directory(store, directory, row);
        if (result == outcome::copied)
            ++report.copied;
        else if (result == outcome::skipped)
            ++report.skipped;
        else {
            ++report.failed;
            spdlog::error("file {} was not copied: missing or not matching its SHA-256", row.first);
        }
    }
    return report;
}

} // namespace quorvel::server
