#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace quorvel::platform {

namespace {

// One lock file per name in the user's runtime folder; the kernel drops the
// lock when the holder dies, so a crash leaves nothing behind.
std::string lock_path(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string dir = runtime && *runtime ? runtime : "/tmp";
    std::string safe;
    for (char c : name)
        safe += (c == '/' ? '_' : c);
    return dir + "/quorvel-" + std::to_string(getuid()) + "-" + safe + ".lock";
}

} // namespace

struct named_mutex::impl {
    int fd = -1;
};

named_mutex::named_mutex(const std::string& name) : impl_(std::make_unique<impl>()) {
    impl_->fd = open(lock_path(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (impl_->fd >= 0 && flock(impl_->fd, LOCK_EX | LOCK_NB) != 0)
        existed_ = true;
}

named_mutex::~named_mutex() {
    if (impl_->fd >= 0)
        close(impl_->fd);
}

bool named_mutex::valid() const {
    return impl_->fd >= 0;
}

} // namespace quorvel::platform
