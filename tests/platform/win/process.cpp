#include "process.h"

#include <windows.h>

namespace quorvel::checks {

namespace {

std::wstring quote(const std::wstring& arg) {
    return L"\"" + arg + L"\"";
}

} // namespace

process::~process() {
    kill();
}

bool process::start(const std::wstring& program, const std::vector<std::wstring>& args) {
    std::wstring command = quote(program);
    for (const std::wstring& arg : args)
        command += L" " + quote(arg);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return false;
    CloseHandle(info.hThread);
    handle_ = info.hProcess;
    pid_ = info.dwProcessId;
    return true;
}

int process::wait(unsigned timeout_ms) {
    if (!handle_)
        return -2;
    if (WaitForSingleObject(handle_, timeout_ms) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(handle_, &code);
    return static_cast<int>(code);
}

void process::kill() {
    if (!handle_)
        return;
    if (WaitForSingleObject(handle_, 0) != WAIT_OBJECT_0) {
        TerminateProcess(handle_, 99);
        WaitForSingleObject(handle_, 5000);
    }
    CloseHandle(handle_);
    handle_ = nullptr;
}

int run_program(const std::wstring& program, const std::vector<std::wstring>& args,
                unsigned timeout_ms) {
    process p;
    if (!p.start(program, args))
        return -2;
    const int code = p.wait(timeout_ms);
    if (code == -1)
        p.kill();
    return code;
}

} // namespace quorvel::checks
