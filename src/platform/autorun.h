#pragma once

#include <memory>
#include <string>

namespace quorvel::platform {

// Starting with the user's session: the "quorvel" value under the Run key on
// Windows, an XDG autostart entry (quorvel.desktop) on Linux. program_path is UTF-8.
bool set_autorun(const std::string& program_path);
bool remove_autorun();
bool autorun_enabled();

// What a request to change the autorun state came to. error is the system's
// code in Windows numbering (2 file, 3 path, 5 access, 8 memory, 32 sharing,
// 1156 DDE, 1157 DLL, 1223 cancelled by the user; anything else unknown).
struct autorun_change_t {
    bool done = false;
    unsigned long error = 0;
};

// The general settings page's way to the autorun state. Windows: the Run key
// is changed by this program started elevated with "10016" / "10017";
// Linux: the autostart entry is the user's own file, written directly.
class autorun_switch {
public:
    virtual ~autorun_switch() = default;
    virtual bool enabled() = 0;
    virtual autorun_change_t request(bool enable) = 0;
};

std::unique_ptr<autorun_switch> make_autorun_switch(const std::string& program_path);

} // namespace quorvel::platform
