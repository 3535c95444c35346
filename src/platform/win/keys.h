#pragma once

// Simulated keys into the system-wide input stream.
namespace quorvel::win32 {

constexpr unsigned short vk_control = 0x11;
constexpr unsigned short vk_return = 0x0D;
constexpr unsigned short vk_v = 0x56;

// One keybd_event with the key's MAPVK_VK_TO_VSC scan code.
void key_event(unsigned short vk, bool press);
// Ctrl down, V down, V up, Ctrl up, with no delay between them.
void paste_chord();
// Ctrl down, Enter down, Enter up, Ctrl up.
void ctrl_enter_chord();
// Enter through SendInput: one call to press, one to release.
bool send_enter();
// Releases Shift, Ctrl, Alt and Win keys that are still down, so a hotkey's
// Alt does not turn Ctrl+V into Ctrl+Alt+V.
void release_held_modifiers();

} // namespace quorvel::win32
