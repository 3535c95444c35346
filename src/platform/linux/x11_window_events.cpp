#include "platform/desktop.h"

#include <atomic>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

// Xlib last: its macros (Bool, None, Status) break Qt headers.
#include "platform/linux/x11_support.h"

namespace quorvel::platform {

namespace {

using namespace x11;

// Watches the root window on a connection and thread of its own: frames (or,
// without a window manager, the windows themselves) being mapped, unmapped
// and moved, and the active window changing. Events name the client window.
// The clients are watched too: the window manager resizes the frame before
// the client, so a frame's event alone would read the client's old size.
class x11_window_events : public window_event_source {
public:
    ~x11_window_events() override { stop(); }

    bool start(sink_t sink) override {
        if (running_)
            return true;
        install_error_handler();
        display_ = XOpenDisplay(nullptr);
        if (!display_)
            return false;
        sink_ = std::move(sink);
        XSelectInput(display_, DefaultRootWindow(display_),
                     SubstructureNotifyMask | PropertyChangeMask);
        for (const Window client : client_stack(display_))
            watch_client(client);
        XFlush(display_);
        running_ = true;
        thread_ = std::thread([this] { loop(); });
        return true;
    }

    void stop() override {
        if (!running_.exchange(false))
            return;
        if (thread_.joinable())
            thread_.join();
        XCloseDisplay(display_);
        display_ = nullptr;
    }

private:
    void loop() {
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        while (running_) {
            // Round trips can leave events queued without waking the socket.
            while (running_ && XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                handle(event);
            }
            ::poll(&fd, 1, 100);
        }
    }

    // The client of a root child; remembered, since an unmapped or destroyed
    // frame can no longer be searched.
    Window client_for(Window top) {
        const auto it = clients_.find(top);
        if (it != clients_.end())
            return it->second;
        const Window client = client_of(display_, top);
        if (client)
            clients_[top] = client;
        return client;
    }

    void watch_client(Window client) { XSelectInput(display_, client, StructureNotifyMask); }

    void emit_for(window_event_kind kind, Window client) {
        if (!client || window_pid(display_, client) == own_pid_)
            return;
        sink_(window_event_t{kind, client});
    }

    void handle(const XEvent& event) {
        if (event.xany.window != DefaultRootWindow(display_)) {
            // A watched client itself: once it is configured its size is final.
            // Its other events reach us through the root as well.
            if (event.type == ConfigureNotify)
                emit_for(window_event_kind::location, event.xconfigure.window);
            return;
        }
        switch (event.type) {
        case ReparentNotify:
            // A client moved into a frame: remember the pair, and watch it.
            if (event.xreparent.parent != DefaultRootWindow(display_)) {
                clients_[event.xreparent.parent] = event.xreparent.window;
                watch_client(event.xreparent.window);
            }
            break;
        case MapNotify:
            if (!event.xmap.override_redirect)
                emit_for(window_event_kind::show, client_for(event.xmap.window));
            break;
        case UnmapNotify:
            emit_for(window_event_kind::hide, client_for(event.xunmap.window));
            break;
        case DestroyNotify: {
            const auto it = clients_.find(event.xdestroywindow.window);
            if (it != clients_.end()) {
                emit_for(window_event_kind::hide, it->second);
                clients_.erase(it);
            }
            break;
        }
        case ConfigureNotify:
            if (!event.xconfigure.override_redirect)
                emit_for(window_event_kind::location, client_for(event.xconfigure.window));
            break;
        case PropertyNotify:
            if (event.xproperty.atom == atom(display_, "_NET_ACTIVE_WINDOW")) {
                // None (the desktop clicked) counts as a change too: the same
                // window activated again afterwards is reported again.
                const Window active = active_window(display_);
                if (active != last_active_) {
                    last_active_ = active;
                    if (active)
                        emit_for(window_event_kind::foreground, active);
                }
            }
            break;
        default:
            break;
        }
    }

    Display* display_ = nullptr;
    sink_t sink_;
    std::atomic<bool> running_{false};
    std::thread thread_;
    std::unordered_map<Window, Window> clients_;
    Window last_active_ = 0;
    const long own_pid_ = static_cast<long>(::getpid());
};

} // namespace

std::unique_ptr<window_event_source> create_window_event_source() {
    return std::make_unique<x11_window_events>();
}

} // namespace quorvel::platform
