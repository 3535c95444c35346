#include "sync/script_files.h"

#include "app/app_paths.h"
#include "sync/batch_download.h"
#include "sync/cache_manager.h"

#include <QFileInfo>
#include <spdlog/spdlog.h>

namespace quorvel {

void fetch_missing_script_files(const QString& html, QObject* context, std::function<void()> done) {
    auto script = script_node_spt::create();
    script->speechContent = html;
    QList<download_task_spt> missing;
    for (const download_task_spt& task : make_script_tasks(script))
        if (!task->local_path.isEmpty() && !QFileInfo::exists(task->local_path))
            missing << task;
    if (missing.isEmpty()) {
        done();
        return;
    }
    spdlog::info("fetching {} missing files of a script before sending", missing.size());
    auto* download = new batch_download(context);
    download->set_max_parallel(3);
    download->set_root(app_paths::instance().cache_dir());
    QObject::connect(download, &batch_download::task_failed, download,
                     [](const QString& remote, const QString& error) {
                         spdlog::warn("file of a script not fetched: {}: {}", remote.toStdString(),
                                      error.toStdString());
                     });
    QObject::connect(download, &batch_download::all_tasks_finished, download,
                     [download, done = std::move(done)] {
                         download->deleteLater();
                         done();
                     });
    download->add_tasks(missing);
    download->start();
}

} // namespace quorvel
