#pragma once

#include "platform/win/win_types.h"

#include <string>

namespace quorvel::win32 {

// The window's class as UI Automation reports it; empty when COM or UI
// Automation cannot tell. COM is initialised (multithreaded) for the call and
// uninitialised only when this call was the one that initialised it.
std::wstring automation_class_name(hwnd_t w);

} // namespace quorvel::win32
