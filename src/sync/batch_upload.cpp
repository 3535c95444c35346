#include "sync/batch_upload.h"

#include "model/data_center.h"
#include "model/session_state.h"
#include "net/base_url.h"
#include "net/buffered_sockets.h"
#include "net/connection_state.h"
#include "net/http_client.h"
#include "protocol/protocol.h"
#include "protocol/routes.h"

#include <QDir>
#include <QFile>
#include <QHttpMultiPart>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>

namespace quorvel {

batch_upload::batch_upload(const QUrl& upload_url, QObject* parent)
    : QObject(parent), upload_url_(upload_url) {
    use_buffered_sockets(network_);
}

void batch_upload::add_files(const QSet<QString>& paths) {
    QMutexLocker lock(&mutex_);
    for (const QString& path : paths)
        queue_.append(path);
    total_ += paths.size();
}

void batch_upload::start() {
    running_ = true;
    dispatch();
}

void batch_upload::abort() {
    running_ = false;
    const auto replies = active_.keys();
    active_.clear();
    for (QNetworkReply* reply : replies) {
        reply->disconnect(this);
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
    }
    QMutexLocker lock(&mutex_);
    queue_.clear();
    total_ = done_ = 0;
}

void batch_upload::dispatch() {
    while (running_ && active_.size() < max_parallel_) {
        QString path;
        {
            QMutexLocker lock(&mutex_);
            if (queue_.isEmpty())
                return;
            path = queue_.takeFirst();
        }
        if (connection_state::instance().offline()) {
            emit task_failed(path, connection_state::offline_message());
            ++done_;
            check_complete();
            continue;
        }
        auto* file = new QFile(path);
        if (!file->open(QIODevice::ReadOnly)) {
            delete file;
            emit task_failed(path, QStringLiteral("无法访问本地文件"));
            ++done_;
            check_complete();
            continue;
        }
        auto* body = new QHttpMultiPart(QHttpMultiPart::FormDataType);
        QHttpPart part;
        part.setHeader(QNetworkRequest::ContentDispositionHeader,
                       QStringLiteral("form-data; name=\"file\"; filename=\"%1\"")
                           .arg(QDir::toNativeSeparators(path)));
        part.setHeader(QNetworkRequest::ContentTypeHeader,
                       QStringLiteral("application/octet-stream"));
        part.setBodyDevice(file);
        file->setParent(body);
        body->append(part);
        QNetworkRequest request(upload_url_);
        if (is_backend_origin(upload_url_))
            request.setRawHeader(protocol::token_header,
                                 session_state::instance().token().toUtf8());
        request.setTransferTimeout(http_client::default_inactivity_timeout());
        QNetworkReply* reply = network_.post(request, body);
        body->setParent(reply);
        active_.insert(reply, upload_t{path, file});
        connect(
            reply, &QNetworkReply::uploadProgress, this,
            [this, path](qint64 sent, qint64 total) { emit progress_changed(path, sent, total); });
        connect(reply, &QNetworkReply::finished, this, [this, reply] { on_finished(reply); });
    }
}

void batch_upload::on_finished(QNetworkReply* reply) {
    const upload_t upload = active_.take(reply);
    const QString& path = upload.path;
    reply->deleteLater();
    // Closed before anyone hears of it: the report upload deletes the file
    // next, which fails on Windows while it is open.
    if (upload.file)
        upload.file->close();
    if (reply->error() != QNetworkReply::NoError) {
        emit task_failed(path, reply->errorString());
    } else {
        const QJsonDocument doc = QJsonDocument::fromJson(reply->readAll());
        const QJsonObject o = doc.object();
        if (!doc.isObject() || !o.contains(QLatin1String("code")) ||
            !o.contains(QLatin1String("msg")) || !o.value(QLatin1String("data")).isObject())
            emit task_failed(path, QStringLiteral("响应格式不兼容"));
        else if (o.value(QLatin1String("code")).toInt() == protocol::codes::ok)
            emit task_finished(
                path,
                o.value(QLatin1String("data")).toObject().value(QLatin1String("id")).toString());
        else
            emit task_failed(path, o.value(QLatin1String("msg")).toString());
    }
    ++done_;
    dispatch();
    check_complete();
}

void batch_upload::check_complete() {
    if (total_ > 0 && done_ >= total_ && active_.isEmpty()) {
        total_ = done_ = 0;
        emit all_tasks_finished();
    }
}

} // namespace quorvel
