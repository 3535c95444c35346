#include "integration/script_files.h"

#include "app/app_paths.h"
#include "integration/composition.h"
#include "sync/batch_download.h"
#include "sync/cache_manager.h"

#include <QFileInfo>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

// The downloads of the files the delivery would paste (links and images, not
// addresses in the text) that are not on disk.
QList<download_task_spt> missing_files(const QString& html) {
    QList<download_task_spt> missing;
    for (const segment_t& segment : split_segments(html)) {
        const QUrl url = segment.second.toUrl();
        if (segment.first == 0 ||
            (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
            continue;
        const QString path = resolve_link(url);
        if (!path.isEmpty() && QFileInfo(path).isFile())
            continue;
        // One link at a time: a plain address gets a fresh cache folder each
        // time its task is made, so only a missing one is made again.
        auto link = script_node_spt::create();
        link->speechContent = QStringLiteral("<a href=\"%1\">file</a>")
                                  .arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped());
        for (const download_task_spt& task : make_script_tasks(link))
            if (!task->local_path.isEmpty() && !QFileInfo(task->local_path).isFile())
                missing << task;
    }
    return missing;
}

} // namespace

void fetch_missing_script_files(const QString& html, QObject* context, std::function<void()> done) {
    const QList<download_task_spt> missing = missing_files(html);
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
