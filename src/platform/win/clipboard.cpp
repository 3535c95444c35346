#include "platform/win/clipboard.h"

#include "platform/dropfiles.h"

#include <windows.h>

#include <cstring>

namespace quorvel::win32 {

namespace {

// Movable, zero-initialised, shareable global memory holding `size` bytes.
HGLOBAL global_block(const void* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, size);
    if (!block)
        return nullptr;
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    if (size)
        std::memcpy(target, data, size);
    GlobalUnlock(block);
    return block;
}

} // namespace

bool set_text(const std::wstring& text) {
    if (text.empty())
        return false;
    if (!OpenClipboard(nullptr))
        return false;
    if (!EmptyClipboard()) {
        CloseClipboard();
        return false;
    }
    HGLOBAL block = global_block(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    if (!block || !SetClipboardData(CF_UNICODETEXT, block)) {
        if (block)
            GlobalFree(block);
        CloseClipboard();
        return false;
    }
    CloseClipboard();
    return true;
}

bool set_files(const std::vector<std::wstring>& paths) {
    if (paths.empty())
        return true;
    const UINT effect_format = RegisterClipboardFormatW(L"Preferred DropEffect");
    if (!effect_format)
        return false;
    std::vector<std::u16string> wide;
    for (const std::wstring& path : paths)
        wide.emplace_back(path.begin(), path.end());
    const std::vector<unsigned char> drop = platform::dropfiles_block(wide);
    const DWORD copy = 1; // DROPEFFECT_COPY
    HGLOBAL effect = global_block(&copy, sizeof(copy));
    HGLOBAL files = global_block(drop.data(), drop.size());
    if (!effect || !files || !OpenClipboard(nullptr)) {
        if (effect)
            GlobalFree(effect);
        if (files)
            GlobalFree(files);
        return false;
    }
    EmptyClipboard();
    // Once set, a block belongs to the clipboard; free only what it refused.
    if (!SetClipboardData(CF_HDROP, files))
        GlobalFree(files);
    if (!SetClipboardData(effect_format, effect))
        GlobalFree(effect);
    CloseClipboard();
    return true;
}

bool set_bytes(const std::wstring& format_name, const std::string& bytes) {
    const UINT format = RegisterClipboardFormatW(format_name.c_str());
    if (!format || !OpenClipboard(nullptr))
        return false;
    EmptyClipboard();
    HGLOBAL block = global_block(bytes.data(), bytes.size());
    const bool ok = block && SetClipboardData(format, block);
    if (block && !ok)
        GlobalFree(block);
    CloseClipboard();
    return ok;
}

std::wstring clipboard_format_name(unsigned format) {
    switch (format) {
    case CF_UNICODETEXT:
        return L"CF_UNICODETEXT";
    case CF_TEXT:
        return L"CF_TEXT";
    case CF_OEMTEXT:
        return L"CF_OEMTEXT";
    case CF_LOCALE:
        return L"CF_LOCALE";
    case CF_HDROP:
        return L"CF_HDROP";
    default:
        break;
    }
    wchar_t name[256] = {};
    if (GetClipboardFormatNameW(format, name, 256) > 0)
        return name;
    return L"format_" + std::to_wstring(format);
}

} // namespace quorvel::win32
