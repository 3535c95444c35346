#pragma once

#include "api_support.h"
#include "generation_lru.h"

#include <QByteArray>
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
    explicit session_cache(size_t capacity = 4096) : lru_(capacity) {}

    // The user of the token digest, when read at this generation and unexpired.
    std::optional<user_t> find(const QByteArray& digest, qint64 generation, qint64 now);
    // `generation` must have been read before the user was: a write that lands
    // in between then makes the entry a miss rather than a stale hit.
    void store(const QByteArray& digest, const user_t& user, qint64 expires_at, qint64 generation);
    size_t size() const;

private:
    struct session_t {
        user_t user;
        qint64 expires_at;
    };
    generation_lru<session_t> lru_; // one entry costs one
};

// The store's generation in one statement on the calling thread's connection,
// without a transaction around it; -1 when it cannot be read.
qint64 read_generation(storage& store);

} // namespace quorvel::server
