// Window events on Windows: the core's WinEvent hooks, relayed.
#include "platform/desktop.h"

#include "platform/win/win_event_hooks.h"

namespace quorvel::platform {

namespace {

window_event_kind kind_of(win32::window_event e) {
    switch (e) {
    case win32::window_event::show:
        return window_event_kind::show;
    case win32::window_event::hide:
        return window_event_kind::hide;
    case win32::window_event::location:
        return window_event_kind::location;
    case win32::window_event::foreground:
        break;
    }
    return window_event_kind::foreground;
}

class win_window_event_source final : public window_event_source {
public:
    bool start(sink_t sink) override {
        return hooks_.start([sink](win32::window_event e, win32::hwnd_t w) {
            sink(window_event_t{kind_of(e), static_cast<window_handle_t>(w)});
        });
    }
    void stop() override { hooks_.stop(); }

private:
    win32::win_event_hooks hooks_;
};

} // namespace

std::unique_ptr<window_event_source> create_window_event_source() {
    return std::make_unique<win_window_event_source>();
}

} // namespace quorvel::platform
