#include "integration/docking.h"

namespace quorvel {

namespace {

// The start of a span of `length` moved as little as needed to lie in [low, high).
int keep_inside(int start, int length, int low, int high) {
    return qMax(low, qMin(start, high - length));
}

} // namespace

bool target_client_rect(platform::desktop& desktop, window_handle_t target,
                        qreal device_pixel_ratio, edges_t* out) {
    QRect physical;
    qreal scale = 1.0;
    if (!desktop.client_rect(target, &physical, &scale))
        return false;
    const int dpi = device_pixel_ratio > 0 ? static_cast<int>(device_pixel_ratio * 96.0)
                                           : static_cast<int>(scale * 96.0);
    auto logical = [dpi](int value) { return value * 96 / dpi; };
    out->left = logical(physical.left());
    out->top = logical(physical.top());
    out->right = logical(physical.left() + physical.width());
    out->bottom = logical(physical.top() + physical.height());
    return true;
}

int target_screen(platform::desktop& desktop, window_handle_t target,
                  const QList<dock_screen_t>& screens) {
    if (screens.isEmpty())
        return -1;
    for (int i = 0; i < screens.size(); ++i) {
        edges_t r;
        if (!target_client_rect(desktop, target, screens[i].ratio, &r))
            break;
        if (screens[i].geometry.contains(QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2)))
            return i;
    }
    return 0;
}

dock_plan_t plan_dock(platform::desktop& desktop, const dock_input_t& in) {
    dock_plan_t plan;
    const QRect& s = in.screen.available;
    const int s_left = s.x(), s_top = s.y(), s_right = s.x() + s.width(),
              s_bottom = s.y() + s.height();
    edges_t r; // a target that is gone docks at the zero rectangle
    const bool alive =
        desktop.is_window(in.target) && target_client_rect(desktop, in.target, in.screen.ratio, &r);
    // The part of the client area on the screen.
    const int left = qBound(s_left, r.left, s_right), right = qBound(s_left, r.right, s_right);
    const int top = qBound(s_top, r.top, s_bottom), bottom = qBound(s_top, r.bottom, s_bottom);

    const int w = in.main_width;
    int main_x = 0;
    bool main_inside = false;
    if (in.main_show) {
        auto fits = [&](int x) { return x >= s_left && x + w <= s_right; };
        const int preferred = in.main_dockleft ? r.right : r.left - w;
        const int other = in.main_dockleft ? r.left - w : r.right;
        if (fits(preferred)) {
            main_x = preferred;
        } else if (fits(other)) {
            main_x = other;
        } else {
            main_inside = true;
            main_x = keep_inside(in.main_dockleft ? right - w : left, w, s_left, s_right);
        }
    }

    int bar_height = in.sub_show ? in.bar_height : 0;
    if (in.sub_show && alive) {
        int bar_left = left, bar_right = right;
        if (main_inside && in.main_dockleft)
            bar_right = qMin(bar_right, main_x);
        else if (main_inside)
            bar_left = qMax(bar_left, main_x + w);
        const int width = qMax(0, bar_right - bar_left);
        if (in.bar_height_for_width)
            bar_height = in.bar_height_for_width(width);
        const bool below = r.bottom + bar_height <= s_bottom;
        plan.place_bar = true;
        plan.bar =
            QRect(bar_left, below ? r.bottom : qMax(s_top, bottom - bar_height), width, bar_height);
    }
    if (!in.main_show)
        return plan;
    // The column spans the client area and, when it lies under it, the bar.
    const bool bar_below = bar_height > 0 && r.bottom + bar_height <= s_bottom;
    const int column_bottom = bar_below ? r.bottom + bar_height : bottom;
    plan.place_main = true;
    plan.main_pos = QPoint(main_x, top);
    plan.main_height = qMax(0, qMin(column_bottom, s_bottom) - top);
    return plan;
}

} // namespace quorvel
