#include "fixture_http_server.h"

#include <QTcpSocket>

fixture_http_server::fixture_http_server(QObject* parent) : QObject(parent) {
    connect(&server_, &QTcpServer::newConnection, this, &fixture_http_server::on_connection);
    reply_with("{}");
}

bool fixture_http_server::listen() {
    return server_.listen(QHostAddress::LocalHost, 0);
}

QString fixture_http_server::base_url() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort());
}

void fixture_http_server::reply_with(const QByteArray& body, int status) {
    script_ = [body, status](const request_t&) { return reply_t{status, body, false}; };
}

QList<fixture_http_server::request_t> fixture_http_server::requests() const {
    return requests_;
}

void fixture_http_server::on_connection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            for (;;) {
                const int head_end = buffer->indexOf("\r\n\r\n");
                if (head_end < 0)
                    return;
                request_t request;
                const QList<QByteArray> lines = buffer->left(head_end).split('\n');
                const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
                request.method = first.value(0);
                request.url = QUrl::fromEncoded(first.value(1));
                for (int i = 1; i < lines.size(); ++i) {
                    const int colon = lines[i].indexOf(':');
                    if (colon > 0)
                        request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                               lines[i].mid(colon + 1).trimmed());
                }
                const int length = request.headers.value("content-length").toInt();
                if (buffer->size() < head_end + 4 + length)
                    return;
                request.body = buffer->mid(head_end + 4, length);
                buffer->remove(0, head_end + 4 + length);
                requests_.append(request);
                const reply_t reply = script_(request);
                if (reply.silent)
                    continue;
                QByteArray out =
                    "HTTP/1.1 " + QByteArray::number(reply.status) +
                    " X\r\n"
                    "Content-Type: " +
                    reply.content_type + "\r\n" + reply.extra_headers +
                    "Content-Length: " + QByteArray::number(reply.body.size()) +
                    "\r\n"
                    "Connection: close\r\n\r\n" +
                    (reply.cut_after < 0 ? reply.body : reply.body.left(reply.cut_after));
                socket->write(out);
                socket->disconnectFromHost();
            }
        });
    }
}
