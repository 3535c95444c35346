#include "file_chunks.h"

namespace quorvel::server {

namespace {

class chunk_source : public file_source {
public:
    chunk_source(storage& store, qint64 id, qint64 size) : store_(store), id_(id), size_(size) {}
    qint64 size() const override { return size_; }

    // A read stays inside one chunk; the caller asks again for the rest. The
    // last chunk read is kept, as a transfer reads on in smaller pieces.
    QByteArray read(qint64 offset, qint64 max) override {
        if (offset < 0 || offset >= size_ || max <= 0)
            return {};
        const qint64 seq = offset / file_chunk_bytes;
        if (seq != held_seq_) {
            transaction tx(store_, false);
            held_ = tx.scalar(QStringLiteral("SELECT data FROM file_chunks"
                                             " WHERE file_id = ? AND seq = ?"),
                              {id_, seq})
                        .toByteArray();
            held_seq_ = held_.isEmpty() ? -1 : seq;
        }
        return held_.mid(static_cast<int>(offset % file_chunk_bytes), static_cast<int>(max));
    }

private:
    storage& store_;
    qint64 id_;
    qint64 size_;
    qint64 held_seq_ = -1;
    QByteArray held_;
};

} // namespace

bool write_file_chunks(transaction& tx, qint64 id, QIODevice& in, QCryptographicHash* hash) {
    for (qint64 seq = 0;; ++seq) {
        const QByteArray chunk = in.read(file_chunk_bytes);
        if (chunk.isEmpty())
            return in.atEnd();
        if (hash)
            hash->addData(chunk);
        if (!tx.run(QStringLiteral("INSERT INTO file_chunks (file_id, seq, data) VALUES (?, ?, ?)"),
                    {id, seq, chunk}))
            return false;
    }
}

bool has_file_chunks(transaction& tx, qint64 id) {
    const QVariant size = tx.scalar(QStringLiteral("SELECT size FROM files WHERE id = ?"), {id});
    if (!size.isValid())
        return false;
    return size.toLongLong() == 0 ||
           tx.scalar(QStringLiteral("SELECT 1 FROM file_chunks WHERE file_id = ? AND seq = 0"),
                     {id})
               .isValid();
}

std::unique_ptr<file_source> open_file_chunks(storage& store, qint64 id) {
    transaction tx(store, false);
    if (!has_file_chunks(tx, id))
        return nullptr;
    const qint64 size =
        tx.scalar(QStringLiteral("SELECT size FROM files WHERE id = ?"), {id}).toLongLong();
    return std::make_unique<chunk_source>(store, id, size);
}

} // namespace quorvel::server
