#include "reply_cache.h"

namespace quorvel::server {

reply_cache::bytes_t reply_cache::find(const QByteArray& key, qint64 generation) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = index_.constFind(key);
    if (it == index_.constEnd())
        return nullptr;
    const lru_t::iterator entry = it.value();
    if (entry->generation != generation) {
        // Written over since; it will not be asked for again.
        erase(entry);
        return nullptr;
    }
    lru_.splice(lru_.begin(), lru_, entry);
    return entry->bytes;
}

void reply_cache::store(const QByteArray& key, qint64 generation, bytes_t bytes) {
    if (!bytes)
        return;
    entry_t fresh{key, generation, std::move(bytes)};
    if (fresh.size() > capacity_ / 4)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (const auto old = index_.constFind(key); old != index_.constEnd())
        erase(old.value());
    while (!lru_.empty() && used_ + fresh.size() > capacity_)
        erase(std::prev(lru_.end()));
    used_ += fresh.size();
    lru_.push_front(std::move(fresh));
    index_.insert(key, lru_.begin());
}

size_t reply_cache::used() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return used_;
}

void reply_cache::erase(lru_t::iterator it) {
    used_ -= it->size();
    index_.remove(it->key);
    lru_.erase(it);
}

} // namespace quorvel::server
