#pragma once

#include "net/http_client.h"

#include <QList>
#include <QMutex>
#include <QWaitCondition>
#include <atomic>
#include <deque>
#include <functional>
#include <vector>

namespace quorvel {

// Independent blocking requests run side by side: each job is handed the
// blocking client of the worker thread it runs on, and at most `width` jobs
// run at once. Once a request times out, or stop() is called, no further job
// starts and the requests in flight end at once, as a single client giving up
// after a timeout would do for a series of requests.
class request_pool {
public:
    using job_t = std::function<void(http_client&)>;

    explicit request_pool(int width = default_width());
    ~request_pool();
    request_pool(const request_pool&) = delete;
    request_pool& operator=(const request_pool&) = delete;

    // Runs the jobs and returns when every started one has ended; the calling
    // thread's events are served meanwhile (the stop button, queued calls).
    // Element i tells whether job i was started.
    std::vector<char> run(const QList<job_t>& jobs);
    // From a running job: more jobs for the same run, after those waiting.
    void submit(const QList<job_t>& jobs);
    // Safe from any thread; also refuses later runs.
    void stop();
    // open while nothing went wrong; timed_out once a request timed out.
    http_client::state_t state() const { return state_; }

    // Width of new pools (6); 1 asks one request after another.
    static void set_default_width(int width);
    static int default_width();

private:
    void work(std::vector<char>& started);
    void end_all(http_client::state_t why);

    const int width_;
    // Guarded by mutex_: jobs not started yet (with their index in the run's
    // list, -1 when submitted), and how many are running.
    std::deque<std::pair<job_t, int>> waiting_;
    int busy_ = 0;
    QWaitCondition changed_;
    std::atomic<http_client::state_t> state_{http_client::state_t::open};
    QMutex mutex_;
    QList<http_client*> clients_; // of the running workers, guarded by mutex_
};

} // namespace quorvel
