#pragma once

#include "platform/named_mutex.h"

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace quorvel {

// The lock that keeps one interactive instance per user session: a named
// mutex of the session held for the life of the process, plus a local socket
// on which a later start asks the running instance to show its window.
class single_instance : public QObject {
    Q_OBJECT
public:
    static constexpr char key[] = "BA7D0DF0-B0CF-4B88-84BA-62BD93D3C6B4";

    explicit single_instance(const QString& key_text = QLatin1String(key));
    ~single_instance() override;

    // Takes the lock (no event loop needed). False when another instance
    // holds it (lock_taken()) or when there is no lock to take
    // (failure_reason() says why).
    bool take_lock();
    bool lock_taken() const { return taken_; }
    // For a held lock: asks the running instance to show itself and waits
    // (bounded) for its answer; false, with failure_reason(), when it does not
    // answer. Needs a QCoreApplication.
    bool ask_running_instance();
    QString failure_reason() const { return reason_; }

    // Starts answering later starts; show_requested is emitted for each.
    bool listen();

signals:
    void show_requested();

private:
    void on_new_connection();
    void on_request(QLocalSocket* socket);

    QString key_;
    std::unique_ptr<platform::named_mutex> mutex_;
    QLocalServer* server_ = nullptr;
    bool taken_ = false;
    QString reason_;
};

} // namespace quorvel
