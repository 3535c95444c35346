#include "sync/request_pool.h"

#include <QEventLoop>
#include <QThread>

namespace quorvel {

namespace {
std::atomic<int> width_of_new_pools{6};
}

void request_pool::set_default_width(int width) {
    width_of_new_pools = width;
}

int request_pool::default_width() {
    return width_of_new_pools;
}

request_pool::request_pool(int width) : width_(qMax(1, width)) {}

request_pool::~request_pool() = default;

std::vector<char> request_pool::run(const QList<job_t>& jobs) {
    std::vector<char> started(static_cast<size_t>(jobs.size()), 0);
    next_ = 0;
    const int workers = qMin(width_, jobs.size());
    if (workers == 0 || state_ != http_client::state_t::open)
        return started;
    QEventLoop loop;
    int running = workers;
    QList<QThread*> threads;
    for (int i = 0; i < workers; ++i) {
        QThread* thread = QThread::create([this, &jobs, &started] { work(jobs, started); });
        QObject::connect(thread, &QThread::finished, &loop, [&running, &loop] {
            if (--running == 0)
                loop.quit();
        });
        threads << thread;
    }
    for (QThread* thread : threads)
        thread->start();
    loop.exec();
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    return started;
}

void request_pool::work(const QList<job_t>& jobs, std::vector<char>& started) {
    http_client client;
    client.set_give_up_after_timeout(true);
    {
        QMutexLocker lock(&mutex_);
        if (state_ != http_client::state_t::open)
            return;
        clients_ << &client;
    }
    while (state_ == http_client::state_t::open) {
        const int i = next_++;
        if (i >= jobs.size())
            break;
        started[static_cast<size_t>(i)] = 1; // each element is written by one thread only
        jobs[i](client);
        if (client.state() == http_client::state_t::timed_out)
            end_all(http_client::state_t::timed_out);
    }
    QMutexLocker lock(&mutex_);
    clients_.removeOne(&client);
}

void request_pool::stop() {
    end_all(http_client::state_t::stopped);
}

void request_pool::end_all(http_client::state_t why) {
    QMutexLocker lock(&mutex_);
    auto open = http_client::state_t::open;
    state_.compare_exchange_strong(open, why);
    for (http_client* client : clients_)
        client->stop();
}

} // namespace quorvel
