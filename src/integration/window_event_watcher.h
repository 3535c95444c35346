#pragma once

#include "platform/desktop.h"
#include "platform/window_handle.h"

#include <QObject>
#include <atomic>
#include <memory>

namespace quorvel {

// Re-emits the system's window events (other processes' top-level windows
// shown, hidden, moved, activated) as signals. The events come from the
// platform's own watcher thread; receivers get them as queued calls.
class window_event_watcher : public QObject {
    Q_OBJECT
public:
    static window_event_watcher* instance();
    ~window_event_watcher() override;

    // Tests hand in a fake source before the first start.
    void set_source(std::unique_ptr<platform::window_event_source> source);
    bool hooked() const { return hooked_; }
    // The window of another program activated last; 0 before any.
    window_handle_t last_foreground() const { return last_foreground_.load(); }

signals:
    void window_show(quorvel::window_handle_t hwnd);
    void window_hide(quorvel::window_handle_t hwnd);
    void window_position_changed(quorvel::window_handle_t hwnd);
    void foreground_window_changed(quorvel::window_handle_t hwnd);

public slots:
    void on_watch_started();
    void on_watch_stoped();

private:
    window_event_watcher() = default;
    void dispatch(const platform::window_event_t& event);

    std::unique_ptr<platform::window_event_source> source_;
    bool hooked_ = false;
    std::atomic<window_handle_t> last_foreground_{0}; // written on the source's thread
};

} // namespace quorvel
