#include "platform/data_root.h"

#include "platform/win/wide_text.h"

#include <shlobj.h>
#include <windows.h>

namespace quorvel::platform {

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
