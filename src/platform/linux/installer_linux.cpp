#include "platform/installer.h"

#include "protocol/protocol.h"

namespace quorvel::platform {

std::string installer_suffix() {
    return ".sh";
}

const char* update_os_name() {
    return protocol::update_os::linux_os;
}

// The self-extracting script asks on its terminal unless told everything; a
// detached start has no terminal, so it always gets the answers, and the
// silent flag changes nothing here.
std::vector<std::string> installer_arguments(bool, const std::string& install_prefix) {
    return {"--skip-license", "--exclude-subdir", "--prefix=" + install_prefix};
}

} // namespace quorvel::platform
