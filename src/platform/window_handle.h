#pragma once

#include <QtGlobal>

namespace quorvel {

// A top-level window of any process, as the system names it (HWND on
// Windows, the client window id on X11); 0 is no window.
using window_handle_t = quintptr;

namespace platform {
// Registers the window handle with the meta-type system, as "HWND" and under
// its own names, for the queued signals that carry it.
void register_window_handle_type();
} // namespace platform

} // namespace quorvel
