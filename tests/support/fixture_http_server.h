#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>
#include <QUrl>
#include <functional>

// A scripted HTTP server for replies the real server never gives: malformed
// bodies, error statuses, silence. It records every request it receives.
class fixture_http_server : public QObject {
    Q_OBJECT
public:
    struct request_t {
        QByteArray method;
        QUrl url;                             // path and query as sent
        QMap<QByteArray, QByteArray> headers; // lower-case names
        QByteArray body;
    };
    struct reply_t {
        int status = 200;
        QByteArray body;
        bool silent = false; // accept and read, never answer
        // Announce the whole body, send only this many bytes of it, then
        // close: a transfer cut off mid-way. Negative: the whole body.
        int cut_after = -1;
        QByteArray content_type = "application/json";
        QByteArray extra_headers; // whole header lines, each ending in "\r\n"
    };
    using script_t = std::function<reply_t(const request_t&)>;

    explicit fixture_http_server(QObject* parent = nullptr);
    bool listen();
    QString base_url() const;
    void set_script(script_t script) { script_ = std::move(script); }
    // Every request answered with this body.
    void reply_with(const QByteArray& body, int status = 200);

    QList<request_t> requests() const;

private:
    void on_connection();

    QTcpServer server_;
    script_t script_;
    mutable QList<request_t> requests_;
};
