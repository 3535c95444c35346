#include "integration/window_identity.h"

#include "integration/window_detector.h"
#include "integration/window_event_watcher.h"

#include <QCoreApplication>

namespace quorvel {

namespace {

// A window still there and not one of ours (the settings centre itself is
// the active window while it is open).
bool foreign(platform::desktop& desktop, window_handle_t w) {
    return w && desktop.is_window(w) && desktop.process_id(w) != QCoreApplication::applicationPid();
}

} // namespace

std::optional<window_identity_t> identify_window(platform::desktop& desktop) {
    const window_handle_t candidates[] = {window_detector::followed_window(),
                                          window_event_watcher::instance()->last_foreground(),
                                          desktop.foreground_window()};
    for (window_handle_t w : candidates) {
        if (!foreign(desktop, w))
            continue;
        window_identity_t found;
        found.window = w;
        found.docked = w == candidates[0];
        found.class_name = desktop.class_name(w);
        found.title = desktop.title(w);
        return found;
    }
    return std::nullopt;
}

} // namespace quorvel
