#include "platform/data_root.h"

#include "platform/win/wide_text.h"

#include <shlobj.h>
#include <windows.h>

namespace quorvel::platform {

std::string user_data_root() {
    PWSTR folder = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder)))
        return {};
    std::string path = to_utf8_path(folder);
    CoTaskMemFree(folder);
    return path;
}

} // namespace quorvel::platform
