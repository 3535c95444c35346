#include "platform/autorun.h"

#include <windows.h>

#include <shellapi.h>
#include <utility>

#include "platform/win/wide_text.h"

namespace quorvel::platform {

namespace {

const wchar_t run_key[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t value_name[] = L"quorvel";

} // namespace

bool set_autorun(const std::string& program_path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, run_key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring path = from_utf8(program_path);
    const LONG result =
        RegSetValueExW(key, value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool remove_autorun() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, run_key, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return true;
    const LONG result = RegDeleteValueW(key, value_name);
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool autorun_enabled() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, run_key, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    const LONG result = RegQueryValueExW(key, value_name, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

} // namespace quorvel::platform

namespace quorvel::platform {

namespace {

// The Run key is written by this program started elevated with "10016" or
// "10017"; the page then waits a little for it and reads the key again.
class win_autorun_switch : public autorun_switch {
public:
    explicit win_autorun_switch(std::wstring program) : program_(std::move(program)) {}

    bool enabled() override { return autorun_enabled(); }

    autorun_change_t request(bool enable) override {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NO_CONSOLE;
        info.lpVerb = L"runas";
        info.lpFile = program_.c_str();
        info.lpParameters = enable ? L"10016" : L"10017";
        info.nShow = SW_HIDE;
        if (!ShellExecuteExW(&info))
            return {false, GetLastError()};
        if (info.hProcess) {
            WaitForSingleObject(info.hProcess, 2000);
            CloseHandle(info.hProcess);
        }
        return {true, 0};
    }

private:
    std::wstring program_;
};

} // namespace

std::unique_ptr<autorun_switch> make_autorun_switch(const std::string& program_path) {
    return std::make_unique<win_autorun_switch>(from_utf8(program_path));
}

} // namespace quorvel::platform
