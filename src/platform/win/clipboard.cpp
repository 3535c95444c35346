#include "platform/win/clipboard.h"

#include "platform/dropfiles.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

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

namespace {

struct standard_format_t {
    UINT id;
    const wchar_t* name;
    bool in_memory; // an HGLOBAL block, not a GDI or private handle
};

const standard_format_t standard_formats[] = {
    {CF_TEXT, L"CF_TEXT", true},
    {CF_BITMAP, L"CF_BITMAP", false},
    {CF_METAFILEPICT, L"CF_METAFILEPICT", false},
    {CF_SYLK, L"CF_SYLK", true},
    {CF_DIF, L"CF_DIF", true},
    {CF_TIFF, L"CF_TIFF", true},
    {CF_OEMTEXT, L"CF_OEMTEXT", true},
    {CF_DIB, L"CF_DIB", true},
    {CF_PALETTE, L"CF_PALETTE", false},
    {CF_PENDATA, L"CF_PENDATA", true},
    {CF_RIFF, L"CF_RIFF", true},
    {CF_WAVE, L"CF_WAVE", true},
    {CF_UNICODETEXT, L"CF_UNICODETEXT", true},
    {CF_ENHMETAFILE, L"CF_ENHMETAFILE", false},
    {CF_HDROP, L"CF_HDROP", true},
    {CF_LOCALE, L"CF_LOCALE", true},
    {CF_DIBV5, L"CF_DIBV5", true},
    {CF_OWNERDISPLAY, L"CF_OWNERDISPLAY", false},
    {CF_DSPTEXT, L"CF_DSPTEXT", true},
    {CF_DSPBITMAP, L"CF_DSPBITMAP", false},
    {CF_DSPMETAFILEPICT, L"CF_DSPMETAFILEPICT", false},
    {CF_DSPENHMETAFILE, L"CF_DSPENHMETAFILE", false},
};

const standard_format_t* standard_format(UINT id) {
    for (const standard_format_t& f : standard_formats)
        if (f.id == id)
            return &f;
    return nullptr;
}

// Registered formats are always memory blocks; of the predefined ones only some.
bool held_in_memory(UINT format) {
    if (format >= 0xC000)
        return true;
    const standard_format_t* f = standard_format(format);
    return f && f->in_memory;
}

// Another process may hold the clipboard for a moment.
bool open_clipboard() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(nullptr))
            return true;
        Sleep(5);
    }
    return false;
}

struct held_block_t {
    UINT format;
    HANDLE data;
    size_t size;
};

std::vector<held_block_t> memory_blocks() {
    std::vector<held_block_t> held;
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) {
        if (!held_in_memory(f))
            continue;
        if (HANDLE data = GetClipboardData(f))
            held.push_back({f, data, GlobalSize(data)});
    }
    return held;
}

} // namespace

std::wstring clipboard_format_name(unsigned format) {
    if (const standard_format_t* f = standard_format(format))
        return f->name;
    wchar_t name[256] = {};
    if (GetClipboardFormatNameW(format, name, 256) > 0)
        return name;
    return L"format_" + std::to_wstring(format);
}

unsigned clipboard_format_of(const std::wstring& name) {
    for (const standard_format_t& f : standard_formats)
        if (name == f.name)
            return f.id;
    const std::wstring numbered = L"format_";
    if (name.compare(0, numbered.size(), numbered) == 0)
        return static_cast<unsigned>(std::wcstoul(name.c_str() + numbered.size(), nullptr, 10));
    return RegisterClipboardFormatW(name.c_str());
}

read_result read_all(size_t max_bytes, std::vector<clipboard_block_t>* blocks) {
    if (!open_clipboard())
        return read_result::failed;
    const std::vector<held_block_t> held = memory_blocks();
    size_t total = 0;
    for (const held_block_t& h : held)
        total += h.size;
    if (total > max_bytes) {
        CloseClipboard();
        return read_result::too_large;
    }
    std::vector<clipboard_block_t> read;
    for (const held_block_t& h : held) {
        const void* bytes = GlobalLock(h.data);
        if (!bytes && h.size)
            continue;
        read.push_back({clipboard_format_name(h.format),
                        std::string(static_cast<const char*>(bytes), h.size)});
        GlobalUnlock(h.data);
    }
    CloseClipboard();
    *blocks = std::move(read);
    return read_result::ok;
}

bool write_all(const std::vector<clipboard_block_t>& blocks) {
    if (!open_clipboard())
        return false;
    bool ok = EmptyClipboard();
    for (const clipboard_block_t& block : blocks) {
        const UINT format = clipboard_format_of(block.name);
        HGLOBAL memory = format ? global_block(block.bytes.data(), block.bytes.size()) : nullptr;
        // Once set, a block belongs to the clipboard; free only what it refused.
        if (!memory || !SetClipboardData(format, memory)) {
            if (memory)
                GlobalFree(memory);
            ok = false;
        }
    }
    CloseClipboard();
    return ok;
}

unsigned long clipboard_sequence() {
    return GetClipboardSequenceNumber();
}

} // namespace quorvel::win32
