#pragma once

#include <QString>
#include <functional>

namespace quorvel {

// How an action ended: the store already holds the change when ok; else the
// request's error text (which may be empty).
struct action_result_t {
    bool ok = false;
    QString error;
    static action_result_t success() { return {true, QString()}; }
    static action_result_t failure(const QString& error) { return {false, error}; }
};

using action_cb = std::function<void(const action_result_t&)>;

// Calls the callback when there is one.
inline void report(const action_cb& done, const action_result_t& result) {
    if (done)
        done(result);
}

// A request's failure callback that reports the error text.
inline std::function<void(const QString&)> fail_with(const action_cb& done) {
    return [done](const QString& error) { report(done, action_result_t::failure(error)); };
}

} // namespace quorvel
