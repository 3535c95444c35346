#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <functional>

// HTTP spoken by hand over loopback, for the requests a proper client never
// sends: missing or false lengths, trickled headers, many connections at once.
namespace raw_http {

struct reply_t {
    int status = 0; // 0: nothing arrived
    QByteArray head;
    QByteArray body;
    QByteArray header(const QByteArray& name) const;
};

reply_t parse(const QByteArray& received);

// Sends `request` on a new connection from `from` and returns what arrived
// until the server closed the connection or `wait_ms` passed. The client
// keeps its side open all the while.
reply_t exchange(quint16 port, const QByteArray& request, int wait_ms = 20000,
                 const QHostAddress& from = QHostAddress::LocalHost);

// Runs `requests` with at most `parallel` connections open at once; each
// connection closes after its reply. Returns the replies in the given order.
QList<reply_t> run_parallel(quint16 port, const QList<QByteArray>& requests, int parallel,
                            int wait_ms = 120000);

// A request line with headers and a JSON body.
QByteArray post(const QByteArray& path, const QByteArray& body, const QByteArray& token = {});

} // namespace raw_http
