#pragma once

#include <memory>
#include <string>

namespace quorvel::platform {

// A named mutex of the user's session, created with initial ownership and
// held until destruction (the installer mutex of an update, the
// single-instance lock). A name already held by someone else gives
// `already_existed()`; the object is still valid. It dies with its holder, so
// a killed process leaves nothing that blocks the next one. Linux: a lock
// file held with flock in session_runtime_dir(); Windows: a mutex whose plain
// name lives in the session's namespace.
class named_mutex {
public:
    explicit named_mutex(const std::string& name); // UTF-8
    ~named_mutex();
    named_mutex(const named_mutex&) = delete;
    named_mutex& operator=(const named_mutex&) = delete;

    bool valid() const;
    bool already_existed() const { return existed_; }
    // Why the mutex is not valid: the system's error text, UTF-8.
    std::string error_text() const;

private:
    struct impl;
    std::unique_ptr<impl> impl_;
    bool existed_ = false;
};

} // namespace quorvel::platform
