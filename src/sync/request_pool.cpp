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
    const int workers = qMin(width_, jobs.size());
    if (workers == 0 || state_ != http_client::state_t::open)
        return started;
    {
        QMutexLocker lock(&mutex_);
        waiting_.clear();
        busy_ = 0;
        for (int i = 0; i < jobs.size(); ++i)
            waiting_.emplace_back(jobs[i], i);
    }
    QEventLoop loop;
    int running = workers;
    QList<QThread*> threads;
    for (int i = 0; i < workers; ++i) {
        QThread* thread = QThread::create([this, &started] { work(started); });
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

void request_pool::submit(const QList<job_t>& jobs) {
    QMutexLocker lock(&mutex_);
    for (const job_t& job : jobs)
        waiting_.emplace_back(job, -1);
    changed_.wakeAll();
}

void request_pool::work(std::vector<char>& started) {
    http_client client;
    client.set_give_up_after_timeout(true);
    QMutexLocker lock(&mutex_);
    if (state_ != http_client::state_t::open)
        return;
    clients_ << &client;
    for (;;) {
        // A running job may still submit more: wait for it before leaving.
        while (waiting_.empty() && busy_ > 0 && state_ == http_client::state_t::open)
            changed_.wait(&mutex_);
        if (waiting_.empty() || state_ != http_client::state_t::open)
            break;
        const auto [job, index] = waiting_.front();
        waiting_.pop_front();
        ++busy_;
        if (index >= 0)
            started[static_cast<size_t>(index)] = 1;
        lock.unlock();
        job(client);
        if (client.state() == http_client::state_t::timed_out)
            end_all(http_client::state_t::timed_out);
        lock.relock();
        --busy_;
        changed_.wakeAll();
    }
    clients_.removeOne(&client);
    changed_.wakeAll();
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
    changed_.wakeAll();
}

} // namespace quorvel
