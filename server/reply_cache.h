#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>
#include <mutex>
#include <string>

namespace quorvel::server {

// Serialised replies of library reads, valid while the store's generation
// (bumped by every committed write, in any server process) is unchanged.
// The whole-library script list is large and asked for by every client at
// login; this turns repeats into a copy of bytes.
class reply_cache {
public:
    using bytes_t = std::shared_ptr<const std::string>;

    explicit reply_cache(size_t capacity_bytes) : capacity_(capacity_bytes) {}

    bytes_t find(const QByteArray& key, qint64 generation);
    void store(const QByteArray& key, qint64 generation, bytes_t bytes);

private:
    struct entry_t {
        qint64 generation;
        bytes_t bytes;
    };
    std::mutex mutex_;
    QHash<QByteArray, entry_t> entries_;
    size_t capacity_;
    size_t used_ = 0;
};

} // namespace quorvel::server
