#include "sync/batch_download.h"

#include "model/data_center.h"
#include "net/base_url.h"
#include "net/http_client.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QNetworkReply>
#include <QSaveFile>
#include <QUrlQuery>

namespace quorvel {

batch_download::batch_download(QObject* parent) : QObject(parent) {}

batch_download::~batch_download() {
    // Disconnected before the abort: an aborted reply reports finished at
    // once, which must reach neither this half-destroyed object nor its users.
    // Unfinished files are dropped; their targets stay as they were.
    running_ = false;
    const auto transfers = std::exchange(active_, {});
    for (auto it = transfers.begin(); it != transfers.end(); ++it) {
        it.key()->disconnect(this);
        it.key()->abort();
        if (it->file)
            it->file->cancelWriting();
        delete it->file;
    }
}

void batch_download::add_tasks(const QList<download_task_spt>& tasks) {
    QHash<QString, download_task_spt> by_path;
    for (const download_task_spt& task : tasks)
        if (task)
            by_path.insert(task->local_path, task);
    QMutexLocker lock(&mutex_);
    for (const download_task_spt& task : by_path)
        queue_.append(task);
    total_ += by_path.size();
}

void batch_download::add_task(int kind, const QString& remote, const QString& local_path) {
    QMutexLocker lock(&mutex_);
    queue_.append(download_task_spt::create(download_task_t{kind, remote, local_path}));
    ++total_;
}

void batch_download::start() {
    running_ = true;
    dispatch();
}

void batch_download::abort() {
    running_ = false;
    {
        QMutexLocker lock(&mutex_);
        queue_.clear();
    }
    const auto transfers = std::exchange(active_, {});
    for (auto it = transfers.begin(); it != transfers.end(); ++it) {
        it.key()->disconnect(this);
        it.key()->abort();
        it.key()->deleteLater();
        if (it->file)
            it->file->cancelWriting();
        delete it->file;
    }
    total_ = done_ = 0;
}

void batch_download::dispatch() {
    while (running_ && active_.size() < max_parallel_) {
        download_task_spt task;
        {
            QMutexLocker lock(&mutex_);
            if (queue_.isEmpty())
                return;
            task = queue_.takeFirst();
        }
        QDir().mkpath(QFileInfo(task->local_path).absolutePath());
        auto* file = new QSaveFile(task->local_path);
        if (task->local_path.isEmpty() || !file->open(QIODevice::WriteOnly)) {
            delete file;
            qDebug() << "无法打开文件：" + task->local_path;
            emit task_failed(task->remote, QStringLiteral("无法创建本地文件"));
            count_done();
            check_complete();
            continue;
        }
        QUrl url(task->remote);
        if (task->kind == 1) {
            url = QUrl(base_url() + QStringLiteral("/tavorine/nas/downloadFileById"));
            QUrlQuery query;
            query.addQueryItem(QStringLiteral("fileId"), task->remote);
            url.setQuery(query);
        }
        QNetworkRequest request(url);
        request.setMaximumRedirectsAllowed(5);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setRawHeader("authorities", data_center::instance().token().toUtf8());
        request.setTransferTimeout(http_client::default_inactivity_timeout());
        QNetworkReply* reply = network_.get(request);
        active_.insert(reply, transfer_t{task, file});
        const QString remote = task->remote;
        connect(reply, &QNetworkReply::readyRead, this,
                [reply, file] { file->write(reply->readAll()); });
        connect(reply, &QNetworkReply::downloadProgress, this,
                [this, remote](qint64 received, qint64 total) {
                    emit task_progress(remote, received, total);
                });
        connect(reply, &QNetworkReply::finished, this, [this, reply] { on_finished(reply); });
    }
}

void batch_download::on_finished(QNetworkReply* reply) {
    const transfer_t transfer = active_.take(reply);
    reply->deleteLater();
    if (!transfer.task)
        return;
    QSaveFile* file = transfer.file;
    if (reply->error() != QNetworkReply::NoError) {
        file->cancelWriting();
        file->commit(); // discards the temporary file
        emit task_failed(transfer.task->remote, reply->errorString());
    } else {
        file->write(reply->readAll());
        if (file->commit())
            emit task_finished(transfer.task->remote);
        else
            emit task_failed(transfer.task->remote, file->errorString());
    }
    delete file;
    count_done();
    dispatch();
    check_complete();
}

void batch_download::count_done() {
    ++done_;
}

void batch_download::check_complete() {
    if (total_ > 0 && done_ >= total_ && active_.isEmpty()) {
        total_ = done_ = 0;
        emit all_tasks_finished();
    }
}

} // namespace quorvel
