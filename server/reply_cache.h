#pragma once

#include "generation_lru.h"

#include <QByteArray>
#include <QString>
#include <memory>
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

    explicit reply_cache(size_t capacity_bytes) : lru_(capacity_bytes), capacity_(capacity_bytes) {}

    bytes_t find(const QByteArray& key, qint64 generation);
    void store(const QByteArray& key, qint64 generation, bytes_t bytes);
    // Bytes held by keys and replies.
    size_t used() const;

private:
    generation_lru<bytes_t> lru_; // costs: the bytes of key and reply
    size_t capacity_;
};

} // namespace quorvel::server
