#pragma once

// What the Windows checks and benchmarks share: files, waiting while serving
// our own messages, and the Win32 stand-in chat application with its log.
#include "child_modes.h"
#include "process.h"

#include "platform/win/wide_text.h"
#include "platform/win/win_types.h"
#include "platform/win/window_query.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace quorvel::checks {

using win32::hwnd_t;

constexpr UINT raise_event_message = WM_APP + 1;

inline std::string utf8(const std::wstring& text) {
    return platform::to_utf8(text);
}

inline std::wstring exe_dir() {
    std::wstring path = self_path();
    return path.substr(0, path.find_last_of(L"\\/"));
}

inline std::wstring work_dir() {
    static std::wstring dir = [] {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        // Process ids repeat across runs under Wine: add the time.
        std::wstring d = std::wstring(temp) + L"quorvel_checks_" +
                         std::to_wstring(GetCurrentProcessId()) + L"_" +
                         std::to_wstring(GetTickCount64());
        CreateDirectoryW(d.c_str(), nullptr);
        return d;
    }();
    return dir;
}

inline void remove_tree(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = dir + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(dir.c_str());
}

inline std::wstring fresh_dir(const std::wstring& name) {
    static int counter = 0;
    const std::wstring d = work_dir() + L"\\" + name + std::to_wstring(++counter);
    CreateDirectoryW(d.c_str(), nullptr);
    return d;
}

inline std::string read_file(const std::wstring& path) {
    std::string out;
    if (FILE* f = _wfopen(path.c_str(), L"rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            out.append(buffer, n);
        std::fclose(f);
    }
    return out;
}

// Serves our own messages while waiting, as the program's event loop would.
inline void pump(unsigned ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(1);
    } while (std::chrono::steady_clock::now() < end);
}

template <typename F> bool wait_until(F condition, unsigned timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        pump(5);
    }
    return true;
}

// ---- the stand-in's JSON lines ----

// The value of "key" in a flat JSON line: a string unescaped, anything else raw.
inline std::string field(const std::string& line, const std::string& key) {
    const std::string tag = "\"" + key + "\":";
    size_t at = line.find(tag);
    if (at == std::string::npos)
        return {};
    at += tag.size();
    if (line[at] != '"') {
        size_t end = at;
        int depth = 0;
        bool in_string = false;
        for (; end < line.size(); ++end) {
            const char c = line[end];
            if (in_string) {
                if (c == '\\')
                    ++end;
                else if (c == '"')
                    in_string = false;
            } else if (c == '"') {
                in_string = true;
            } else if (c == '[') {
                ++depth;
            } else if (c == ']') {
                --depth;
            } else if ((c == ',' || c == '}') && depth == 0) {
                break;
            }
        }
        return line.substr(at, end - at);
    }
    std::string out;
    for (size_t i = at + 1; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] != '\\') {
            out += line[i];
            continue;
        }
        const char e = line[++i];
        if (e == 'n')
            out += '\n';
        else if (e == 'r')
            out += '\r';
        else if (e == 't')
            out += '\t';
        else if (e == 'u') {
            out += static_cast<char>(std::stoi(line.substr(i + 1, 4), nullptr, 16));
            i += 4;
        } else
            out += e;
    }
    return out;
}

class standin {
public:
    explicit standin(std::vector<std::wstring> args) {
        log_ = work_dir() + L"\\standin_" + std::to_wstring(++count_) + L".jsonl";
        args.push_back(L"--log");
        args.push_back(log_);
        ok_ = process_.start(exe_dir() + L"\\standin_chat_win.exe", args) &&
              wait_until([this] { return !events("started").empty(); }, 15000);
        if (ok_) {
            const std::string started = events("started").front();
            window_ = static_cast<hwnd_t>(std::stoull(field(started, "window")));
            client_ = field(started, "client");
        }
    }
    ~standin() {
        if (win32::is_window(window_))
            PostMessageW(reinterpret_cast<HWND>(window_), WM_CLOSE, 0, 0);
        if (process_.wait(3000) == -1)
            process_.kill();
    }

    bool ok() const { return ok_; }
    hwnd_t window() const { return window_; }
    unsigned long pid() const { return process_.pid(); }
    const std::string& client() const { return client_; }

    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        std::istringstream in(read_file(log_));
        for (std::string line; std::getline(in, line);)
            if (!line.empty())
                out.push_back(line);
        return out;
    }
    std::vector<std::string> events(const std::string& name) const {
        std::vector<std::string> out;
        for (const std::string& line : lines())
            if (field(line, "event") == name)
                out.push_back(line);
        return out;
    }
    bool wait_for(const std::string& name, size_t count, unsigned timeout_ms = 3000) const {
        return wait_until([&] { return events(name).size() >= count; }, timeout_ms);
    }
    void raise(DWORD event, LONG object) const {
        PostMessageW(reinterpret_cast<HWND>(window_), raise_event_message, event, object);
    }

private:
    static inline int count_ = 0;
    process process_;
    std::wstring log_;
    bool ok_ = false;
    hwnd_t window_ = 0;
    std::string client_;
};

} // namespace quorvel::checks
