#include "sync/report_upload.h"

#include "app/app_paths.h"
#include "net/base_url.h"
#include "net/endpoints.h"
#include "sync/batch_upload.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSet>

namespace quorvel {

namespace {

// The non-empty files of a folder matching a pattern; empty ones are deleted.
QSet<QString> collect(const QString& folder, const QString& pattern,
                      const QString& skip_prefix = QString()) {
    QSet<QString> files;
    const QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList({pattern}, QDir::Files)) {
        if (!skip_prefix.isEmpty() && info.fileName().startsWith(skip_prefix))
            continue;
        if (info.size() == 0)
            QFile::remove(info.absoluteFilePath());
        else
            files.insert(info.absoluteFilePath());
    }
    return files;
}

} // namespace

batch_upload* upload_reports(QObject* owner) {
    const app_paths& paths = app_paths::instance();
    QSet<QString> files = collect(paths.crash_dir(), QStringLiteral("*.dmp"));
    // The current run's log is sent by a later run.
    files += collect(paths.log_dir(), QStringLiteral("*.log"),
                     QString::number(QCoreApplication::applicationPid()));
    if (files.isEmpty())
        return nullptr;
    // Dumps and logs may hold customers' messages: they go to the private
    // report area that only administrators read, not to the shared store.
    auto* uploader =
        new batch_upload(QUrl(base_url() + QLatin1String(endpoints::upload_report.path)), owner);
    uploader->set_max_parallel(4);
    QObject::connect(uploader, &batch_upload::task_finished, uploader,
                     [](const QString& file, const QString&) {
                         if (!QFile::remove(file))
                             qDebug() << "删除崩溃文件失败";
                     });
    QObject::connect(uploader, &batch_upload::all_tasks_finished, uploader, &QObject::deleteLater);
    uploader->add_files(files);
    uploader->start();
    return uploader;
}

} // namespace quorvel
