#include "platform/installer.h"

#include "protocol/protocol.h"

namespace quorvel::platform {

std::string installer_suffix() {
    return ".exe";
}

const char* update_os_name() {
    return protocol::update_os::windows;
}

// The installer picks its own folder; "/S" asks it to run without a window.
std::vector<std::string> installer_arguments(bool silent, const std::string&) {
    if (silent)
        return {"/S"};
    return {};
}

} // namespace quorvel::platform
