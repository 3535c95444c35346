#pragma once

#include "sync/cache_manager.h"
#include "sync/request_pool.h"

#include <QList>

namespace quorvel {

// The hash checks before the start-up downloads: every file-store task's
// remote SHA-256 is asked for and compared with its cached file's, six at a
// time like the downloads. Addresses (kind 0) are always fetched again.
class hash_check_batch {
public:
    hash_check_batch() = default;
    explicit hash_check_batch(int width) : pool_(width) {}

    // The tasks still to download, in the order given. A task whose query
    // failed is dropped; a kept file-store task carries the remote hash.
    QList<download_task_spt> filter(const QList<download_task_spt>& tasks);
    void stop() { pool_.stop(); }
    http_client::state_t state() const { return pool_.state(); }

    // Lower-case hex SHA-256 of a file; empty when it is missing or unreadable.
    static QString local_sha256(const QString& path);

private:
    request_pool pool_;
};

} // namespace quorvel
