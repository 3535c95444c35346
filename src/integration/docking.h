#pragma once

#include "platform/desktop.h"

#include <QPoint>
#include <QRect>

namespace quorvel {

// A client area in logical pixels; right and bottom are exclusive edges.
struct edges_t {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The target's client area in the logical pixels of a screen with the given
// device pixel ratio (physical × 96 / dpi). False when the window has none.
bool target_client_rect(platform::desktop& desktop, window_handle_t target,
                        qreal device_pixel_ratio, edges_t* out);

// Where docking puts the bottom bar and the main window.
struct dock_plan_t {
    bool place_bar = false; // the bar goes to bar_pos with bar_width
    QPoint bar_pos;
    int bar_width = 0;
    bool place_main = false; // the main window goes to main_pos with main_height
    QPoint main_pos;
    int main_height = 0;
};

struct dock_input_t {
    window_handle_t target = 0;
    qreal bar_ratio = 1.0;  // device pixel ratio of the bar's screen
    qreal main_ratio = 1.0; // and of the main window's
    int bar_height = 0;
    int main_width = 0;
    bool sub_show = true;
    bool main_show = true;
    bool main_dockleft = true;
};

dock_plan_t plan_dock(platform::desktop& desktop, const dock_input_t& in);

} // namespace quorvel
