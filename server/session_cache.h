#pragma once

#include "api_support.h"

#include <QByteArray>
#include <QHash>
#include <list>
#include <mutex>
#include <optional>

namespace quorvel::server {

class storage;

// The users behind recently seen tokens, so that an authenticated read costs
// no query for its token and rights. An entry holds only while the store's
// generation is the one it was read at: every committed write of any server
// process on the store (a changed password that deletes tokens, changed
// rights) bumps it. Expiry is checked on every hit, as the query would.
class session_cache {
public:
    explicit session_cache(size_t capacity = 4096) : capacity_(capacity) {}

    // The user of the token digest, when read at this generation and unexpired.
    std::optional<user_t> find(const QByteArray& digest, qint64 generation, qint64 now);
    // `generation` must have been read before the user was: a write that lands
    // in between then makes the entry a miss rather than a stale hit.
    void store(const QByteArray& digest, const user_t& user, qint64 expires_at, qint64 generation);
    size_t size() const;

private:
    struct entry_t {
        QByteArray digest;
        user_t user;
        qint64 expires_at;
        qint64 generation;
    };
    using lru_t = std::list<entry_t>; // most recently used first

    void erase(lru_t::iterator it);

    mutable std::mutex mutex_;
    lru_t lru_;
    QHash<QByteArray, lru_t::iterator> index_;
    size_t capacity_;
};

// The store's generation in one statement on the calling thread's connection,
// without a transaction around it; -1 when it cannot be read.
qint64 read_generation(storage& store);

} // namespace quorvel::server
