#include "platform/termination.h"

namespace quorvel::platform {

// Windows ends a session with WM_QUERYENDSESSION/WM_ENDSESSION, which Qt
// answers with a normal quit; nothing else sends SIGTERM to a process.
void install_termination_handler(std::function<void()>) {}

} // namespace quorvel::platform
