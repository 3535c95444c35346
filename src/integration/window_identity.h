#pragma once

#include "platform/desktop.h"

#include <QString>
#include <optional>

namespace quorvel {

// What the list of supported applications needs to name a window.
struct window_identity_t {
    window_handle_t window = 0;
    bool docked = false; // the window the client docks beside; else the one active last
    QString class_name;
    QString title;
};

// The window the client docks beside, else the window of another program
// active last (as the window events reported it, or as the desktop tells
// now); nullopt when none of them is there any more.
std::optional<window_identity_t> identify_window(platform::desktop& desktop);

} // namespace quorvel
