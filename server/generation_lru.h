#pragma once

#include <QByteArray>
#include <QHash>
#include <list>
#include <mutex>
#include <optional>

namespace quorvel::server {

// Values keyed by bytes, each valid only at the store's generation it was
// stored at; the least recently used go first when the costs of the entries
// would pass the capacity. Thread-safe.
template <class value_t> class generation_lru {
public:
    explicit generation_lru(size_t capacity) : capacity_(capacity) {}

    // The value stored under key at this generation, when `usable` says yes
    // to it. Any other entry met is dropped: it will not be asked for again.
    template <class usable_t>
    std::optional<value_t> find(const QByteArray& key, qint64 generation, usable_t usable) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = index_.constFind(key);
        if (it == index_.constEnd())
            return std::nullopt;
        const typename lru_t::iterator entry = it.value();
        if (entry->generation != generation || !usable(entry->value)) {
            erase(entry);
            return std::nullopt;
        }
        lru_.splice(lru_.begin(), lru_, entry);
        return entry->value;
    }

    // Replaces what key held, then drops the least recently used entries
    // until the new one fits; one that costs more than the capacity is not kept.
    void store(const QByteArray& key, qint64 generation, value_t value, size_t cost) {
        if (cost > capacity_)
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (const auto old = index_.constFind(key); old != index_.constEnd())
            erase(old.value());
        while (!lru_.empty() && used_ + cost > capacity_)
            erase(std::prev(lru_.end()));
        used_ += cost;
        lru_.push_front({key, generation, std::move(value), cost});
        index_.insert(key, lru_.begin());
    }

    // The summed costs of the entries held.
    size_t used() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return used_;
    }

    size_t size() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lru_.size();
    }

private:
    struct entry_t {
        QByteArray key;
        qint64 generation;
        value_t value;
        size_t cost;
    };
    using lru_t = std::list<entry_t>; // most recently used first

    void erase(typename lru_t::iterator it) {
        used_ -= it->cost;
        index_.remove(it->key);
        lru_.erase(it);
    }

    mutable std::mutex mutex_;
    lru_t lru_;
    QHash<QByteArray, typename lru_t::iterator> index_;
    size_t capacity_;
    size_t used_ = 0;
};

} // namespace quorvel::server
