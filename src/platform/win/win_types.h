#pragma once

#include <cstdint>

// Plain types of the Windows core, so that its headers need neither
// <windows.h> nor Qt.
namespace quorvel::win32 {

// An HWND as an integer; 0 is no window.
using hwnd_t = std::uintptr_t;

struct rect_t {
    long left = 0;
    long top = 0;
    long right = 0; // exclusive
    long bottom = 0;
};

} // namespace quorvel::win32
