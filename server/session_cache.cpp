#include "session_cache.h"

#include "storage.h"

#include <QSqlQuery>
#include <QThread>
#include <memory>

namespace quorvel::server {

std::optional<user_t> session_cache::find(const QByteArray& digest, qint64 generation, qint64 now) {
    // Nothing is stored at an unreadable generation, so -1 matches no entry.
    const auto session =
        lru_.find(digest, generation, [now](const session_t& s) { return s.expires_at > now; });
    return session ? std::optional<user_t>(session->user) : std::nullopt;
}

void session_cache::store(const QByteArray& digest, const user_t& user, qint64 expires_at,
                          qint64 generation) {
    if (generation < 0)
        return;
    lru_.store(digest, generation, session_t{user, expires_at}, 1);
}

size_t session_cache::size() const {
    return lru_.size();
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
