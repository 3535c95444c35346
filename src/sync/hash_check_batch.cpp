#include "sync/hash_check_batch.h"

#include "app/app_paths.h"
#include "net/blocking_requests.h"

#include <QDebug>
#include <spdlog/spdlog.h>

namespace quorvel {

QList<download_task_spt> hash_check_batch::filter(const QList<download_task_spt>& tasks) {
    pool_.run(jobs(tasks));
    return kept();
}

QList<request_pool::job_t> hash_check_batch::jobs(const QList<download_task_spt>& tasks) {
    tasks_ = tasks;
    checked_.clear();
    for (const download_task_spt& task : tasks)
        if (task->kind != 0)
            checked_ << task;
    verdicts_.assign(static_cast<size_t>(checked_.size()), verdict_t::unchecked);
    remote_hashes_.assign(verdicts_.size(), QString());
    QList<request_pool::job_t> jobs;
    for (int i = 0; i < checked_.size(); ++i)
        jobs << [this, i](http_client& client) {
            const download_task_spt& task = checked_[i];
            QString remote, message;
            if (!query_file_sha256(client, task->remote, &remote, &message)) {
                qDebug() << task->remote + ", error : " + message;
                spdlog::warn("query file detial failed: {}", message.toStdString());
                verdicts_[size_t(i)] = verdict_t::failed;
                return;
            }
            const QString local = file_sha256(task->local_path);
            if (remote == local) {
                verdicts_[size_t(i)] = verdict_t::current;
                return;
            }
            qDebug() << "remote hash: " + remote + ", local hash: " + local;
            spdlog::warn("hash not equal {} : {}", remote.toStdString(), local.toStdString());
            remote_hashes_[size_t(i)] = remote;
            verdicts_[size_t(i)] = verdict_t::stale;
        };
    return jobs;
}

QList<download_task_spt> hash_check_batch::kept() const {
    QList<download_task_spt> kept;
    int next_checked = 0;
    for (const download_task_spt& task : tasks_) {
        if (task->kind == 0) {
            kept << task;
            continue;
        }
        const size_t i = size_t(next_checked++);
        if (verdicts_[i] != verdict_t::stale)
            continue;
        task->sha256 = remote_hashes_[i]; // what the download must turn out to be
        kept << task;
    }
    return kept;
}

} // namespace quorvel
