#pragma once

#include "platform/win/win_types.h"

#include <functional>

// Foreground, z-order and window styles.
namespace quorvel::win32 {

// Waits about `ms` milliseconds after the foreground change. The default
// sleeps; a caller that owns clipboard data served on request passes a wait
// that keeps its own messages flowing.
using settle_fn = std::function<void(hwnd_t target, int ms)>;

// Attaches the target's input thread to ours, BringWindowToTop and
// SetForegroundWindow, settles 50 ms, detaches. True only when all four calls
// succeeded; false at once for a handle that is no window. When the window
// lost the foreground again on detaching, it is asked once more. A minimised
// window is not restored.
bool bring_to_front(hwnd_t target, const settle_fn& settle = {});

// Above every normal window without staying topmost: to the top, topmost, then
// back to not topmost.
void raise_to_top(hwnd_t w);
void set_topmost(hwnd_t w, bool on);
// No taskbar button (WS_EX_TOOLWINDOW); not topmost by itself, and a hidden
// window stays hidden.
void set_tool_window(hwnd_t w);
void restore(hwnd_t w);

} // namespace quorvel::win32
