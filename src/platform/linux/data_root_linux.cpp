#include "platform/data_root.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace quorvel::platform {

namespace {

std::string home_dir() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result)
        return result->pw_dir;
    return {};
}

std::string strip_trailing_slashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::string user_data_root() {
    // The XDG base-directory rules ignore relative values.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        return strip_trailing_slashes(xdg);
    const std::string home = home_dir();
    if (home.empty())
        return {};
    return strip_trailing_slashes(home) + "/.local/share";
}

} // namespace quorvel::platform
