#include "reply_cache.h"

namespace quorvel::server {

reply_cache::bytes_t reply_cache::find(const QByteArray& key, qint64 generation) {
    return lru_.find(key, generation, [](const bytes_t&) { return true; }).value_or(nullptr);
}

void reply_cache::store(const QByteArray& key, qint64 generation, bytes_t bytes) {
    if (!bytes)
        return;
    const size_t size = static_cast<size_t>(key.size()) + bytes->size();
    if (size > capacity_ / 4)
        return;
    lru_.store(key, generation, std::move(bytes), size);
}

size_t reply_cache::used() const {
    return lru_.used();
}

} // namespace quorvel::server
