#include "platform/win/window_query.h"

#include <windows.h>

namespace quorvel::win32 {

namespace {

HWND handle(hwnd_t w) {
    return reinterpret_cast<HWND>(w);
}

} // namespace

bool is_window(hwnd_t w) {
    return w && IsWindow(handle(w));
}

bool is_visible(hwnd_t w) {
    return w && IsWindowVisible(handle(w));
}

bool is_minimised(hwnd_t w) {
    return w && IsIconic(handle(w));
}

std::wstring class_name(hwnd_t w) {
    if (!is_window(w))
        return {};
    wchar_t buffer[260] = {};
    const int length = GetClassNameW(handle(w), buffer, 260);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::wstring title(hwnd_t w) {
    if (!is_window(w))
        return {};
    const int length = GetWindowTextLengthW(handle(w));
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(handle(w), text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

std::uint32_t process_id(hwnd_t w) {
    DWORD pid = 0;
    if (w)
        GetWindowThreadProcessId(handle(w), &pid);
    return pid;
}

std::uint32_t thread_id(hwnd_t w) {
    return w ? GetWindowThreadProcessId(handle(w), nullptr) : 0;
}

hwnd_t next_below(hwnd_t w) {
    return w ? reinterpret_cast<hwnd_t>(GetWindow(handle(w), GW_HWNDNEXT)) : 0;
}

hwnd_t foreground_window() {
    return reinterpret_cast<hwnd_t>(GetForegroundWindow());
}

unsigned window_dpi(hwnd_t w) {
    using get_dpi_t = UINT(WINAPI*)(HWND);
    unsigned dpi = 96;
    HMODULE user32 = LoadLibraryW(L"user32.dll");
    if (!user32)
        return dpi;
    auto get_dpi = reinterpret_cast<get_dpi_t>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
    if (get_dpi) {
        const UINT value = get_dpi(handle(w));
        if (value > 0)
            dpi = value;
    }
    FreeLibrary(user32);
    return dpi;
}

bool client_rect_on_screen(hwnd_t w, rect_t* rect) {
    RECT client{};
    if (!w || !GetClientRect(handle(w), &client))
        return false;
    POINT top_left{client.left, client.top};
    POINT bottom_right{client.right, client.bottom};
    if (!ClientToScreen(handle(w), &top_left) || !ClientToScreen(handle(w), &bottom_right))
        return false;
    *rect = rect_t{top_left.x, top_left.y, bottom_right.x, bottom_right.y};
    return true;
}

} // namespace quorvel::win32
