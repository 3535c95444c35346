// Failed logins are slowed per account and per address, with a doubling delay,
// and the tables stay bounded.
#include "login_throttle.h"

#include <QtTest>

using quorvel::server::login_throttle;
using quorvel::server::login_throttle_limits_t;
using namespace std::chrono_literals;

class test_login_throttle : public QObject {
    Q_OBJECT
private slots:
    void delay_doubles_after_the_free_failures();
    void success_clears_the_account_but_not_the_address();
    void old_failures_are_forgotten();
    void tables_are_bounded();
};

void test_login_throttle::delay_doubles_after_the_free_failures() {
    login_throttle t;
    const auto t0 = login_throttle::clock::now();
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(t.wait_seconds("agent", "10.0.0.1", t0), 0);
        t.failed("agent", "10.0.0.1", t0);
    }
    QCOMPARE(t.wait_seconds("agent", "10.0.0.1", t0), 5);
    QCOMPARE(t.wait_seconds("agent", "10.0.0.2", t0), 5); // the account, from anywhere
    QCOMPARE(t.wait_seconds("other", "10.0.0.1", t0), 0); // the address is below its bound
    QCOMPARE(t.wait_seconds("agent", "10.0.0.1", t0 + 5s), 0);
    t.failed("agent", "10.0.0.1", t0 + 5s);
    QCOMPARE(t.wait_seconds("agent", "10.0.0.1", t0 + 5s), 10);
    for (int i = 0; i < 10; ++i)
        t.failed("agent", "10.0.0.1", t0 + 5s);
    QCOMPARE(t.wait_seconds("agent", "10.0.0.1", t0 + 5s), 120); // capped
}

void test_login_throttle::success_clears_the_account_but_not_the_address() {
    login_throttle t;
    const auto t0 = login_throttle::clock::now();
    for (int i = 0; i < 20; ++i)
        t.failed(QStringLiteral("user%1").arg(i % 2), "10.0.0.1", t0);
    QVERIFY(t.wait_seconds("user0", "10.0.0.9", t0) > 0);
    t.succeeded("user0");
    QCOMPARE(t.wait_seconds("user0", "10.0.0.9", t0), 0);
    QCOMPARE(t.wait_seconds("fresh", "10.0.0.1", t0), 5); // the address's own failures
}

void test_login_throttle::old_failures_are_forgotten() {
    login_throttle t;
    const auto t0 = login_throttle::clock::now();
    for (int i = 0; i < 8; ++i)
        t.failed("agent", "10.0.0.1", t0);
    QVERIFY(t.wait_seconds("agent", "10.0.0.1", t0) > 0);
    QCOMPARE(t.wait_seconds("agent", "10.0.0.1", t0 + 15min), 0);
    t.failed("agent", "10.0.0.1", t0 + 15min);
    QCOMPARE(t.wait_seconds("agent", "10.0.0.1", t0 + 15min), 0); // counting starts again
}

void test_login_throttle::tables_are_bounded() {
    login_throttle_limits_t limits;
    limits.max_records = 3;
    login_throttle t(limits);
    const auto t0 = login_throttle::clock::now();
    for (int i = 0; i < 5; ++i)
        t.failed("agent", "10.0.0.1", t0);
    for (int i = 0; i < 3; ++i)
        t.failed(QStringLiteral("spray%1").arg(i), QStringLiteral("10.1.0.%1").arg(i), t0 + 1s);
    // The oldest records made room: agent's failures are gone.
    QCOMPARE(t.wait_seconds("agent", "10.0.0.9", t0 + 1s), 0);
}

QTEST_GUILESS_MAIN(test_login_throttle)
#include "test_login_throttle.moc"
