// Installs the crash handlers, then crashes the way its argument says.
#include "app/app_paths.h"
#include "platform/crash_dump.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

// The faults are the point: a sanitized build must not stop them before
// the signal arrives.
#if defined(__GNUC__)
#define FAULT_ON_PURPOSE __attribute__((no_sanitize("undefined")))
#else
#define FAULT_ON_PURPOSE
#endif

namespace {

FAULT_ON_PURPOSE int divide(volatile int a, volatile int b) {
    return a / b;
}

FAULT_ON_PURPOSE int read_at(const char* address) {
    volatile int* p = reinterpret_cast<int*>(std::strtoul(address, nullptr, 10));
    return *p;
}

} // namespace

int main(int argc, char* argv[]) {
    quorvel::platform::install_crash_handlers(
        quorvel::app_paths::instance().crash_dir().toStdString());
    const char* how = argc > 1 ? argv[1] : "";
    if (std::strcmp(how, "segv") == 0)
        return read_at(argc > 2 ? argv[2] : "0"); // from outside: the compiler cannot see the null
    if (std::strcmp(how, "abort") == 0)
        std::abort();
    if (std::strcmp(how, "fpe") == 0)
        return divide(1, std::atoi(argc > 2 ? argv[2] : "0"));
    if (std::strcmp(how, "term") == 0)
        std::raise(SIGTERM);
    if (std::strcmp(how, "manual") == 0)
        return quorvel::platform::write_crash_dump(nullptr) ? 0 : 3;
    return 2;
}
