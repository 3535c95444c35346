#include "platform/named_mutex.h"

#include "platform/session_names.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quorvel::platform {

namespace {

// One lock file per name in the session's runtime folder; the kernel drops
// the lock when the holder dies, so a crash or kill leaves nothing behind.
std::string lock_path(const std::string& name) {
    std::string safe;
    for (char c : name)
        safe += (c == '/' ? '_' : c);
    return session_runtime_dir() + "/quorvel-" + std::to_string(getuid()) + "-" + safe + ".lock";
}

} // namespace

struct named_mutex::impl {
    int fd = -1;
    std::string error;
};

named_mutex::named_mutex(const std::string& name) : impl_(std::make_unique<impl>()) {
    const std::string path = lock_path(name);
    impl_->fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (impl_->fd < 0) {
        impl_->error = path + ": " + std::strerror(errno);
        return;
    }
    if (flock(impl_->fd, LOCK_EX | LOCK_NB) == 0)
        return;
    if (errno == EWOULDBLOCK) {
        existed_ = true;
        return;
    }
    // No lock at all (a file system without locks): not the same as "taken".
    impl_->error = path + ": " + std::strerror(errno);
    close(impl_->fd);
    impl_->fd = -1;
}

named_mutex::~named_mutex() {
    if (impl_->fd >= 0)
        close(impl_->fd);
}

bool named_mutex::valid() const {
    return impl_->fd >= 0;
}

std::string named_mutex::error_text() const {
    return impl_->error;
}

} // namespace quorvel::platform
