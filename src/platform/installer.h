#pragma once

#include <string>
#include <vector>

namespace quorvel::platform {

// The update installer of this system: its file extension (".exe" on
// Windows, ".sh" for the self-extracting script on Linux), the name the
// server offers it under ("os" of the update check), and the arguments of a
// start. install_prefix is the folder above the running program's bin/ (UTF-8).
std::string installer_suffix();
const char* update_os_name();
std::vector<std::string> installer_arguments(bool silent, const std::string& install_prefix);

} // namespace quorvel::platform
