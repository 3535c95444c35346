#include "reply_cache.h"

namespace quorvel::server {

reply_cache::bytes_t reply_cache::find(const QByteArray& key, qint64 generation) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = entries_.constFind(key);
    if (it == entries_.constEnd() || it->generation != generation)
        return nullptr;
    return it->bytes;
}

void reply_cache::store(const QByteArray& key, qint64 generation, bytes_t bytes) {
    if (!bytes || bytes->size() > capacity_ / 4)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    // Entries of an older generation are dead; when full, start over.
    if (used_ + bytes->size() > capacity_) {
        entries_.clear();
        used_ = 0;
    }
    const auto old = entries_.constFind(key);
    if (old != entries_.constEnd())
        used_ -= old->bytes->size();
    used_ += bytes->size();
    entries_.insert(key, entry_t{generation, std::move(bytes)});
}

} // namespace quorvel::server
