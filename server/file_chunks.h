#pragma once

#include "storage.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QIODevice>
#include <memory>

namespace quorvel::server {

// Bytes of a stored file, read piece by piece so that no file is held whole.
class file_source {
public:
    virtual ~file_source() = default;
    virtual qint64 size() const = 0;
    // Up to max bytes from offset; empty on failure or at the end.
    virtual QByteArray read(qint64 offset, qint64 max) = 0;
};

// Files kept in the database as rows of file_chunks, so that every server
// sharing the database serves every file and no instance keeps a disk of its
// own. One chunk is the most a transfer holds in memory.
constexpr qint64 file_chunk_bytes = 1 << 20;

// Stores everything readable from in as the chunks of file id, hashing on the
// way when hash is given. False when reading or a row fails.
bool write_file_chunks(transaction& tx, qint64 id, QIODevice& in, QCryptographicHash* hash);

// Whether file id has its bytes in the database (an empty file has no chunk,
// and counts as present).
bool has_file_chunks(transaction& tx, qint64 id);

// A reader of file id's chunks; null when the file is unknown or its bytes are
// missing.
std::unique_ptr<file_source> open_file_chunks(storage& store, qint64 id);

} // namespace quorvel::server
