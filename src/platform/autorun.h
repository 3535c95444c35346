#pragma once

#include <string>

namespace quorvel::platform {

// Starting with the user's session: the "quorvel" value under the Run key on
// Windows, an XDG autostart entry (quorvel.desktop) on Linux. program_path is UTF-8.
bool set_autorun(const std::string& program_path);
bool remove_autorun();
bool autorun_enabled();

} // namespace quorvel::platform
