#pragma once

#include <string>

namespace quorvel::platform {

// The per-user folder for application data, before any application name is
// appended: the roaming application-data folder on Windows, XDG_DATA_HOME (or
// ~/.local/share) on Linux. UTF-8, forward slashes, no trailing slash.
// Read from the environment at each call; empty when it cannot be determined.
std::string user_data_root();

} // namespace quorvel::platform
