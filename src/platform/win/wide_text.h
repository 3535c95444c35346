#pragma once

#include <windows.h>

#include <string>

namespace quorvel::platform {

// UTF-8 to the system's wide strings.
inline std::wstring from_utf8(const std::string& text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 1)
        return {};
    std::wstring out(static_cast<size_t>(size - 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), size);
    return out;
}

inline std::string to_utf8(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

// A system path as UTF-8 with forward slashes and no trailing slash (a drive
// root keeps its own: "C:/").
inline std::string to_utf8_path(const std::wstring& path) {
    std::string out = to_utf8(path);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    while (out.size() > 3 && out.back() == '/')
        out.pop_back();
    return out;
}

} // namespace quorvel::platform
