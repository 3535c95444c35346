#include "net/http_worker.h"

#include <QThread>
#include <atomic>

namespace quorvel {

namespace {

std::atomic<int> live{0};

// The task runs in run(); the thread object itself belongs to the starting
// thread and never refers to the worker, so a destroyed worker is never touched.
class request_thread : public QThread {
    Q_OBJECT
public:
    explicit request_thread(http_worker::task_t task) : task_(std::move(task)) { ++live; }
    ~request_thread() override { --live; }

signals:
    void done(QByteArray content);

protected:
    void run() override {
        const QByteArray content = task_();
        task_ = nullptr; // the parameters it holds go with the thread
        emit done(content);
    }

private:
    http_worker::task_t task_;
};

} // namespace

int http_worker::live_threads() {
    return live;
}

void http_worker::start(task_t task) {
    auto* thread = new request_thread(std::move(task));
    connect(thread, &request_thread::done, this, &http_worker::request_finished,
            Qt::QueuedConnection);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::InheritPriority);
}

} // namespace quorvel

#include "http_worker.moc"
