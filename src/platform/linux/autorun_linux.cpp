#include "platform/autorun.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quorvel::platform {

namespace {

std::string config_home() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

std::string entry_path() {
    return config_home() + "/autostart/quorvel.desktop";
}

bool make_dirs(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            const std::string part = path.substr(0, i);
            if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

// The Exec key quotes the path so spaces and specials survive.
std::string quoted(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace

bool set_autorun(const std::string& program_path) {
    if (!make_dirs(config_home() + "/autostart"))
        return false;
    const std::string path = entry_path();
    const std::string temp = path + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "w");
    if (!f)
        return false;
    const std::string text =
        "[Desktop Entry]\nType=Application\nName=Quorvel\nExec=" + quoted(program_path) +
        "\nX-GNOME-Autostart-enabled=true\nTerminal=false\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !written) {
        std::remove(temp.c_str());
        return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

bool remove_autorun() {
    const std::string path = entry_path();
    return std::remove(path.c_str()) == 0 || errno == ENOENT;
}

bool autorun_enabled() {
    return ::access(entry_path().c_str(), F_OK) == 0;
}

namespace {

// errno in the numbering the settings page explains.
unsigned long windows_code(int error) {
    switch (error) {
    case ENOENT:
        return 2;
    case ENOTDIR:
        return 3;
    case EACCES:
    case EPERM:
    case EROFS:
        return 5;
    case ENOMEM:
        return 8;
    default:
        return static_cast<unsigned long>(error);
    }
}

// The entry is the user's own file: no elevation, the change is made here.
class linux_autorun_switch : public autorun_switch {
public:
    explicit linux_autorun_switch(std::string program) : program_(std::move(program)) {}

    bool enabled() override { return autorun_enabled(); }

    autorun_change_t request(bool enable) override {
        errno = 0;
        const bool done = enable ? set_autorun(program_) : remove_autorun();
        return {done, done ? 0 : windows_code(errno)};
    }

private:
    std::string program_;
};

} // namespace

std::unique_ptr<autorun_switch> make_autorun_switch(const std::string& program_path) {
    return std::make_unique<linux_autorun_switch>(program_path);
}

} // namespace quorvel::platform
