#include "app/single_instance.h"

#include "platform/session_names.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

const QByteArray show_request = "show\n";
const QByteArray show_answer = "shown\n";
constexpr int answer_timeout_ms = 3000;

QString socket_name(const QString& key) {
    return QString::fromStdString(platform::session_socket_name("quorvel-" + key.toStdString()));
}

} // namespace

single_instance::single_instance(const QString& key_text) : key_(key_text) {}

single_instance::~single_instance() = default;

bool single_instance::take_lock() {
    mutex_ = std::make_unique<platform::named_mutex>(key_.toStdString());
    if (!mutex_->valid()) {
        reason_ = QString::fromStdString(mutex_->error_text());
        spdlog::error("single-instance lock unavailable: {}", reason_.toStdString());
        return false;
    }
    taken_ = mutex_->already_existed();
    if (taken_)
        mutex_.reset(); // not ours; keep nothing open
    return !taken_;
}

bool single_instance::ask_running_instance() {
    // A holder that has only just started (a double start from one double
    // click) may not listen yet: try again for a while.
    QLocalSocket socket;
    QElapsedTimer waited;
    waited.start();
    socket.connectToServer(socket_name(key_));
    while (!socket.waitForConnected(answer_timeout_ms) && waited.elapsed() < answer_timeout_ms) {
        QThread::msleep(100);
        socket.connectToServer(socket_name(key_));
    }
    if (socket.state() != QLocalSocket::ConnectedState) {
        reason_ = socket.errorString();
        spdlog::error("another instance holds the lock but cannot be reached: {}",
                      reason_.toStdString());
        return false;
    }
    socket.write(show_request);
    socket.waitForBytesWritten(answer_timeout_ms);
    QByteArray answer;
    while (answer.size() < show_answer.size() && socket.waitForReadyRead(answer_timeout_ms))
        answer += socket.readAll();
    if (answer != show_answer) {
        reason_ = QStringLiteral("no answer");
        spdlog::error("another instance holds the lock but did not answer");
        return false;
    }
    spdlog::info("another instance is running; asked it to show its window");
    return true;
}

bool single_instance::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = socket_name(key_);
    // We hold the lock, so a socket left there belongs to a dead instance.
    QLocalServer::removeServer(name);
    if (!server_->listen(name)) {
        spdlog::warn("single-instance socket {} not available: {}", name.toStdString(),
                     server_->errorString().toStdString());
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &single_instance::on_new_connection);
    spdlog::info("waiting for later starts on {}", name.toStdString());
    return true;
}

void single_instance::on_new_connection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { on_request(socket); });
        on_request(socket); // what arrived with the connection
    }
}

void single_instance::on_request(QLocalSocket* socket) {
    if (!socket->canReadLine())
        return;
    if (socket->readLine() != show_request) {
        socket->disconnectFromServer();
        return;
    }
    spdlog::info("a second start asked this instance to show its window");
    emit show_requested();
    socket->write(show_answer);
    socket->flush();
    socket->disconnectFromServer();
}

} // namespace quorvel
