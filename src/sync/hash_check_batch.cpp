#include "sync/hash_check_batch.h"

#include "net/blocking_requests.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFile>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

enum class verdict_t { unchecked, current, stale, failed };

} // namespace

QString hash_check_batch::local_sha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

QList<download_task_spt> hash_check_batch::filter(const QList<download_task_spt>& tasks) {
    QList<download_task_spt> checked;
    for (const download_task_spt& task : tasks)
        if (task->kind != 0)
            checked << task;
    // One slot per checked task, each written by the job of that task only.
    std::vector<verdict_t> verdicts(static_cast<size_t>(checked.size()), verdict_t::unchecked);
    std::vector<QString> remote_hashes(verdicts.size());
    QList<request_pool::job_t> jobs;
    for (int i = 0; i < checked.size(); ++i)
        jobs << [&, i](http_client& client) {
            const download_task_spt& task = checked[i];
            QString remote, message;
            if (!query_file_sha256(client, task->remote, &remote, &message)) {
                qDebug() << task->remote + ", error : " + message;
                spdlog::warn("query file detial failed: {}", message.toStdString());
                verdicts[size_t(i)] = verdict_t::failed;
                return;
            }
            const QString local = local_sha256(task->local_path);
            if (remote == local) {
                verdicts[size_t(i)] = verdict_t::current;
                return;
            }
            qDebug() << "remote hash: " + remote + ", local hash: " + local;
            spdlog::warn("hash not equal {} : {}", remote.toStdString(), local.toStdString());
            remote_hashes[size_t(i)] = remote;
            verdicts[size_t(i)] = verdict_t::stale;
        };
    pool_.run(jobs);

    QList<download_task_spt> kept;
    int next_checked = 0;
    for (const download_task_spt& task : tasks) {
        if (task->kind == 0) {
            kept << task;
            continue;
        }
        const size_t i = size_t(next_checked++);
        if (verdicts[i] != verdict_t::stale)
            continue;
        task->sha256 = remote_hashes[i]; // what the download must turn out to be
        kept << task;
    }
    return kept;
}

} // namespace quorvel
