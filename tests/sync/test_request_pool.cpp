// The pool that runs the start-up requests side by side: jobs a running job
// adds belong to the same run, and a stop drops whatever has not started.
#include "sync/request_pool.h"

#include <QThread>
#include <QtTest>
#include <atomic>

using namespace quorvel;

class test_request_pool : public QObject {
    Q_OBJECT
private slots:
    void submitted_jobs_run_before_the_run_returns_data();
    void submitted_jobs_run_before_the_run_returns();
    void stop_drops_jobs_not_started();
};

void test_request_pool::submitted_jobs_run_before_the_run_returns_data() {
    QTest::addColumn<int>("width");
    QTest::newRow("one at a time") << 1;
    QTest::newRow("six at a time") << 6;
}

// The other workers have run out of jobs long before the slow one submits:
// they must wait for it and share the new jobs, not leave them to one worker.
void test_request_pool::submitted_jobs_run_before_the_run_returns() {
    QFETCH(int, width);
    request_pool pool(width);
    std::atomic<int> ran{0}, in_flight{0}, most_in_flight{0};
    QList<request_pool::job_t> jobs;
    jobs << [&](http_client&) {
        QThread::msleep(100);
        QList<request_pool::job_t> more;
        for (int i = 0; i < 12; ++i)
            more << [&](http_client&) {
                const int now = ++in_flight;
                for (int most = most_in_flight; now > most;)
                    most_in_flight.compare_exchange_weak(most, now);
                QThread::msleep(5);
                --in_flight;
                ++ran;
            };
        pool.submit(more);
    };
    for (int i = 0; i < 3; ++i)
        jobs << [&](http_client&) { ++ran; };
    const std::vector<char> started = pool.run(jobs);
    QCOMPARE(ran.load(), 15);
    if (width == 1)
        QCOMPARE(most_in_flight.load(), 1);
    else
        QVERIFY2(most_in_flight > 1, "the submitted jobs ran one after another");
    QCOMPARE(started, std::vector<char>(4, 1));
    QCOMPARE(pool.state(), http_client::state_t::open);
}

void test_request_pool::stop_drops_jobs_not_started() {
    request_pool pool(1);
    std::atomic<int> ran{0};
    QList<request_pool::job_t> jobs;
    jobs << [&](http_client&) {
        pool.submit({[&](http_client&) { ++ran; }, [&](http_client&) { ++ran; }});
        pool.stop();
    };
    jobs << [&](http_client&) { ++ran; };
    const std::vector<char> started = pool.run(jobs);
    QCOMPARE(ran.load(), 0);
    QCOMPARE(started, (std::vector<char>{1, 0}));
    QCOMPARE(pool.state(), http_client::state_t::stopped);
}

QTEST_GUILESS_MAIN(test_request_pool)
#include "test_request_pool.moc"
