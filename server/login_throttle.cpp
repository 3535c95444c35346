#include "login_throttle.h"

#include <algorithm>

namespace quorvel::server {

qint64 login_throttle::wait_seconds(const QString& account, const QString& address,
                                    clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::max(wait_in(accounts_, account, limits_.free_account_failures, now),
                    wait_in(addresses_, address, limits_.free_address_failures, now));
}

void login_throttle::failed(const QString& account, const QString& address, clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex_);
    count(accounts_, account, now);
    count(addresses_, address, now);
}

void login_throttle::succeeded(const QString& account) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = accounts_.index.constFind(account);
    if (it == accounts_.index.constEnd())
        return;
    accounts_.order.erase(it.value());
    accounts_.index.erase(it);
}

qint64 login_throttle::wait_in(table_t& table, const QString& key, int free_failures,
                               clock::time_point now) {
    const auto it = table.index.constFind(key);
    if (it == table.index.constEnd())
        return 0;
    const record_t& r = *it.value();
    if (now - r.last >= limits_.forget_after) {
        table.order.erase(it.value());
        table.index.erase(it);
        return 0;
    }
    if (r.failures < free_failures)
        return 0;
    const int doublings = std::min(r.failures - free_failures, 16);
    const auto delay =
        std::min<std::chrono::seconds>(limits_.first_delay * (1LL << doublings), limits_.max_delay);
    const auto left = r.last + delay - now;
    if (left <= clock::duration::zero())
        return 0;
    return std::chrono::ceil<std::chrono::seconds>(left).count();
}

void login_throttle::count(table_t& table, const QString& key, clock::time_point now) {
    auto it = table.index.find(key);
    if (it == table.index.end()) {
        while (table.order.size() >= limits_.max_records) {
            table.index.remove(table.order.back().key);
            table.order.pop_back();
        }
        table.order.push_front(record_t{key, 0, now});
        it = table.index.insert(key, table.order.begin());
    } else if (now - it.value()->last >= limits_.forget_after) {
        it.value()->failures = 0;
    }
    record_t& r = *it.value();
    ++r.failures;
    r.last = now;
    table.order.splice(table.order.begin(), table.order, it.value());
}

} // namespace quorvel::server
