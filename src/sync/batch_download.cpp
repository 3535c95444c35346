#include "sync/batch_download.h"

#include "app/logger.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/base_url.h"
#include "net/buffered_sockets.h"
#include "net/endpoints.h"
#include "net/envelope.h"
#include "net/http_client.h"
#include "protocol/protocol.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QUrlQuery>
#include <spdlog/spdlog.h>
#include <utility>

namespace quorvel {

namespace {

// Error envelopes are small; a longer download is never taken for one.
constexpr int head_limit = 64 * 1024;

// A backend reply where a file was expected: an object with "code" and "msg"
// whose code is not success.
bool error_envelope(const QByteArray& body, int* code, QString* msg) {
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    const QJsonObject o = doc.object();
    if (!doc.isObject() || !o.contains(QLatin1String("code")) || !o.contains(QLatin1String("msg")))
        return false;
    *code = o.value(QLatin1String("code")).toVariant().toInt();
    *msg = o.value(QLatin1String("msg")).toString();
    return *code != protocol::codes::ok;
}

// A web page (a portal's or proxy's) where some other kind of file was expected.
bool unexpected_page(QNetworkReply* reply, const QString& local_path) {
    const QString type = reply->header(QNetworkRequest::ContentTypeHeader).toString().toLower();
    const QString suffix = QFileInfo(local_path).suffix().toLower();
    return type.startsWith(QLatin1String("text/html")) && suffix != QLatin1String("html") &&
           suffix != QLatin1String("htm");
}

} // namespace

batch_download::batch_download(QObject* parent) : QObject(parent) {
    use_buffered_sockets(network_);
}

batch_download::~batch_download() {
    // Unfinished files are dropped; their targets stay as they were.
    abort();
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
    // Disconnected before the abort: an aborted reply reports finished at
    // once, which must reach neither this object (perhaps half-destroyed)
    // nor its users.
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
            it->file->discard();
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
        std::shared_ptr<download_file> file;
        if (!root_.isEmpty() && !path_inside(task->local_path, root_)) {
            spdlog::warn("download of {} refused, its path lies outside {}: {}", utf8(task->remote),
                         utf8(root_), utf8(task->local_path));
        } else if (!task->local_path.isEmpty()) {
            QDir().mkpath(QFileInfo(task->local_path).absolutePath());
            file = std::make_shared<download_file>(task->local_path, synced_);
            if (!file->open())
                file.reset();
        }
        if (!file) {
            qDebug() << "无法打开文件：" + task->local_path;
            emit task_failed(task->remote, QStringLiteral("无法创建本地文件"));
            count_done();
            check_complete();
            continue;
        }
        start_transfer(task, file);
    }
}

void batch_download::start_transfer(const download_task_spt& task,
                                    std::shared_ptr<download_file> file) {
    QUrl url(task->remote);
    if (task->kind == 1) {
        url = QUrl(base_url() + QLatin1String(endpoints::download_file.path));
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("fileId"), task->remote);
        url.setQuery(query);
    }
    QNetworkRequest request(url);
    request.setMaximumRedirectsAllowed(5);
    // The token goes to the backend only, and a redirect would carry it along,
    // so a request that has it follows redirects within the backend only.
    const bool with_token = is_backend_origin(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         with_token ? QNetworkRequest::UserVerifiedRedirectPolicy
                                    : QNetworkRequest::NoLessSafeRedirectPolicy);
    if (with_token)
        request.setRawHeader(protocol::token_header, session_state::instance().token().toUtf8());
    request.setTransferTimeout(http_client::default_inactivity_timeout());
    QNetworkReply* reply = network_.get(request);
    active_.insert(reply,
                   transfer_t{task, std::move(file),
                              std::make_shared<QCryptographicHash>(QCryptographicHash::Sha256),
                              QByteArray(), 0, false});
    const QString remote = task->remote;
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { on_data(reply); });
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, remote](qint64 received, qint64 total) {
                emit task_progress(remote, received, total);
            });
    if (with_token)
        connect(reply, &QNetworkReply::redirected, this,
                [this, reply](const QUrl& target) { on_redirected(reply, target); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { on_finished(reply); });
}

void batch_download::on_data(QNetworkReply* reply) {
    const auto it = active_.find(reply);
    if (it == active_.end())
        return;
    const QByteArray data = reply->readAll();
    if (it->oversized)
        return;
    if (size_limit_ > 0 && it->size + data.size() > size_limit_) {
        // Aborted from the event loop: an abort reports finished at once.
        it->oversized = true;
        spdlog::warn("download {} stopped, it is larger than {} bytes", utf8(it->task->remote),
                     size_limit_);
        QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
        return;
    }
    it->file->write(data);
    it->hash->addData(data);
    if (it->head.size() < head_limit)
        it->head += data.left(head_limit - it->head.size());
    it->size += data.size();
}

void batch_download::on_redirected(QNetworkReply* reply, const QUrl& target) {
    if (is_backend_origin(target)) {
        emit reply->redirectAllowed();
        return;
    }
    spdlog::warn("download from {} refused its redirect to another host: {}",
                 utf8(reply->url().toString()), utf8(target.toString()));
    QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
}

QString batch_download::rejection(const transfer_t& transfer, QNetworkReply* reply) const {
    const QString& expected = transfer.task->sha256;
    const QString received = QString::fromLatin1(transfer.hash->result().toHex());
    if (!expected.isEmpty() && received.compare(expected, Qt::CaseInsensitive) == 0)
        return {};
    int code = 0;
    QString msg;
    if (transfer.size <= head_limit && error_envelope(transfer.head, &code, &msg)) {
        spdlog::warn("download {} answered with code {}: {}", utf8(transfer.task->remote), code,
                     utf8(msg));
        report_server_code(code);
        return msg.isEmpty() ? QStringLiteral("服务器未返回文件") : msg;
    }
    if (!expected.isEmpty()) {
        spdlog::warn("download {} is not the expected file: sha256 {} instead of {}",
                     utf8(transfer.task->remote), utf8(received), utf8(expected));
        return QStringLiteral("文件校验失败");
    }
    if (unexpected_page(reply, transfer.task->local_path)) {
        spdlog::warn("download {} answered with a web page", utf8(transfer.task->remote));
        return QStringLiteral("服务器未返回文件");
    }
    return {};
}

void batch_download::on_finished(QNetworkReply* reply) {
    const bool ok = reply->error() == QNetworkReply::NoError;
    if (ok)
        on_data(reply);
    const transfer_t transfer = active_.take(reply);
    reply->deleteLater();
    if (!transfer.task)
        return;
    download_file& file = *transfer.file;
    const QString err = transfer.oversized ? QStringLiteral("文件大小超出限制")
                        : ok               ? rejection(transfer, reply)
                                           : reply->errorString();
    if (!err.isEmpty()) {
        file.discard();
        emit task_failed(transfer.task->remote, err);
    } else if (file.commit()) {
        emit task_finished(transfer.task->remote);
    } else {
        file.discard();
        emit task_failed(transfer.task->remote, file.error_string());
    }
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
