#include "platform/data_root.h"

#include <shlobj.h>
#include <windows.h>

namespace quorvel::platform {

namespace {

std::string to_utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

} // namespace

std::string user_data_root() {
    PWSTR folder = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder)))
        return {};
    std::string path = to_utf8(folder);
    CoTaskMemFree(folder);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    while (path.size() > 3 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace quorvel::platform
