#pragma once

#include <QObject>
#include <QString>
#include <atomic>

namespace quorvel {

// Whether the client works from its persisted library because the server
// could not be reached. While offline no request that needs the login
// leaves the process: each is answered at once with offline_reply(), so
// every change fails with the same message and nothing is queued.
class connection_state : public QObject {
    Q_OBJECT
public:
    static connection_state& instance();

    bool offline() const { return offline_; } // safe from any thread
    void set_offline(bool offline);           // GUI thread

    // The envelope code of offline_reply(); never on the wire, so it stays
    // out of the codes both sides share.
    static constexpr int offline_code = 600;

    // What a refused change says.
    static QString offline_message();
    // The envelope a refused request gets instead of the server's reply.
    static QByteArray offline_reply();

signals:
    void offline_changed(bool offline);

private:
    connection_state() = default;
    std::atomic<bool> offline_{false};
};

} // namespace quorvel
