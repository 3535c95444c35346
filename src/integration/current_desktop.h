#pragma once

#include "platform/desktop.h"

namespace quorvel {

// The desktop the program delivers into: the system's own, unless a test
// put another one in place.
platform::desktop& current_desktop();
void set_current_desktop(platform::desktop* desktop); // null: back to the system's

} // namespace quorvel
