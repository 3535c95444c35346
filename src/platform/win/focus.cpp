#include "platform/win/focus.h"

#include <windows.h>

namespace quorvel::win32 {

namespace {

HWND handle(hwnd_t w) {
    return reinterpret_cast<HWND>(w);
}

} // namespace

bool bring_to_front(hwnd_t target, const settle_fn& settle) {
    HWND window = handle(target);
    if (!target || !IsWindow(window))
        return false;
    const DWORD target_thread = GetWindowThreadProcessId(window, nullptr);
    const DWORD own_thread = GetCurrentThreadId();
    const BOOL attached = AttachThreadInput(target_thread, own_thread, TRUE);
    const BOOL raised = BringWindowToTop(window);
    const BOOL foreground = SetForegroundWindow(window);
    if (settle)
        settle(target, 50);
    else
        Sleep(50);
    const BOOL detached = AttachThreadInput(target_thread, own_thread, FALSE);
    // Some systems (Wine) drop the foreground along with the shared input
    // state when the threads detach; the keys that follow would go nowhere.
    if (foreground && GetForegroundWindow() != window)
        SetForegroundWindow(window);
    return attached && raised && foreground && detached;
}

void raise_to_top(hwnd_t w) {
    if (!w)
        return;
    SetWindowPos(handle(w), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    set_topmost(w, true);
    set_topmost(w, false);
}

// Neither call shows the window: showing it is the toolkit's own work, after
// it has sized the window (a window styled before its first show would
// otherwise appear early, at its default size).
void set_topmost(hwnd_t w, bool on) {
    if (w)
        SetWindowPos(handle(w), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void set_tool_window(hwnd_t w) {
    if (!w)
        return;
    const LONG_PTR style = GetWindowLongPtrW(handle(w), GWL_EXSTYLE);
    SetWindowLongPtrW(handle(w), GWL_EXSTYLE, style | WS_EX_TOOLWINDOW);
    // The style takes effect; z-order and topmost state stay as they are.
    SetWindowPos(handle(w), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void restore(hwnd_t w) {
    if (w)
        ShowWindow(handle(w), SW_SHOWNORMAL);
}

} // namespace quorvel::win32
