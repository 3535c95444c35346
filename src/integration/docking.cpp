#include "integration/docking.h"

namespace quorvel {

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

dock_plan_t plan_dock(platform::desktop& desktop, const dock_input_t& in) {
    dock_plan_t plan;
    int h = in.bar_height;
    if (in.sub_show) {
        edges_t r;
        if (desktop.is_window(in.target) &&
            target_client_rect(desktop, in.target, in.bar_ratio, &r)) {
            plan.place_bar = true;
            plan.bar_pos = QPoint(r.left, r.bottom);
            plan.bar_width = r.right - r.left;
        }
    } else {
        h = 0;
    }
    if (!in.main_show)
        return plan;
    edges_t r; // a target that is gone docks at the zero rectangle
    target_client_rect(desktop, in.target, in.main_ratio, &r);
    plan.place_main = true;
    plan.main_pos = QPoint(in.main_dockleft ? r.right : r.left - in.main_width, r.top);
    plan.main_height = r.bottom + h - r.top;
    return plan;
}

} // namespace quorvel
