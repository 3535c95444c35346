#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace quorvel::server {

// Serialised replies of library reads, valid while the store's generation
// (bumped by every committed write, in any server process) is unchanged.
// The whole-library script list is large and asked for by every client at
// login; this turns repeats into a copy of bytes. Keys and replies together
// stay within the capacity; the least recently used entries go first.
class reply_cache {
public:
    using bytes_t = std::shared_ptr<const std::string>;

    explicit reply_cache(size_t capacity_bytes) : capacity_(capacity_bytes) {}

    bytes_t find(const QByteArray& key, qint64 generation);
    void store(const QByteArray& key, qint64 generation, bytes_t bytes);
    // Bytes held by keys and replies.
    size_t used() const;

private:
    struct entry_t {
        QByteArray key;
        qint64 generation;
        bytes_t bytes;
        size_t size() const { return static_cast<size_t>(key.size()) + bytes->size(); }
    };
    using lru_t = std::list<entry_t>; // most recently used first

    void erase(lru_t::iterator it);

    mutable std::mutex mutex_;
    lru_t lru_;
    QHash<QByteArray, lru_t::iterator> index_;
    size_t capacity_;
    size_t used_ = 0;
};

} // namespace quorvel::server
