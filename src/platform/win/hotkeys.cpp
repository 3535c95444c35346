#include "platform/win/hotkeys.h"

#include <windows.h>

namespace quorvel::win32 {

unsigned long register_hotkey(int id, unsigned modifiers, unsigned vk) {
    if (RegisterHotKey(nullptr, id, modifiers, vk))
        return 0;
    const DWORD error = GetLastError();
    return error ? error : ERROR_HOTKEY_ALREADY_REGISTERED;
}

bool unregister_hotkey(int id) {
    return UnregisterHotKey(nullptr, id) != FALSE;
}

int hotkey_id(const void* msg) {
    const MSG* m = static_cast<const MSG*>(msg);
    return m && m->message == WM_HOTKEY ? static_cast<int>(m->wParam) : -1;
}

} // namespace quorvel::win32
