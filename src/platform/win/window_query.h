#pragma once

#include "platform/win/win_types.h"

#include <cstdint>
#include <string>

// Questions about any process's top-level windows.
namespace quorvel::win32 {

bool is_window(hwnd_t w);
bool is_visible(hwnd_t w);
bool is_minimised(hwnd_t w);
// At most 260 characters; empty when w is not a window.
std::wstring class_name(hwnd_t w);
// Length first, then the text; empty when w is not a window or has no title.
std::wstring title(hwnd_t w);
std::uint32_t process_id(hwnd_t w);
std::uint32_t thread_id(hwnd_t w);
// The next window below in z-order, 0 at the bottom.
hwnd_t next_below(hwnd_t w);
hwnd_t foreground_window();

// The window's DPI where the system can tell (looked up at run time, so older
// systems still load the program), 96 otherwise.
unsigned window_dpi(hwnd_t w);
// The client area in physical screen pixels; the caller scales it with
// window_dpi() / 96.
bool client_rect_on_screen(hwnd_t w, rect_t* rect);

} // namespace quorvel::win32
