#pragma once

#include <QHash>
#include <QString>
#include <chrono>
#include <list>
#include <mutex>

namespace quorvel::server {

struct login_throttle_limits_t {
    // Failures allowed without delay, per account and per client address (an
    // office behind one address shares the latter).
    int free_account_failures = 5;
    int free_address_failures = 20;
    // The delay after the free failures doubles from first_delay up to max_delay.
    std::chrono::seconds first_delay{5};
    std::chrono::seconds max_delay{120};
    // A record without failures for this long is dropped.
    std::chrono::seconds forget_after{15 * 60};
    // Records kept per table; beyond, the least recently failed go.
    size_t max_records = 10000;
};

// Slows down repeated failed logins per account and per client address. An
// attempt inside a delay is refused without checking the password, so it
// costs neither a password hash nor its memory.
class login_throttle {
public:
    using clock = std::chrono::steady_clock;

    explicit login_throttle(login_throttle_limits_t limits = {}) : limits_(limits) {}

    // Seconds until the next attempt for this account from this address may
    // be checked; 0 when it may now.
    qint64 wait_seconds(const QString& account, const QString& address,
                        clock::time_point now = clock::now());
    void failed(const QString& account, const QString& address,
                clock::time_point now = clock::now());
    void succeeded(const QString& account);

private:
    struct record_t {
        QString key;
        int failures = 0;
        clock::time_point last;
    };
    // Records by key, most recently failed first.
    struct table_t {
        std::list<record_t> order;
        QHash<QString, std::list<record_t>::iterator> index;
    };

    qint64 wait_in(table_t& table, const QString& key, int free_failures, clock::time_point now);
    void count(table_t& table, const QString& key, clock::time_point now);

    login_throttle_limits_t limits_;
    std::mutex mutex_;
    table_t accounts_;
    table_t addresses_;
};

} // namespace quorvel::server
