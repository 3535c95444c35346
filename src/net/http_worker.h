#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>

namespace quorvel {

// Runs one request task on a short-lived thread of its own and reports the
// reply body on the worker's thread. The worker is a child of the caller's
// context object: when the context dies first, the reply is dropped, while
// the thread still ends and is released.
class http_worker : public QObject {
    Q_OBJECT
public:
    using task_t = std::function<QByteArray()>;

    explicit http_worker(QObject* parent) : QObject(parent) {}
    void start(task_t task);

    // Request threads not yet released, for tests and diagnostics.
    static int live_threads();

signals:
    void request_finished(QByteArray content);
};

} // namespace quorvel
