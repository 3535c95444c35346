#pragma once

#include <string>

namespace quorvel::platform {

// Remembers where dumps go and installs the handlers for SIGSEGV, SIGABRT,
// SIGFPE and SIGILL (on Windows also SIGTERM, which only the process itself
// raises there, and the unhandled-exception filter). On Linux SIGTERM asks
// for a clean end, not a dump: see termination.h.
// Everything a handler needs is prepared here, so the handlers themselves only
// make async-signal-safe calls. After the dump, a handler lets the signal take
// its default action, so the process still ends by that signal.
// crash_dir is UTF-8 and ends with '/'.
void install_crash_handlers(const std::string& crash_dir);

// Writes one dump file into the crash folder named "yyyyMMdd_hhmmss_<uuid>.dmp".
// exception_record is the system's exception record where there is one (Windows
// EXCEPTION_POINTERS*) or null. Returns false when no file could be written,
// including when install_crash_handlers has not run yet.
bool write_crash_dump(void* exception_record);

} // namespace quorvel::platform
