#pragma once

// System-wide hotkeys registered for the calling thread; WM_HOTKEY arrives in
// that thread's message queue.
namespace quorvel::win32 {

constexpr unsigned mod_alt = 0x0001;
constexpr unsigned mod_control = 0x0002;
constexpr unsigned mod_shift = 0x0004;
constexpr unsigned mod_win = 0x0008;

// 0 on success, otherwise the system's error code (1409 when another program
// holds the key).
unsigned long register_hotkey(int id, unsigned modifiers, unsigned vk);
bool unregister_hotkey(int id);
// The id of a WM_HOTKEY message (a MSG*), -1 for any other message.
int hotkey_id(const void* msg);

} // namespace quorvel::win32
