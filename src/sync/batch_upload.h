#pragma once

#include <QHash>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QUrl>

class QFile;
class QNetworkReply;

namespace quorvel {

// Sends local files to the file store, several at a time, streaming each
// from disk, and reports the file-store id of every file.
class batch_upload : public QObject {
    Q_OBJECT
public:
    explicit batch_upload(const QUrl& upload_url, QObject* parent = nullptr);

    void set_max_parallel(int count) { max_parallel_ = count; }
    void add_files(const QSet<QString>& paths);
    void start();
    void abort();

signals:
    void progress_changed(QString file, qint64 bytesSent, qint64 bytesTotal);
    void task_failed(QString file, QString err);
    void task_finished(QString file, QString id);
    void all_tasks_finished();

private:
    void dispatch();
    void on_finished(QNetworkReply* reply);
    void check_complete();

    QNetworkAccessManager network_;
    QStringList queue_;
    struct upload_t {
        QString path;
        QFile* file = nullptr; // owned by the reply's body
    };
    QHash<QNetworkReply*, upload_t> active_;
    int max_parallel_ = 6;
    int total_ = 0;
    int done_ = 0;
    QUrl upload_url_;
    QMutex mutex_;
    bool running_ = false;
};

} // namespace quorvel
