#include "integration/window_event_watcher.h"

namespace quorvel {

window_event_watcher* window_event_watcher::instance() {
    static window_event_watcher* watcher = [] {
        platform::register_window_handle_type(); // its signals cross threads
        return new window_event_watcher();
    }();
    return watcher;
}

window_event_watcher::~window_event_watcher() {
    on_watch_stoped();
}

void window_event_watcher::set_source(std::unique_ptr<platform::window_event_source> source) {
    on_watch_stoped();
    source_ = std::move(source);
}

void window_event_watcher::on_watch_started() {
    if (hooked_)
        return;
    if (!source_)
        source_ = platform::create_window_event_source();
    hooked_ = source_ && source_->start([this](const platform::window_event_t& e) { dispatch(e); });
}

void window_event_watcher::on_watch_stoped() {
    if (hooked_ && source_)
        source_->stop();
    hooked_ = false;
}

void window_event_watcher::dispatch(const platform::window_event_t& event) {
    switch (event.kind) {
    case platform::window_event_kind::show:
        emit window_show(event.window);
        break;
    case platform::window_event_kind::hide:
        emit window_hide(event.window);
        break;
    case platform::window_event_kind::location:
        emit window_position_changed(event.window);
        break;
    case platform::window_event_kind::foreground:
        last_foreground_.store(event.window);
        emit foreground_window_changed(event.window);
        break;
    }
}

} // namespace quorvel
