#include "platform/session_names.h"

#include "platform/win/wide_text.h"

#include <windows.h>

namespace quorvel::platform {

std::string session_runtime_dir() {
    wchar_t buf[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    if (n == 0 || n > MAX_PATH)
        return {};
    return to_utf8_path(std::wstring(buf, n));
}

std::string session_socket_name(const std::string& base) {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    wchar_t user[257] = L"";
    DWORD size = 257;
    if (!GetUserNameW(user, &size))
        user[0] = L'\0';
    // Pipe names allow everything but the backslash.
    std::string name = to_utf8(user);
    for (char& c : name)
        if (c == '\\')
            c = '_';
    return base + "-" + std::to_string(session) + "-" + name;
}

} // namespace quorvel::platform
