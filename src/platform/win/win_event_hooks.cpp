#include "platform/win/win_event_hooks.h"

#include <windows.h>

namespace quorvel::win32 {

namespace {

// Out-of-context events arrive on the thread that set the hook, so each
// hook thread keeps its own sink.
thread_local const win_event_hooks::sink_t* current_sink = nullptr;

void CALLBACK on_win_event(HWINEVENTHOOK, DWORD event, HWND window, LONG object_id, LONG, DWORD,
                           DWORD) {
    window_event kind;
    if (current_sink && translate_win_event(event, object_id, &kind))
        (*current_sink)(kind, reinterpret_cast<hwnd_t>(window));
}

HWINEVENTHOOK hook(DWORD first, DWORD last) {
    return SetWinEventHook(first, last, nullptr, on_win_event, 0, 0,
                           WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
}

} // namespace

bool translate_win_event(std::uint32_t event, long object_id, window_event* out) {
    if (object_id != OBJID_WINDOW)
        return false;
    switch (event) {
    case EVENT_SYSTEM_FOREGROUND:
        *out = window_event::foreground;
        return true;
    case EVENT_OBJECT_SHOW:
        *out = window_event::show;
        return true;
    case EVENT_OBJECT_HIDE:
        *out = window_event::hide;
        return true;
    case EVENT_OBJECT_LOCATIONCHANGE:
        *out = window_event::location;
        return true;
    default:
        return false;
    }
}

win_event_hooks::~win_event_hooks() {
    stop();
}

bool win_event_hooks::start(sink_t sink) {
    if (thread_.joinable())
        return hooked_;
    std::promise<bool> hooked;
    std::future<bool> result = hooked.get_future();
    thread_ = std::thread(&win_event_hooks::run, this, std::move(sink), &hooked);
    if (!result.get()) {
        thread_.join();
        return false;
    }
    return true;
}

void win_event_hooks::run(sink_t sink, std::promise<bool>* hooked) {
    MSG msg;
    // Make sure the thread has a message queue before anyone posts to it.
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    thread_id_ = GetCurrentThreadId();
    current_sink = &sink;
    HWINEVENTHOOK hooks[3] = {hook(EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE),
                              hook(EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE),
                              hook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND)};
    const bool all = hooks[0] && hooks[1] && hooks[2];
    if (all) {
        hooked_ = true;
        hooked->set_value(true);
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    for (HWINEVENTHOOK h : hooks)
        if (h)
            UnhookWinEvent(h);
    hooked_ = false;
    current_sink = nullptr;
    if (!all)
        hooked->set_value(false);
}

void win_event_hooks::stop() {
    if (!thread_.joinable())
        return;
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
    thread_id_ = 0;
}

} // namespace quorvel::win32
