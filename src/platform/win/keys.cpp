#include "platform/win/keys.h"

#include <windows.h>

#include <initializer_list>

namespace quorvel::win32 {

void key_event(unsigned short vk, bool press) {
    const BYTE scan = static_cast<BYTE>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    keybd_event(static_cast<BYTE>(vk), scan, press ? 0 : KEYEVENTF_KEYUP, 0);
}

void paste_chord() {
    key_event(vk_control, true);
    key_event(vk_v, true);
    key_event(vk_v, false);
    key_event(vk_control, false);
}

void ctrl_enter_chord() {
    key_event(vk_control, true);
    key_event(vk_return, true);
    key_event(vk_return, false);
    key_event(vk_control, false);
}

bool send_enter() {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_RETURN;
    input.ki.wScan = 0;
    input.ki.dwFlags = 0;
    input.ki.time = 0;
    input.ki.dwExtraInfo = 0;
    const UINT pressed = SendInput(1, &input, sizeof(INPUT));
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    const UINT released = SendInput(1, &input, sizeof(INPUT));
    return pressed == 1 && released == 1;
}

namespace {

bool down(int vk) {
    return GetAsyncKeyState(vk) & 0x8000;
}

} // namespace

void release_held_modifiers() {
    // Alt or Win released with no other key in between opens the window's
    // menu (or the Start menu), which would then swallow the paste: tap Ctrl
    // first so the release is not a lone one.
    if (down(VK_MENU) || down(VK_LWIN) || down(VK_RWIN)) {
        key_event(vk_control, true);
        key_event(vk_control, false);
    }
    // Sided keys first; a generic press (VK_MENU rather than VK_LMENU) may
    // only show as the generic key.
    for (int vk : {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU, VK_LWIN,
                   VK_RWIN, VK_SHIFT, VK_CONTROL, VK_MENU}) {
        if (down(vk))
            key_event(static_cast<unsigned short>(vk), false);
    }
}

} // namespace quorvel::win32
