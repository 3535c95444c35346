#pragma once

#include <string>
#include <vector>

// The check runner starts copies of itself for what must happen in another
// process: reading the clipboard, crashing, holding a hotkey or a mutex.
namespace quorvel::checks {

// Runs the child mode named by argv[1] when there is one; returns true and
// sets *exit_code then.
bool run_child_mode(int argc, wchar_t** argv, int* exit_code);

std::wstring self_path();

// What the "exception" crash raises: no signal stands for it, so only the
// unhandled-exception filter sees it.
constexpr unsigned long crash_exception_code = 0xE0DEC0DEul;

// Names of the events a hotkey holder signals and waits for.
extern const wchar_t* const holder_ready_event;
extern const wchar_t* const holder_release_event;

} // namespace quorvel::checks
