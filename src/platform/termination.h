#pragma once

#include <functional>

namespace quorvel::platform {

// A request to end that is no fault (SIGTERM at logout or from kill, SIGHUP
// when the terminal goes, SIGINT from Ctrl+C on Linux) calls on_request on
// the thread that installed it, from its event loop, so the program can quit
// cleanly. Install once, after the application object exists; before that
// these signals keep their default action. On Windows the end of a session
// arrives as a window message that Qt turns into a normal quit: nothing to do.
void install_termination_handler(std::function<void()> on_request);

} // namespace quorvel::platform
