#pragma once

#include <memory>
#include <string>

namespace quorvel::platform {

// A system-wide named mutex created with initial ownership and held until
// destruction (the installer mutex of an update). A name already held by
// someone else gives `already_existed()`; the object is still valid.
class named_mutex {
public:
    explicit named_mutex(const std::string& name); // UTF-8
    ~named_mutex();
    named_mutex(const named_mutex&) = delete;
    named_mutex& operator=(const named_mutex&) = delete;

    bool valid() const;
    bool already_existed() const { return existed_; }

private:
    struct impl;
    std::unique_ptr<impl> impl_;
    bool existed_ = false;
};

} // namespace quorvel::platform
