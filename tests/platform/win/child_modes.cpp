#include "child_modes.h"

#include "platform/crash_dump.h"
#include "platform/named_mutex.h"
#include "platform/win/clipboard.h"
#include "platform/win/hotkeys.h"
#include "platform/win/wide_text.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace quorvel::checks {

const wchar_t* const holder_ready_event = L"quorvel_checks_holder_ready";
const wchar_t* const holder_release_event = L"quorvel_checks_holder_release";

namespace {

// Writes every clipboard format into DIR as "<name>.bin", and the list of
// names into DIR\formats.txt.
int dump_clipboard(const std::wstring& dir) {
    for (int i = 0; i < 100 && !OpenClipboard(nullptr); ++i)
        Sleep(10);
    std::wstring list;
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) {
        const std::wstring name = win32::clipboard_format_name(f);
        list += name + L"\n";
        HANDLE data = GetClipboardData(f);
        if (!data)
            continue;
        const void* bytes = GlobalLock(data);
        if (!bytes)
            continue;
        if (FILE* out = _wfopen((dir + L"\\" + name + L".bin").c_str(), L"wb")) {
            std::fwrite(bytes, 1, GlobalSize(data), out);
            std::fclose(out);
        }
        GlobalUnlock(data);
    }
    CloseClipboard();
    if (FILE* out = _wfopen((dir + L"\\formats.txt").c_str(), L"wb")) {
        const std::string utf8 = platform::to_utf8(list);
        std::fwrite(utf8.data(), 1, utf8.size(), out);
        std::fclose(out);
    }
    return 0;
}

HGLOBAL memory_block(const void* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (void* target = block ? GlobalLock(block) : nullptr) {
        std::memcpy(target, data, size);
        GlobalUnlock(block);
    }
    return block;
}

// Copies as another program would: a text, a file list and a private format,
// set with plain Win32 calls. The content stays after this process ends.
int copy_user_content(const std::wstring& text, const std::wstring& file) {
    for (int i = 0; i < 100 && !OpenClipboard(nullptr); ++i)
        Sleep(10);
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT,
                     memory_block(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
    std::vector<unsigned char> drop(20, 0);
    drop[0] = 20;
    drop[16] = 1;
    for (wchar_t c : file + std::wstring(2, L'\0')) {
        drop.push_back(static_cast<unsigned char>(c & 0xff));
        drop.push_back(static_cast<unsigned char>(c >> 8));
    }
    SetClipboardData(CF_HDROP, memory_block(drop.data(), drop.size()));
    const DWORD effect = 1;
    SetClipboardData(RegisterClipboardFormatW(L"Preferred DropEffect"),
                     memory_block(&effect, sizeof effect));
    const char note[] = "\x00\x01\xff note";
    SetClipboardData(RegisterClipboardFormatW(L"Quorvel_Note"), memory_block(note, 8));
    CloseClipboard();
    return 0;
}

int crash(const std::wstring& dir, const std::wstring& kind) {
    platform::install_crash_handlers(platform::to_utf8(dir) + "/");
    if (kind == L"exception")
        RaiseException(crash_exception_code, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}

int hold_mutex(const std::wstring& name) {
    platform::named_mutex mutex(platform::to_utf8(name));
    if (!mutex.valid())
        return 1;
    return mutex.already_existed() ? 2 : 0;
}

// Holds Alt+Q until told to let go (at most 30 s).
int hold_hotkey() {
    if (win32::register_hotkey(1, win32::mod_alt, 'Q') != 0)
        return 1;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, holder_ready_event);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, holder_release_event);
    SetEvent(ready);
    WaitForSingleObject(release, 30000);
    win32::unregister_hotkey(1);
    CloseHandle(ready);
    CloseHandle(release);
    return 0;
}

} // namespace

bool run_child_mode(int argc, wchar_t** argv, int* exit_code) {
    if (argc < 2)
        return false;
    const std::wstring mode = argv[1];
    const std::wstring arg = argc > 2 ? argv[2] : L"";
    if (mode == L"--dump-clipboard")
        *exit_code = dump_clipboard(arg);
    else if (mode == L"--copy-user-content")
        *exit_code = copy_user_content(arg, argc > 3 ? argv[3] : L"");
    else if (mode == L"--crash")
        *exit_code = crash(arg, argc > 3 ? argv[3] : L"fault");
    else if (mode == L"--mutex")
        *exit_code = hold_mutex(arg);
    else if (mode == L"--hold-hotkey")
        *exit_code = hold_hotkey();
    else
        return false;
    return true;
}

std::wstring self_path() {
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return path;
}

} // namespace quorvel::checks
