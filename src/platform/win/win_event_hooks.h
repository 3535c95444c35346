#pragma once

#include "platform/win/win_types.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <thread>

namespace quorvel::win32 {

enum class window_event { show, hide, location, foreground };

// What a WinEvent means to the watcher: only whole windows (OBJID_WINDOW)
// count, and only show, hide, location change and foreground. False for
// everything else.
bool translate_win_event(std::uint32_t event, long object_id, window_event* out);

// Three out-of-context WinEvent hooks over all processes and threads, on a
// thread of their own whose message loop delivers the events.
class win_event_hooks {
public:
    using sink_t = std::function<void(window_event, hwnd_t)>;

    win_event_hooks() = default;
    win_event_hooks(const win_event_hooks&) = delete;
    win_event_hooks& operator=(const win_event_hooks&) = delete;
    ~win_event_hooks();

    // True once all three hooks are in place; when one fails, none stays and
    // the thread ends.
    bool start(sink_t sink);
    // Removes the hooks and ends the thread; harmless when not started.
    void stop();
    bool hooked() const { return hooked_; }

private:
    void run(sink_t sink, std::promise<bool>* hooked);

    std::thread thread_;
    std::atomic<unsigned long> thread_id_{0};
    std::atomic<bool> hooked_{false};
};

} // namespace quorvel::win32
