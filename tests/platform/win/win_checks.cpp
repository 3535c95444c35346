// Checks of the Windows core against the real Win32 API (under Wine here, on
// Windows where available), across processes: a stand-in chat application
// receives what the core sends, and copies of this program read the
// clipboard, crash, and hold hotkeys and mutexes.
//
//   win_checks [filter]            runs the checks whose name contains filter
#include "check_runner.h"
#include "child_modes.h"
#include "process.h"
#include "win_check_support.h"

#include "platform/autorun.h"
#include "platform/dropfiles.h"
#include "platform/named_mutex.h"
#include "platform/win/automation.h"
#include "platform/win/clipboard.h"
#include "platform/win/focus.h"
#include "platform/win/hotkeys.h"
#include "platform/win/keys.h"
#include "platform/win/wide_text.h"
#include "platform/win/win_event_hooks.h"
#include "platform/win/window_query.h"

#include <windows.h>

#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

using namespace quorvel;
using namespace quorvel::checks;
using win32::hwnd_t;

namespace {

#define REQUIRE(condition, message)                                                                \
    do {                                                                                           \
        if (!(condition))                                                                          \
            return std::string(message);                                                           \
    } while (0)

std::string hex(const std::string& bytes) {
    std::string out;
    char buffer[4];
    for (unsigned char c : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02x", c);
        out += buffer;
    }
    return out;
}

std::string as_bytes(const std::vector<unsigned char>& v) {
    return std::string(v.begin(), v.end());
}

std::string utf16_bytes(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += static_cast<char>(c & 0xff);
        out += static_cast<char>((c >> 8) & 0xff);
    }
    return out;
}

// What another process finds on the clipboard: format names and bytes.
struct clipboard_dump_t {
    std::string formats;
    std::wstring dir;
    std::string bytes(const std::wstring& format) const {
        return read_file(dir + L"\\" + format + L".bin");
    }
};

clipboard_dump_t dump_clipboard() {
    clipboard_dump_t dump;
    dump.dir = fresh_dir(L"clipboard");
    run_program(self_path(), {L"--dump-clipboard", dump.dir}, 15000);
    dump.formats = read_file(dump.dir + L"\\formats.txt");
    return dump;
}

bool has_format(const clipboard_dump_t& dump, const std::string& name) {
    return ("\n" + dump.formats).find("\n" + name + "\n") != std::string::npos;
}

// ---- pure checks ----

std::string check_translation() {
    struct row_t {
        DWORD event;
        LONG object;
        bool reported;
        win32::window_event kind;
    };
    const row_t rows[] = {
        {EVENT_OBJECT_SHOW, OBJID_WINDOW, true, win32::window_event::show},
        {EVENT_OBJECT_HIDE, OBJID_WINDOW, true, win32::window_event::hide},
        {EVENT_OBJECT_LOCATIONCHANGE, OBJID_WINDOW, true, win32::window_event::location},
        {EVENT_SYSTEM_FOREGROUND, OBJID_WINDOW, true, win32::window_event::foreground},
        {EVENT_OBJECT_SHOW, OBJID_CLIENT, false, {}},
        {EVENT_OBJECT_LOCATIONCHANGE, OBJID_CARET, false, {}},
        {EVENT_OBJECT_CREATE, OBJID_WINDOW, false, {}},
        {EVENT_OBJECT_NAMECHANGE, OBJID_WINDOW, false, {}},
    };
    for (const row_t& row : rows) {
        win32::window_event kind{};
        const bool reported = win32::translate_win_event(row.event, row.object, &kind);
        REQUIRE(reported == row.reported && (!reported || kind == row.kind),
                "event " + std::to_string(row.event) + " object " + std::to_string(row.object));
    }
    return {};
}

// ---- window queries ----

std::string check_window_queries() {
    standin chat({L"--kind", L"wecom", L"--x", L"120", L"--y", L"90"});
    REQUIRE(chat.ok(), "stand-in did not start");
    const hwnd_t w = chat.window();
    REQUIRE(win32::is_window(w), "IsWindow");
    REQUIRE(win32::class_name(w) == L"WeWorkWindow", "class: " + utf8(win32::class_name(w)));
    REQUIRE(win32::title(w) == L"企业微信", "title: " + utf8(win32::title(w)));
    REQUIRE(win32::process_id(w) == chat.pid(), "process id");
    REQUIRE(win32::thread_id(w) != 0 && win32::thread_id(w) != GetCurrentThreadId(), "thread id");
    REQUIRE(win32::is_visible(w) && !win32::is_minimised(w), "visible, not minimised");

    win32::rect_t rect;
    REQUIRE(win32::client_rect_on_screen(w, &rect), "client rect");
    const std::string seen = "[" + std::to_string(rect.left) + "," + std::to_string(rect.top) +
                             "," + std::to_string(rect.right) + "," + std::to_string(rect.bottom) +
                             "]";
    REQUIRE(seen == chat.client(), "client rect " + seen + " but the window has " + chat.client());
    const unsigned dpi = win32::window_dpi(w);
    REQUIRE(dpi >= 96, "dpi " + std::to_string(dpi));

    ShowWindow(reinterpret_cast<HWND>(w), SW_MINIMIZE);
    REQUIRE(wait_until([&] { return win32::is_minimised(w); }, 2000), "minimised");
    win32::restore(w);
    REQUIRE(wait_until([&] { return !win32::is_minimised(w); }, 2000), "restored");
    ShowWindow(reinterpret_cast<HWND>(w), SW_HIDE);
    REQUIRE(wait_until([&] { return !win32::is_visible(w); }, 2000), "hidden");
    ShowWindow(reinterpret_cast<HWND>(w), SW_SHOW);
    REQUIRE(wait_until([&] { return win32::is_visible(w); }, 2000), "shown again");
    return {};
}

std::string check_dead_window() {
    hwnd_t w = 0;
    {
        standin chat({L"--kind", L"wechat"});
        REQUIRE(chat.ok(), "stand-in did not start");
        w = chat.window();
        REQUIRE(win32::title(w) == L"微信", "title");
    }
    REQUIRE(wait_until([&] { return !win32::is_window(w); }, 3000), "still a window");
    REQUIRE(win32::class_name(w).empty() && win32::title(w).empty(), "names of a dead window");
    REQUIRE(!win32::bring_to_front(w), "bring_to_front of a dead window");
    REQUIRE(win32::class_name(0).empty() && !win32::is_window(0) && win32::process_id(0) == 0,
            "null handle");
    return {};
}

bool below(hwnd_t upper, hwnd_t lower) {
    for (hwnd_t w = win32::next_below(upper); w; w = win32::next_below(w))
        if (w == lower)
            return true;
    return false;
}

std::string check_z_order() {
    standin a({L"--kind", L"wecom"});
    standin b({L"--kind", L"wechat", L"--x", L"400"});
    REQUIRE(a.ok() && b.ok(), "stand-ins did not start");
    REQUIRE(win32::bring_to_front(b.window()), "bring b to front");
    REQUIRE(wait_until([&] { return below(b.window(), a.window()); }, 2000), "a below b");
    REQUIRE(!below(a.window(), b.window()), "b below a");
    REQUIRE(win32::bring_to_front(a.window()), "bring a to front");
    REQUIRE(wait_until([&] { return below(a.window(), b.window()); }, 2000), "b below a after");
    REQUIRE(wait_until([&] { return win32::foreground_window() == a.window(); }, 2000),
            "a is not the foreground window: " + std::to_string(win32::foreground_window()) +
                " a " + std::to_string(a.window()) + " b " + std::to_string(b.window()));
    return {};
}

std::string check_styles() {
    standin a({L"--kind", L"wecom"});
    standin b({L"--kind", L"wechat"});
    REQUIRE(a.ok() && b.ok(), "stand-ins did not start");
    HWND w = reinterpret_cast<HWND>(a.window());
    win32::set_tool_window(a.window());
    LONG_PTR style = GetWindowLongPtrW(w, GWL_EXSTYLE);
    REQUIRE(style & WS_EX_TOOLWINDOW, "tool window style");
    REQUIRE(!(style & WS_EX_TOPMOST), "the tool-window styling made the window topmost");
    win32::set_topmost(a.window(), true);
    REQUIRE(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, "topmost on");
    win32::set_topmost(a.window(), false);
    REQUIRE(!(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST), "topmost off");
    win32::set_topmost(a.window(), true);
    REQUIRE(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, "topmost on");
    win32::set_topmost(a.window(), false);

    REQUIRE(win32::bring_to_front(b.window()), "bring b to front");
    win32::raise_to_top(a.window());
    REQUIRE(wait_until([&] { return below(a.window(), b.window()); }, 2000), "a raised above b");
    REQUIRE(!(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST), "a not left topmost");
    REQUIRE(win32::foreground_window() == b.window(), "raising does not activate");

    // Styled before its first show, a window stays hidden until it is shown.
    HWND hidden = CreateWindowExW(0, L"STATIC", L"hidden", WS_POPUP, 0, 0, 100, 100, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    REQUIRE(hidden, "no hidden window");
    const auto id = reinterpret_cast<hwnd_t>(hidden);
    win32::set_tool_window(id);
    win32::set_topmost(id, true);
    const bool shown = IsWindowVisible(hidden);
    const bool topmost = GetWindowLongPtrW(hidden, GWL_EXSTYLE) & WS_EX_TOPMOST;
    DestroyWindow(hidden);
    REQUIRE(!shown, "styling showed a hidden window");
    REQUIRE(topmost, "a hidden window did not become topmost");
    return {};
}

// ---- focus, keys and pastes ----

std::vector<std::pair<int, bool>> keys_after(const standin& chat, size_t skip) {
    std::vector<std::pair<int, bool>> out;
    const auto keys = chat.events("key");
    for (size_t i = skip; i < keys.size(); ++i)
        out.emplace_back(std::stoi(field(keys[i], "vk")), field(keys[i], "down") == "true");
    return out;
}

// The paste record comes with V's press; wait for the chord's last key too,
// so what follows is counted on its own.
bool chord_done(const standin& chat) {
    return wait_until(
        [&] {
            const auto keys = keys_after(chat, 0);
            return !keys.empty() && keys.back() == std::make_pair(int(VK_CONTROL), false);
        },
        3000);
}

std::string check_paste_and_enter() {
    standin chat({L"--kind", L"wecom"});
    REQUIRE(chat.ok(), "stand-in did not start");
    REQUIRE(win32::bring_to_front(chat.window()), "bring_to_front");
    REQUIRE(win32::foreground_window() == chat.window(), "not the foreground window");
    const std::wstring text = L"您好，这里是 Quorvel 客服 😀";
    REQUIRE(win32::set_text(text), "set_text");
    win32::paste_chord();
    REQUIRE(chat.wait_for("paste", 1), "no paste arrived");
    REQUIRE(field(chat.events("paste").front(), "text") == utf8(text), "pasted text differs");
    REQUIRE(chord_done(chat), "the paste chord's Ctrl release did not arrive");
    const size_t keys_before = chat.events("key").size();
    REQUIRE(win32::send_enter(), "SendInput");
    REQUIRE(chat.wait_for("send", 1), "nothing sent");
    wait_until([&] { return chat.events("key").size() >= keys_before + 2; }, 3000);
    pump(100);
    const auto sends = chat.events("send");
    REQUIRE(sends.size() == 1, "sent " + std::to_string(sends.size()) + " times");
    REQUIRE(field(sends[0], "key") == "enter", "send key");
    REQUIRE(field(sends[0], "text") == utf8(text),
            "the RichEdit held \"" + field(sends[0], "text") + "\"");
    const auto keys = keys_after(chat, keys_before);
    const std::vector<std::pair<int, bool>> expected = {{VK_RETURN, true}, {VK_RETURN, false}};
    REQUIRE(keys == expected, "Enter seen " + std::to_string(keys.size()) + " key events");
    return {};
}

std::string check_ctrl_enter() {
    standin chat({L"--kind", L"wecom", L"--send-key", L"ctrl-enter"});
    REQUIRE(chat.ok(), "stand-in did not start");
    REQUIRE(win32::bring_to_front(chat.window()), "bring_to_front");
    REQUIRE(win32::set_text(L"第一行"), "set_text");
    win32::paste_chord();
    REQUIRE(chat.wait_for("paste", 1), "no paste arrived");
    REQUIRE(chord_done(chat), "the paste chord's Ctrl release did not arrive");
    const size_t keys_before = chat.events("key").size();
    // Enter alone must not send in this mode.
    win32::send_enter();
    REQUIRE(wait_until([&] { return chat.events("key").size() >= keys_before + 2; }, 3000),
            "plain Enter not seen");
    pump(100);
    REQUIRE(chat.events("send").empty(), "plain Enter sent");
    const size_t chord_start = chat.events("key").size();
    REQUIRE(chord_start - keys_before == 2, "plain Enter key events");
    win32::ctrl_enter_chord();
    REQUIRE(chat.wait_for("send", 1), "Ctrl+Enter sent nothing");
    REQUIRE(chord_done(chat), "the chord's Ctrl release did not arrive");
    pump(100);
    const auto keys = keys_after(chat, chord_start);
    const std::vector<std::pair<int, bool>> expected = {
        {VK_CONTROL, true}, {VK_RETURN, true}, {VK_RETURN, false}, {VK_CONTROL, false}};
    REQUIRE(keys == expected, "chord order");
    const auto sends = chat.events("send");
    REQUIRE(sends.size() == 1 && field(sends[0], "key") == "ctrl-enter", "one Ctrl+Enter send");
    REQUIRE(field(sends[0], "text").find("第一行") != std::string::npos, "sent text");
    return {};
}

std::string check_file_paste() {
    standin chat({L"--kind", L"wecom"});
    REQUIRE(chat.ok(), "stand-in did not start");
    const std::wstring path = fresh_dir(L"files") + L"\\报价 单.pdf";
    if (FILE* f = _wfopen(path.c_str(), L"wb")) {
        std::fputs("%PDF-1.4\n", f);
        std::fclose(f);
    }
    REQUIRE(win32::set_files({path}), "set_files");
    REQUIRE(win32::bring_to_front(chat.window()), "bring_to_front");
    win32::paste_chord();
    REQUIRE(chat.wait_for("paste", 1), "no paste arrived");
    win32::send_enter();
    REQUIRE(chat.wait_for("send", 1), "nothing sent");
    const std::string files = field(chat.events("send").front(), "files");
    std::string escaped;
    for (char c : utf8(path))
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    REQUIRE(files == "[\"" + escaped + "\"]", "files sent: " + files);
    return {};
}

std::string check_rich_paste() {
    standin chat({L"--kind", L"wechat"});
    REQUIRE(chat.ok(), "stand-in did not start");
    const std::string xml = "<WeChatRichEditFormat><EditElement type=\"0\"><![CDATA[您好]]>"
                            "</EditElement><EditElement type=\"1\" filepath=\"C:\\cache\\a.png\">"
                            "</EditElement></WeChatRichEditFormat>";
    REQUIRE(win32::set_bytes(L"WeChat_RichEdit_Format", xml), "set_bytes");
    REQUIRE(win32::bring_to_front(chat.window()), "bring_to_front");
    win32::paste_chord();
    REQUIRE(chat.wait_for("paste", 1), "no paste arrived");
    REQUIRE(field(chat.events("paste").front(), "rich") == xml, "rich payload differs");
    return {};
}

std::string check_release_modifiers() {
    standin chat({L"--kind", L"wecom"});
    REQUIRE(chat.ok(), "stand-in did not start");
    REQUIRE(win32::bring_to_front(chat.window()), "bring_to_front");
    // The user still holds the Alt of Alt+Z.
    win32::key_event(VK_MENU, true);
    pump(50);
    REQUIRE(GetAsyncKeyState(VK_MENU) & 0x8000, "Alt not seen as held");
    win32::release_held_modifiers();
    pump(50);
    REQUIRE(!(GetAsyncKeyState(VK_MENU) & 0x8000), "Alt still held");
    REQUIRE(win32::set_text(L"after alt"), "set_text");
    win32::paste_chord();
    REQUIRE(chat.wait_for("paste", 1), "paste after releasing Alt did not arrive");
    return {};
}

// ---- clipboard blocks, as another process reads them ----

std::string check_dropfiles_block() {
    const std::string block = as_bytes(platform::dropfiles_block({u"C:\\a.txt"}));
    REQUIRE(block.size() == 40, "size " + std::to_string(block.size()));
    REQUIRE(win32::set_files({L"C:\\a.txt"}), "set_files");
    const clipboard_dump_t dump = dump_clipboard();
    REQUIRE(has_format(dump, "CF_HDROP") && has_format(dump, "Preferred DropEffect"),
            "formats: " + dump.formats);
    const std::string drop = dump.bytes(L"CF_HDROP");
    const std::string expected = std::string("\x14\0\0\0", 4) + std::string(12, '\0') +
                                 std::string("\x01\0\0\0", 4) + utf16_bytes(L"C:\\a.txt") +
                                 std::string(4, '\0');
    REQUIRE(drop == expected, "CF_HDROP " + hex(drop));
    REQUIRE(dump.bytes(L"Preferred DropEffect") == std::string("\x01\0\0\0", 4),
            "Preferred DropEffect " + hex(dump.bytes(L"Preferred DropEffect")));

    REQUIRE(win32::set_files({L"C:\\报价.pdf", L"D:\\b c\\d.png"}), "two files");
    const std::string two = dump_clipboard().bytes(L"CF_HDROP");
    const std::string paths = utf16_bytes(L"C:\\报价.pdf") + std::string(2, '\0') +
                              utf16_bytes(L"D:\\b c\\d.png") + std::string(4, '\0');
    REQUIRE(two == drop.substr(0, 20) + paths, "two files " + hex(two));
    return {};
}

std::string check_text_block() {
    const std::wstring text = L"第一行\r\n第二行 tab\tend";
    REQUIRE(win32::set_text(text), "set_text");
    const clipboard_dump_t dump = dump_clipboard();
    const std::string bytes = dump.bytes(L"CF_UNICODETEXT");
    REQUIRE(bytes == utf16_bytes(text) + std::string(2, '\0'), "CF_UNICODETEXT " + hex(bytes));

    // An empty text and an empty file list leave the clipboard as it was.
    REQUIRE(!win32::set_text(L""), "empty text accepted");
    REQUIRE(win32::set_files({}), "empty file list refused");
    REQUIRE(dump_clipboard().bytes(L"CF_UNICODETEXT") == bytes, "clipboard changed");
    return {};
}

std::string check_rich_block() {
    const std::string xml =
        "<WeChatRichEditFormat><EditElement type=\"0\"><![CDATA[您好2024年03月05日]]>"
        "</EditElement></WeChatRichEditFormat>";
    REQUIRE(win32::set_bytes(L"WeChat_RichEdit_Format", xml), "set_bytes");
    const clipboard_dump_t dump = dump_clipboard();
    REQUIRE(dump.formats == "WeChat_RichEdit_Format\n", "formats: " + dump.formats);
    REQUIRE(dump.bytes(L"WeChat_RichEdit_Format") == xml,
            "bytes " + hex(dump.bytes(L"WeChat_RichEdit_Format")));
    return {};
}

// ---- the user's clipboard kept across a delivery ----

std::string check_clipboard_survives_delivery() {
    standin chat({L"--kind", L"wecom"});
    REQUIRE(chat.ok(), "stand-in did not start");
    const std::wstring file = fresh_dir(L"user") + L"\\发票 三月.pdf";
    REQUIRE(run_program(self_path(), {L"--copy-user-content", L"订单号 A-1024", file}, 15000) == 0,
            "the other process did not copy");
    const clipboard_dump_t before = dump_clipboard();
    REQUIRE(has_format(before, "CF_UNICODETEXT") && has_format(before, "CF_HDROP") &&
                has_format(before, "Quorvel_Note"),
            "formats before: " + before.formats);

    std::vector<win32::clipboard_block_t> kept;
    REQUIRE(win32::read_all(16, &kept) == win32::read_result::too_large, "limit not applied");
    REQUIRE(kept.empty(), "content kept above the limit");
    REQUIRE(win32::read_all(32u << 20, &kept) == win32::read_result::ok, "read_all");

    // The delivery: a text and a file segment, pasted one by one, then sent.
    REQUIRE(win32::bring_to_front(chat.window()), "bring_to_front");
    REQUIRE(win32::set_text(L"您好"), "set_text");
    win32::paste_chord();
    REQUIRE(chat.wait_for("paste", 1) && chord_done(chat), "text paste");
    const std::wstring sticker = fresh_dir(L"sticker") + L"\\smile.png";
    REQUIRE(win32::set_files({sticker}), "set_files");
    win32::paste_chord();
    REQUIRE(chat.wait_for("paste", 2), "file paste");
    win32::send_enter();
    REQUIRE(chat.wait_for("send", 1), "nothing sent");
    const std::string sent = chat.events("send").front();
    REQUIRE(field(sent, "text").rfind("您好", 0) == 0, "sent text: " + field(sent, "text"));
    REQUIRE(field(sent, "files").find("smile.png") != std::string::npos,
            "sent files: " + field(sent, "files"));
    const unsigned long delivered = win32::clipboard_sequence();
    pump(100);
    REQUIRE(win32::clipboard_sequence() == delivered, "the sequence moved by itself");
    REQUIRE(win32::write_all(kept), "write_all");

    const clipboard_dump_t after = dump_clipboard();
    std::istringstream names(before.formats);
    for (std::string name; std::getline(names, name);) {
        REQUIRE(has_format(after, name), "missing after the restore: " + name);
        const std::wstring wide(name.begin(), name.end());
        REQUIRE(after.bytes(wide) == before.bytes(wide), "bytes differ: " + name);
    }
    // A copy by another process moves the sequence, so it is not overwritten.
    const unsigned long restored = win32::clipboard_sequence();
    run_program(self_path(), {L"--copy-user-content", L"A-2048", file}, 15000);
    REQUIRE(win32::clipboard_sequence() != restored, "another process's copy went unseen");
    return {};
}

// ---- hotkeys ----

int hotkey_messages(int id, unsigned ms) {
    int count = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (win32::hotkey_id(&msg) == id)
                ++count;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(2);
    }
    return count;
}

std::string check_hotkey() {
    REQUIRE(win32::register_hotkey(7, win32::mod_alt, 'Z') == 0, "Alt+Z not registered");
    win32::key_event(VK_MENU, true);
    win32::key_event('Z', true);
    win32::key_event('Z', false);
    win32::key_event(VK_MENU, false);
    const int seen = hotkey_messages(7, 1000);
    REQUIRE(win32::register_hotkey(8, win32::mod_alt, 'Z') != 0, "Alt+Z registered twice");
    REQUIRE(win32::unregister_hotkey(7), "unregister");
    REQUIRE(seen == 1, "WM_HOTKEY seen " + std::to_string(seen) + " times");
    REQUIRE(win32::register_hotkey(9, win32::mod_alt, 'Z') == 0, "register again after release");
    win32::unregister_hotkey(9);
    MSG msg{};
    msg.message = WM_KEYDOWN;
    msg.wParam = 7;
    REQUIRE(win32::hotkey_id(&msg) == -1, "non-hotkey message");
    return {};
}

std::string check_taken_hotkey() {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, holder_ready_event);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, holder_release_event);
    process holder;
    std::string problem;
    if (!holder.start(self_path(), {L"--hold-hotkey"})) {
        problem = "holder did not start";
    } else if (WaitForSingleObject(ready, 10000) != WAIT_OBJECT_0) {
        problem = "holder never registered Alt+Q";
    } else {
        const unsigned long error = win32::register_hotkey(11, win32::mod_alt, 'Q');
        if (error != ERROR_HOTKEY_ALREADY_REGISTERED)
            problem = "taken Alt+Q gave " + std::to_string(error);
        SetEvent(release);
        holder.wait(5000);
        if (problem.empty() && win32::register_hotkey(11, win32::mod_alt, 'Q') != 0)
            problem = "Alt+Q not free after the holder ended";
        win32::unregister_hotkey(11);
    }
    CloseHandle(ready);
    CloseHandle(release);
    return problem;
}

// ---- process and shell ----

std::wstring run_value() {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                     L"quorvel", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<none>";
    return value;
}

std::string check_autorun() {
    const std::wstring path = L"C:\\Program Files\\客服 助手\\quorvel.exe";
    REQUIRE(platform::set_autorun(utf8(path)), "set_autorun");
    REQUIRE(platform::autorun_enabled(), "not enabled after set");
    REQUIRE(run_value() == path, "Run value is " + utf8(run_value()));
    REQUIRE(platform::remove_autorun(), "remove_autorun");
    REQUIRE(!platform::autorun_enabled() && run_value() == L"<none>", "value left behind");
    REQUIRE(platform::remove_autorun(), "removing an absent value failed");
    return {};
}

std::string check_named_mutex() {
    const std::string name = "{2CA65185-0D8D-4E7A-928A-865D7A4D8CD4}";
    const std::wstring wide = L"{2CA65185-0D8D-4E7A-928A-865D7A4D8CD4}";
    {
        platform::named_mutex mutex(name);
        REQUIRE(mutex.valid() && !mutex.already_existed(), "first mutex");
        REQUIRE(run_program(self_path(), {L"--mutex", wide}, 10000) == 2,
                "another process did not see the mutex");
    }
    REQUIRE(run_program(self_path(), {L"--mutex", wide}, 10000) == 0,
            "mutex still there after closing");
    return {};
}

std::uint32_t le32(const std::string& bytes, size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

// A minidump's stream directory lists an exception stream (type 6).
bool has_exception_stream(const std::string& dump) {
    const std::uint32_t streams = le32(dump, 8), directory = le32(dump, 12);
    for (std::uint32_t i = 0; i < streams; ++i) {
        const size_t at = directory + 12 * static_cast<size_t>(i);
        if (at + 12 <= dump.size() && le32(dump, at) == 6)
            return true;
    }
    return false;
}

// One crash of the given kind in a child: one dump named as the reports
// expect, and an end without a dialog.
std::string check_crash(const std::wstring& kind, DWORD expected_code, bool with_exception) {
    const std::wstring dir = fresh_dir(L"crash");
    const int code = run_program(self_path(), {L"--crash", dir, kind}, 60000);
    REQUIRE(code != -1, "the crashing process hung (a dialog?)");
    REQUIRE(static_cast<DWORD>(code) == expected_code,
            "exit code " + std::to_string(static_cast<DWORD>(code)));
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..")
                names.push_back(utf8(name));
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    REQUIRE(names.size() == 1, std::to_string(names.size()) + " files in the crash folder");
    const std::regex pattern("\\d{8}_\\d{6}_[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-"
                             "[0-9a-f]{12}\\.dmp");
    REQUIRE(std::regex_match(names[0], pattern), "dump name " + names[0]);
    const std::string dump = read_file(dir + L"\\" + platform::from_utf8(names[0]));
    REQUIRE(dump.size() > 1024 && dump.compare(0, 4, "MDMP") == 0, "not a minidump");
    REQUIRE(!with_exception || has_exception_stream(dump), "the dump has no exception record");
    return {};
}

// ---- window events ----

struct recorder_t {
    std::mutex mutex;
    std::vector<std::pair<win32::window_event, hwnd_t>> events;
    win32::win_event_hooks::sink_t sink() {
        return [this](win32::window_event kind, hwnd_t w) {
            std::lock_guard<std::mutex> lock(mutex);
            events.emplace_back(kind, w);
        };
    }
    std::vector<win32::window_event> for_window(hwnd_t w) {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<win32::window_event> out;
        for (const auto& e : events)
            if (e.second == w)
                out.push_back(e.first);
        return out;
    }
};

std::string check_event_routing() {
    standin chat({L"--kind", L"wecom"});
    REQUIRE(chat.ok(), "stand-in did not start");
    recorder_t recorder;
    win32::win_event_hooks hooks;
    REQUIRE(hooks.start(recorder.sink()) && hooks.hooked(), "hooks not installed");
    pump(100);
    const hwnd_t w = chat.window();
    chat.raise(EVENT_OBJECT_SHOW, OBJID_CLIENT);       // not a whole window: ignored
    chat.raise(EVENT_OBJECT_NAMECHANGE, OBJID_WINDOW); // not watched
    chat.raise(EVENT_OBJECT_SHOW, OBJID_WINDOW);
    chat.raise(EVENT_OBJECT_LOCATIONCHANGE, OBJID_WINDOW);
    chat.raise(EVENT_SYSTEM_FOREGROUND, OBJID_WINDOW);
    chat.raise(EVENT_OBJECT_HIDE, OBJID_WINDOW);
    using e = win32::window_event;
    const std::vector<e> expected = {e::show, e::location, e::foreground, e::hide};
    wait_until([&] { return recorder.for_window(w).size() >= expected.size(); }, 3000);
    pump(200);
    REQUIRE(recorder.for_window(w) == expected, std::to_string(recorder.for_window(w).size()) +
                                                    " events, not show, location, "
                                                    "foreground, hide");
    hooks.stop();
    REQUIRE(!hooks.hooked(), "still hooked after stop");
    chat.raise(EVENT_OBJECT_SHOW, OBJID_WINDOW);
    pump(300);
    REQUIRE(recorder.for_window(w).size() == expected.size(), "events after stop");
    // A second start works after a stop.
    REQUIRE(hooks.start(recorder.sink()), "restart");
    pump(100);
    chat.raise(EVENT_OBJECT_HIDE, OBJID_WINDOW);
    REQUIRE(wait_until([&] { return recorder.for_window(w).size() == expected.size() + 1; }, 3000),
            "no event after restart");
    hooks.stop();
    return {};
}

std::string check_system_events() {
    standin a({L"--kind", L"wecom"});
    standin b({L"--kind", L"wechat", L"--x", L"500"});
    REQUIRE(a.ok() && b.ok(), "stand-ins did not start");
    recorder_t recorder;
    win32::win_event_hooks hooks;
    REQUIRE(hooks.start(recorder.sink()), "hooks not installed");
    pump(100);
    HWND w = reinterpret_cast<HWND>(a.window());
    ShowWindow(w, SW_HIDE);
    ShowWindow(w, SW_SHOW);
    SetWindowPos(w, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    win32::bring_to_front(b.window());
    win32::bring_to_front(a.window());
    pump(500);
    const auto seen = recorder.for_window(a.window());
    using e = win32::window_event;
    for (e kind : {e::hide, e::show, e::location, e::foreground})
        REQUIRE(std::find(seen.begin(), seen.end(), kind) != seen.end(),
                "event " + std::to_string(static_cast<int>(kind)) + " never raised by the system");
    return {};
}

LRESULT CALLBACK plain_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(w, m, wp, lp);
}

int own_events_seen = 0;

void CALLBACK count_own_event(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
    ++own_events_seen;
}

std::string check_skip_own_process() {
    WNDCLASSW klass{};
    klass.lpfnWndProc = plain_proc;
    klass.hInstance = GetModuleHandleW(nullptr);
    klass.lpszClassName = L"quorvel_checks_own";
    RegisterClassW(&klass);
    HWND own = CreateWindowExW(0, klass.lpszClassName, L"own", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                               nullptr, nullptr, klass.hInstance, nullptr);
    // A control hook without the flag shows that own events do arrive here;
    // without it the check could not tell anything.
    own_events_seen = 0;
    HWINEVENTHOOK control = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr,
                                            count_own_event, 0, 0, WINEVENT_OUTOFCONTEXT);
    recorder_t recorder;
    win32::win_event_hooks hooks;
    REQUIRE(hooks.start(recorder.sink()), "hooks not installed");
    NotifyWinEvent(EVENT_OBJECT_SHOW, own, OBJID_WINDOW, CHILDID_SELF);
    pump(300);
    hooks.stop();
    UnhookWinEvent(control);
    const size_t seen = recorder.for_window(reinterpret_cast<hwnd_t>(own)).size();
    DestroyWindow(own);
    REQUIRE(own_events_seen > 0, "own-process events are not delivered here at all");
    REQUIRE(seen == 0, "an event of our own process was reported");
    return {};
}

std::string check_automation_class() {
    standin chat({L"--kind", L"wechat-qt"});
    REQUIRE(chat.ok(), "stand-in did not start");
    const std::wstring name = win32::automation_class_name(chat.window());
    REQUIRE(name == L"Qt51514QWindowIcon", "UI Automation class \"" + utf8(name) + "\"");
    // The rules hold on a thread that already chose another apartment.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring again = win32::automation_class_name(chat.window());
    CoUninitialize();
    REQUIRE(again == name, "from a single-threaded apartment: \"" + utf8(again) + "\"");
    return {};
}

bool under_wine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int child_exit = 0;
    if (run_child_mode(argc, argv, &child_exit))
        return child_exit;
    const std::string filter = argc > 1 ? utf8(argv[1]) : std::string();

    check_runner runner(under_wine());
    runner.add("event translation table", check_translation);
    runner.add("window queries on another process", check_window_queries);
    runner.add("queries on a closed window", check_dead_window);
    runner.add("z-order walk", check_z_order);
    runner.add("tool-window, topmost and raise styles", check_styles);
    runner.add("text paste and SendInput Enter", check_paste_and_enter);
    runner.add("Ctrl+Enter chord order", check_ctrl_enter);
    runner.add("file paste", check_file_paste);
    runner.add("rich-edit paste", check_rich_paste);
    runner.add("held modifiers released", check_release_modifiers);
    runner.add("DROPFILES and Preferred DropEffect blocks", check_dropfiles_block);
    runner.add("CF_UNICODETEXT block", check_text_block);
    runner.add("rich-edit format block", check_rich_block);
    runner.add("user's clipboard survives a delivery", check_clipboard_survives_delivery);
    runner.add("hotkey registration and WM_HOTKEY", check_hotkey);
    runner.add("hotkey taken by another process", check_taken_hotkey);
    runner.add("Run value with a CJK path", check_autorun);
    runner.add("named installer mutex", check_named_mutex);
    // A fault reaches the runtime's signal handler first, which ends the
    // process with the signal's default action (exit code 3).
    runner.add("access violation writes one minidump",
               [] { return check_crash(L"fault", 3, false); });
    runner.add("unhandled exception writes one minidump with its record",
               [] { return check_crash(L"exception", crash_exception_code, true); });
    runner.add("window event routing (events raised by hand)", check_event_routing);
    runner.add_expected_to_fail_under_wine("window events raised by the system",
                                           "Wine 8 raises no show, hide, move or foreground events",
                                           check_system_events);
    runner.add_expected_to_fail_under_wine(
        "own process skipped", "Wine 8 ignores WINEVENT_SKIPOWNPROCESS", check_skip_own_process);
    runner.add_expected_to_fail_under_wine("UI Automation class name",
                                           "Wine 8's UI Automation reports no class names",
                                           check_automation_class);
    runner.add_manual("foreground lock",
                      "from a background process, bring_to_front takes the foreground only "
                      "while the user is not typing elsewhere (Wine lets any process take it)");
    runner.add_manual("high DPI",
                      "at 150 % scaling window_dpi gives 144 and the docked window lines up "
                      "with the chat window (Wine always answers 96)");
    runner.add_manual(
        "elevated chat window",
        "keys and pastes into a chat application run as administrator are "
        "blocked unless the assistant is elevated too (Wine has no integrity levels)");
    runner.add_manual("real chat applications",
                      "WeChat (both main windows) and WeCom accept the text, file and rich-edit "
                      "pastes and send on their own send key");
    const int failed = runner.run(filter);
    remove_tree(work_dir());
    return failed == 0 ? 0 : 1;
}
