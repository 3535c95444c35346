#include "platform/crash_dump.h"

// windows.h first: the other system headers rely on its types.
#include <windows.h>

#include "platform/win/wide_text.h"

#include <csignal>
#include <cwchar>
#include <dbghelp.h>
#include <objbase.h>

namespace quorvel::platform {

namespace {

constexpr int handled_signals[] = {SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGTERM};
std::wstring crash_dir_w;
volatile LONG dumping = 0;

std::wstring dump_path() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    GUID id{};
    CoCreateGuid(&id);
    wchar_t name[96];
    swprintf(name, 96,
             L"%04u%02u%02u_%02u%02u%02u_%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x.dmp",
             st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, id.Data1, id.Data2,
             id.Data3, id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5],
             id.Data4[6], id.Data4[7]);
    return crash_dir_w + name;
}

LONG WINAPI on_unhandled_exception(EXCEPTION_POINTERS* info) {
    if (InterlockedExchange(&dumping, 1) == 0)
        write_crash_dump(info);
    return EXCEPTION_EXECUTE_HANDLER;
}

void on_signal(int sig) {
    // The runtime turns hardware faults into signals before any unhandled-
    // exception filter sees them; it keeps the fault's exception pointers for
    // the handler, so the dump still shows where the crash happened.
    void* exception = nullptr;
    if (sig == SIGSEGV || sig == SIGILL || sig == SIGFPE)
        exception = _pxcptinfoptrs;
    if (InterlockedExchange(&dumping, 1) == 0)
        write_crash_dump(exception);
    // End with the signal's default action rather than resuming after a fault.
    signal(sig, SIG_DFL);
    raise(sig);
}

} // namespace

void install_crash_handlers(const std::string& crash_dir) {
    crash_dir_w = from_utf8(crash_dir);
    for (int sig : handled_signals)
        signal(sig, on_signal);
    SetUnhandledExceptionFilter(on_unhandled_exception);
}

bool write_crash_dump(void* exception_record) {
    if (crash_dir_w.empty())
        return false;
    const std::wstring path = dump_path();
    CreateDirectoryW(crash_dir_w.c_str(), nullptr);
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    MINIDUMP_EXCEPTION_INFORMATION exception{};
    exception.ThreadId = GetCurrentThreadId();
    exception.ExceptionPointers = static_cast<EXCEPTION_POINTERS*>(exception_record);
    exception.ClientPointers = FALSE;
    const BOOL ok =
        MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal,
                          exception_record ? &exception : nullptr, nullptr, nullptr);
    CloseHandle(file);
    return ok != FALSE;
}

} // namespace quorvel::platform
