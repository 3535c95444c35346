#include "platform/session_names.h"

#include "platform/data_root.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform {

namespace {

// A folder that is ours alone: owned by us, not a symbolic link, mode 0700.
bool private_dir(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

std::string fallback_dir() {
    // Without a runtime folder (no login manager, su, cron) use a folder in the
    // user's data folder rather than the shared /tmp, where anyone could take
    // the name first.
    const std::string data = user_data_root();
    if (data.empty())
        return "/tmp";
    for (size_t slash = data.find('/', 1); slash != std::string::npos;
         slash = data.find('/', slash + 1))
        ::mkdir(data.substr(0, slash).c_str(), 0700);
    ::mkdir(data.c_str(), 0700);
    const std::string dir = data + "/quorvel-runtime";
    if (::mkdir(dir.c_str(), 0700) != 0 && errno == EEXIST)
        ::chmod(dir.c_str(), 0700);
    return dir;
}

} // namespace

std::string session_runtime_dir() {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && xdg[0] == '/') {
        std::string dir = xdg;
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        return dir;
    }
    const std::string run_user = "/run/user/" + std::to_string(::getuid());
    if (private_dir(run_user))
        return run_user;
    return fallback_dir();
}

std::string session_socket_name(const std::string& base) {
    return session_runtime_dir() + "/" + base + ".socket";
}

} // namespace quorvel::platform
