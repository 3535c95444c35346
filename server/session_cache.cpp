#include "session_cache.h"

#include "storage.h"

#include <QSqlQuery>
#include <QThread>
#include <memory>

namespace quorvel::server {

std::optional<user_t> session_cache::find(const QByteArray& digest, qint64 generation, qint64 now) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = index_.constFind(digest);
    if (it == index_.constEnd())
        return std::nullopt;
    const lru_t::iterator entry = it.value();
    if (entry->generation != generation || entry->expires_at <= now || generation < 0) {
        erase(entry);
        return std::nullopt;
    }
    lru_.splice(lru_.begin(), lru_, entry);
    return entry->user;
}

void session_cache::store(const QByteArray& digest, const user_t& user, qint64 expires_at,
                          qint64 generation) {
    if (generation < 0 || capacity_ == 0)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (const auto old = index_.constFind(digest); old != index_.constEnd())
        erase(old.value());
    while (lru_.size() >= capacity_)
        erase(std::prev(lru_.end()));
    lru_.push_front({digest, user, expires_at, generation});
    index_.insert(digest, lru_.begin());
}

size_t session_cache::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lru_.size();
}

void session_cache::erase(lru_t::iterator it) {
    index_.remove(it->digest);
    lru_.erase(it);
}

namespace {

// A statement prepared once per thread and store: the connection is the
// thread's own and lives as long as the process.
struct prepared_generation_t {
    const storage* store = nullptr;
    std::unique_ptr<QSqlQuery> query;
};

} // namespace

qint64 read_generation(storage& store) {
    thread_local prepared_generation_t prepared;
    if (prepared.store != &store || !prepared.query) {
        QSqlDatabase db = store.connection();
        if (!db.isOpen())
            return -1;
        auto query = std::make_unique<QSqlQuery>(db);
        query->setForwardOnly(true);
        if (!query->prepare(QStringLiteral("SELECT value FROM generation WHERE id = 1")))
            return -1;
        prepared = {&store, std::move(query)};
    }
    QSqlQuery& query = *prepared.query;
    if (!query.exec() || !query.next()) {
        // A broken connection is opened again on the next request.
        prepared.query.reset();
        return -1;
    }
    const qint64 value = query.value(0).toLongLong();
    query.finish(); // no read transaction stays open on the connection
    return value;
}

} // namespace quorvel::server
