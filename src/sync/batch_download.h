#pragma once

#include "sync/cache_manager.h"
#include "sync/download_file.h"

#include <QCryptographicHash>
#include <QList>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QObject>
#include <memory>

class QNetworkReply;

namespace quorvel {

// Fetches files into given local paths, several at a time. A file is written
// beside its target and moved into place only when the whole download
// succeeded and is the file expected (its SHA-256 when the task knows it, and
// never a server's error envelope), so a failed download leaves the previous
// file as it was. The login token goes only to the backend.
class batch_download : public QObject {
    Q_OBJECT
public:
    explicit batch_download(QObject* parent = nullptr);
    ~batch_download() override;

    void set_max_parallel(int count) { max_parallel_ = count; }
    // When set, a task whose local path lies outside this folder is refused.
    void set_root(const QString& folder) { root_ = folder; }
    // When above 0, a file that grows beyond this many bytes is stopped and
    // fails ("文件大小超出限制").
    void set_size_limit(qint64 bytes) { size_limit_ = bytes; }
    // Whether each file is flushed to disk before it replaces its target
    // (the default). Without, a file lost to a crash must be one that is
    // checked against the server before it is used again.
    void set_synced(bool synced) { synced_ = synced; }
    // One task per local path: the last task of a path wins.
    void add_tasks(const QList<download_task_spt>& tasks);
    void add_task(int kind, const QString& remote, const QString& local_path);
    void start();
    // Ends the transfers in flight and drops the queue, without reporting
    // either; files being replaced stay as they were.
    void abort();

signals:
    void task_finished(QString remote_path);
    void task_failed(QString remote_path, QString err);
    void task_progress(QString remote_path, qint64 sended_bytes, qint64 total_bytes);
    void all_tasks_finished();

private:
    struct transfer_t {
        download_task_spt task;
        std::shared_ptr<download_file> file;
        std::shared_ptr<QCryptographicHash> hash;
        QByteArray head; // the first bytes, to recognise an error envelope
        qint64 size = 0;
        bool oversized = false;
    };

    void dispatch();
    void start_transfer(const download_task_spt& task, std::shared_ptr<download_file> file);
    void on_data(QNetworkReply* reply);
    void on_redirected(QNetworkReply* reply, const QUrl& target);
    void on_finished(QNetworkReply* reply);
    // Why the received bytes are not the expected file, or empty when they are.
    QString rejection(const transfer_t& transfer, QNetworkReply* reply) const;
    void count_done();
    void check_complete();

    int max_parallel_ = 6;
    int total_ = 0;
    int done_ = 0;
    bool running_ = false;
    bool synced_ = true;
    qint64 size_limit_ = 0;
    QString root_;
    QNetworkAccessManager network_;
    QHash<QNetworkReply*, transfer_t> active_;
    QList<download_task_spt> queue_;
    QMutex mutex_;
};

} // namespace quorvel
