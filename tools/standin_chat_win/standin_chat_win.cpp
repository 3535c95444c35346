// A stand-in for a chat application on Windows, for the platform checks: one
// main window with the class and title of a real chat main window and a
// RichEdit input box that takes pasted text, files and the rich-edit format.
// Every key, paste and sent message is appended as one JSON line to a log.
//
//   standin_chat_win [--kind wechat|wechat-qt|wecom] [--class C] [--title T]
//                    [--send-key enter|ctrl-enter] [--log FILE]
//                    [--x N --y N --width N --height N] [--announce on]
//
// --announce on: the window raises the WinEvents of its own activation and
// moves itself (EVENT_SYSTEM_FOREGROUND, EVENT_OBJECT_LOCATIONCHANGE), which
// Wine never generates, so a client can follow it there as on Windows.
//
// Posting WM_APP + 1 to the main window with (event, object id) makes it raise
// that WinEvent for itself (NotifyWinEvent), as the system would.
#include <windows.h>

#include "platform/win/clipboard.h"
#include "platform/win/wide_text.h"

#include <shellapi.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

namespace win32 = quorvel::win32;

constexpr UINT raise_event_message = WM_APP + 1;

std::string utf8(const std::wstring& text) {
    return quorvel::platform::to_utf8(text);
}

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string json_strings(const std::vector<std::wstring>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? "," : "") + json_string(utf8(items[i]));
    return out + "]";
}

struct options_t {
    std::wstring klass = L"WeChatMainWndForPC";
    std::wstring title = L"微信";
    bool ctrl_enter_sends = false;
    bool announce = false;
    std::wstring log;
    int x = 200, y = 150, width = 640, height = 480;
};

struct state_t {
    options_t options;
    FILE* log = nullptr;
    HWND main = nullptr;
    HWND edit = nullptr;
    WNDPROC edit_proc = nullptr;
    UINT rich_format = 0;
    std::vector<std::wstring> files;
    std::string rich;
    bool swallow_char = false;
} state;

void write_log(const std::string& fields) {
    if (!state.log)
        return;
    const auto at = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    std::fprintf(state.log, "{%s,\"at_us\":\"%lld\"}\n", fields.c_str(),
                 static_cast<long long>(at));
    std::fflush(state.log);
}

bool open_clipboard() {
    for (int i = 0; i < 50; ++i) {
        if (OpenClipboard(state.main))
            return true;
        Sleep(10);
    }
    return false;
}

std::wstring edit_text() {
    const int length = GetWindowTextLengthW(state.edit);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(state.edit, text.data(), length + 1)));
    return text;
}

void insert(const std::wstring& text) {
    SendMessageW(state.edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

// Ctrl+V: files and the rich-edit format are recorded here; text is left to
// the RichEdit's own paste, so the check sees it land in the control.
bool handle_paste() {
    if (!open_clipboard()) {
        write_log("\"event\":\"paste\",\"error\":\"clipboard busy\"");
        return true;
    }
    std::vector<std::wstring> formats;
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f))
        formats.push_back(win32::clipboard_format_name(f));
    std::string event = "\"event\":\"paste\",\"formats\":" + json_strings(formats);
    bool handled = true;
    if (HANDLE rich = GetClipboardData(state.rich_format)) {
        const char* bytes = static_cast<const char*>(GlobalLock(rich));
        std::string text(bytes ? bytes : "", bytes ? GlobalSize(rich) : 0);
        GlobalUnlock(rich);
        text.resize(std::strlen(text.c_str()));
        state.rich += text;
        event += ",\"rich\":" + json_string(text);
        insert(L"[图文消息]");
    } else if (HANDLE drop = GetClipboardData(CF_HDROP)) {
        std::vector<std::wstring> pasted;
        const UINT count = DragQueryFileW(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            wchar_t path[MAX_PATH * 4] = {};
            DragQueryFileW(static_cast<HDROP>(drop), i, path, MAX_PATH * 4);
            pasted.push_back(path);
            state.files.push_back(path);
        }
        event += ",\"files\":" + json_strings(pasted);
        insert(L"[文件]");
    } else if (HANDLE text = GetClipboardData(CF_UNICODETEXT)) {
        const wchar_t* chars = static_cast<const wchar_t*>(GlobalLock(text));
        event += ",\"text\":" + json_string(utf8(chars ? chars : L""));
        GlobalUnlock(text);
        handled = false;
    }
    CloseClipboard();
    write_log(event);
    return handled;
}

void send(bool ctrl) {
    write_log(std::string("\"event\":\"send\",\"key\":") + (ctrl ? "\"ctrl-enter\"" : "\"enter\"") +
              ",\"text\":" + json_string(utf8(edit_text())) +
              ",\"files\":" + json_strings(state.files) + ",\"rich\":" + json_string(state.rich));
    state.files.clear();
    state.rich.clear();
    SetWindowTextW(state.edit, L"");
}

LRESULT CALLBACK edit_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: {
        const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
        const bool ctrl = GetKeyState(VK_CONTROL) < 0;
        write_log("\"event\":\"key\",\"vk\":" + std::to_string(wparam) + ",\"down\":" +
                  (down ? "true" : "false") + ",\"ctrl\":" + (ctrl ? "true" : "false") +
                  ",\"repeat\":" + ((lparam >> 30) & 1 ? "true" : "false"));
        if (message == WM_KEYDOWN && wparam == 'V' && ctrl && handle_paste())
            return 0;
        if (message == WM_KEYDOWN && wparam == VK_RETURN &&
            ctrl == state.options.ctrl_enter_sends) {
            send(ctrl);
            state.swallow_char = true;
            return 0;
        }
        break;
    }
    case WM_CHAR:
        // The character a send key or Ctrl+V would type.
        if (wparam == 0x16 || (state.swallow_char && (wparam == '\r' || wparam == '\n'))) {
            state.swallow_char = false;
            return 0;
        }
        break;
    default:
        break;
    }
    return CallWindowProcW(state.edit_proc, window, message, wparam, lparam);
}

LRESULT CALLBACK main_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_SIZE:
        if (state.edit)
            MoveWindow(state.edit, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE && state.edit)
            SetFocus(state.edit);
        if (LOWORD(wparam) != WA_INACTIVE && state.options.announce)
            NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, window, OBJID_WINDOW, CHILDID_SELF);
        return 0;
    case WM_MOVE:
        if (state.options.announce)
            NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, window, OBJID_WINDOW, CHILDID_SELF);
        return 0;
    case WM_SETFOCUS:
        if (state.edit)
            SetFocus(state.edit);
        return 0;
    case raise_event_message:
        NotifyWinEvent(static_cast<DWORD>(wparam), window, static_cast<LONG>(lparam), CHILDID_SELF);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

options_t parse(int argc, wchar_t** argv) {
    options_t o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring option = argv[i], value = argv[i + 1];
        if (option == L"--kind") {
            if (value == L"wechat-qt") {
                o.klass = L"Qt51514QWindowIcon";
            } else if (value == L"wecom") {
                o.klass = L"WeWorkWindow";
                o.title = L"企业微信";
            }
        } else if (option == L"--class") {
            o.klass = value;
        } else if (option == L"--title") {
            o.title = value;
        } else if (option == L"--send-key") {
            o.ctrl_enter_sends = value == L"ctrl-enter";
        } else if (option == L"--announce") {
            o.announce = value == L"on";
        } else if (option == L"--log") {
            o.log = value;
        } else if (option == L"--x") {
            o.x = std::stoi(value);
        } else if (option == L"--y") {
            o.y = std::stoi(value);
        } else if (option == L"--width") {
            o.width = std::stoi(value);
        } else if (option == L"--height") {
            o.height = std::stoi(value);
        }
    }
    return o;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    state.options = parse(argc, argv);
    if (!state.options.log.empty())
        state.log = _wfopen(state.options.log.c_str(), L"ab");
    state.rich_format = RegisterClipboardFormatW(L"WeChat_RichEdit_Format");

    const wchar_t* edit_class = L"RICHEDIT50W";
    if (!LoadLibraryW(L"Msftedit.dll")) {
        LoadLibraryW(L"Riched20.dll");
        edit_class = L"RichEdit20W";
    }
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = main_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = state.options.klass.c_str();
    if (!RegisterClassExW(&window_class))
        return 2;
    const options_t& o = state.options;
    state.main = CreateWindowExW(0, o.klass.c_str(), o.title.c_str(), WS_OVERLAPPEDWINDOW, o.x, o.y,
                                 o.width, o.height, nullptr, nullptr, instance, nullptr);
    if (!state.main)
        return 3;
    state.edit = CreateWindowExW(0, edit_class, L"",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL,
                                 0, 0, 100, 100, state.main, nullptr, instance, nullptr);
    if (!state.edit)
        return 4;
    state.edit_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(state.edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(edit_proc)));
    ShowWindow(state.main, SW_SHOWNORMAL);
    UpdateWindow(state.main);
    SetForegroundWindow(state.main);
    SetFocus(state.edit);

    RECT client{};
    GetClientRect(state.main, &client);
    POINT corners[2] = {{client.left, client.top}, {client.right, client.bottom}};
    MapWindowPoints(state.main, nullptr, corners, 2);
    write_log("\"event\":\"started\",\"class\":" + json_string(utf8(o.klass)) + ",\"title\":" +
              json_string(utf8(o.title)) + ",\"edit_class\":" + json_string(utf8(edit_class)) +
              ",\"window\":\"" + std::to_string(reinterpret_cast<std::uintptr_t>(state.main)) +
              "\",\"pid\":" + std::to_string(GetCurrentProcessId()) + ",\"client\":[" +
              std::to_string(corners[0].x) + "," + std::to_string(corners[0].y) + "," +
              std::to_string(corners[1].x) + "," + std::to_string(corners[1].y) + "]");

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (state.log)
        std::fclose(state.log);
    return 0;
}
