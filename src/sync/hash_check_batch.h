#pragma once

#include "sync/cache_manager.h"
#include "sync/request_pool.h"

#include <QList>
#include <vector>

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

    // The same in two steps, for checks that run on another pool: one job
    // per file-store task, then, once the jobs have run, what filter would
    // have returned (a task whose job never ran is dropped). The batch must
    // outlive its jobs.
    QList<request_pool::job_t> jobs(const QList<download_task_spt>& tasks);
    QList<download_task_spt> kept() const;
    void stop() { pool_.stop(); }
    http_client::state_t state() const { return pool_.state(); }

private:
    enum class verdict_t { unchecked, current, stale, failed };

    request_pool pool_;
    QList<download_task_spt> tasks_;
    QList<download_task_spt> checked_; // the file-store tasks among them
    // One slot per checked task, each written by the job of that task only.
    std::vector<verdict_t> verdicts_;
    std::vector<QString> remote_hashes_;
};

} // namespace quorvel
