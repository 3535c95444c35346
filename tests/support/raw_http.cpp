#include "raw_http.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>
#include <memory>
#include <vector>

namespace raw_http {

QByteArray reply_t::header(const QByteArray& name) const {
    for (const QByteArray& line : head.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

reply_t parse(const QByteArray& received) {
    reply_t r;
    const int end = received.indexOf("\r\n\r\n");
    if (!received.startsWith("HTTP/1.") || end < 0)
        return r;
    r.head = received.left(end);
    r.body = received.mid(end + 4);
    r.status = r.head.mid(9, 3).toInt();
    return r;
}

reply_t exchange(quint16 port, const QByteArray& request, int wait_ms, const QHostAddress& from) {
    QTcpSocket socket;
    if (from != QHostAddress::LocalHost)
        socket.bind(from);
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(10000))
        return {};
    socket.write(request);
    QByteArray received;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < wait_ms) {
        if (socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, wait_ms - clock.elapsed()))))
            received += socket.readAll();
        else if (socket.state() != QAbstractSocket::ConnectedState)
            break;
    }
    received += socket.readAll();
    return parse(received);
}

QList<reply_t> run_parallel(quint16 port, const QList<QByteArray>& requests, int parallel,
                            int wait_ms) {
    QList<reply_t> replies;
    for (int i = 0; i < requests.size(); ++i)
        replies << reply_t{};
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    QEventLoop loop;
    int next = 0;
    int open = 0;
    std::function<void()> start_next = [&] {
        while (open < parallel && next < requests.size()) {
            const int index = next++;
            ++open;
            auto socket = std::make_unique<QTcpSocket>();
            QTcpSocket* s = socket.get();
            auto received = std::make_shared<QByteArray>();
            QObject::connect(s, &QTcpSocket::connected,
                             [s, &requests, index] { s->write(requests[index]); });
            QObject::connect(s, &QTcpSocket::readyRead,
                             [s, received] { *received += s->readAll(); });
            QObject::connect(s, &QTcpSocket::disconnected, [&, s, received, index] {
                *received += s->readAll();
                replies[index] = parse(*received);
                --open;
                if (next == requests.size() && open == 0)
                    loop.quit();
                QTimer::singleShot(0, &loop, start_next);
            });
            QObject::connect(s, &QTcpSocket::errorOccurred, [s](QAbstractSocket::SocketError) {
                if (s->state() == QAbstractSocket::UnconnectedState)
                    emit s->disconnected();
            });
            s->connectToHost(QHostAddress::LocalHost, port);
            sockets.push_back(std::move(socket));
        }
    };
    start_next();
    QTimer::singleShot(wait_ms, &loop, &QEventLoop::quit);
    if (!requests.isEmpty())
        loop.exec();
    // Connections still open when the wait ran out end here, without their handlers.
    for (auto& socket : sockets) {
        socket->disconnect();
        socket->abort();
    }
    return replies;
}

QByteArray post(const QByteArray& path, const QByteArray& body, const QByteArray& token) {
    QByteArray r =
        "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
        "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
        "\r\n";
    if (!token.isEmpty())
        r += "authorities: " + token + "\r\n";
    return r + "\r\n" + body;
}

} // namespace raw_http
