#pragma once

#include "platform/desktop.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <functional>

namespace quorvel {

// A client area in logical pixels; right and bottom are exclusive edges.
struct edges_t {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The target's client area in the logical pixels of a screen with the given
// device pixel ratio (physical × 96 / dpi). False when the window has none.
bool target_client_rect(platform::desktop& desktop, window_handle_t target,
                        qreal device_pixel_ratio, edges_t* out);

// A screen as docking sees it: its whole area and the part windows may use,
// in logical pixels, and its device pixel ratio.
struct dock_screen_t {
    QRect geometry;
    QRect available;
    qreal ratio = 1.0;
};

// The screen that holds the middle of the target's client area; the first
// one (the primary) when none does. -1 without screens.
int target_screen(platform::desktop& desktop, window_handle_t target,
                  const QList<dock_screen_t>& screens);

// Where docking puts the bottom bar and the main window.
struct dock_plan_t {
    bool place_bar = false; // the bar goes to bar (position and size)
    QRect bar;
    bool place_main = false; // the main window goes to main_pos with main_height
    QPoint main_pos;
    int main_height = 0;
};

struct dock_input_t {
    window_handle_t target = 0;
    dock_screen_t screen; // the chat window's screen; both windows stay inside it
    int bar_height = 0;   // the bar's current height
    // The bar's height when it is this wide (sized to its content).
    std::function<int(int)> bar_height_for_width;
    int main_width = 0;
    bool sub_show = true;
    bool main_show = true;
    bool main_dockleft = true;
};

// Beside the client area on the configured side, else on the other side,
// else along the inside edge; the bar under the client area when there is
// room, else along its inside bottom edge (beside the main window when that
// stands inside). Both stay wholly inside the screen's available area.
dock_plan_t plan_dock(platform::desktop& desktop, const dock_input_t& in);

} // namespace quorvel
