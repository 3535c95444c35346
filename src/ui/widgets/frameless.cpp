#include "ui/widgets/frameless.h"

namespace quorvel {

int edges_at(const QPoint& pos, const QSize& size, int margin) {
    int edges = 0;
    if (pos.y() < margin)
        edges |= edge_top;
    if (pos.x() < margin)
        edges |= edge_left;
    if (pos.x() > size.width() - margin)
        edges |= edge_right;
    if (pos.y() > size.height() - margin)
        edges |= edge_bottom;
    return edges;
}

QRect resized_geometry(QRect start, int edges, const QPoint& global, int smallest,
                       const QSize& minimum, const QSize& maximum) {
    const int min_width = qMax(minimum.width(), smallest + 1);
    const int min_height = qMax(minimum.height(), smallest + 1);
    // Clamped between the largest and the smallest size; the smallest wins.
    auto clamp = [](int value, int low, int high) { return qMin(qMax(value, low), high); };
    if (edges & edge_left)
        start.setLeft(
            clamp(global.x(), start.right() + 1 - maximum.width(), start.right() + 1 - min_width));
    if (edges & edge_right)
        start.setRight(
            clamp(global.x(), start.left() - 1 + min_width, start.left() - 1 + maximum.width()));
    if (edges & edge_top)
        start.setTop(clamp(global.y(), start.bottom() + 1 - maximum.height(),
                           start.bottom() + 1 - min_height));
    if (edges & edge_bottom)
        start.setBottom(
            clamp(global.y(), start.top() - 1 + min_height, start.top() - 1 + maximum.height()));
    return start;
}

Qt::CursorShape cursor_for_edges(int edges) {
    const bool top = edges & edge_top, left = edges & edge_left, right = edges & edge_right,
               bottom = edges & edge_bottom;
    if ((top && left) || (right && bottom))
        return Qt::SizeFDiagCursor;
    if ((right && top) || (left && bottom))
        return Qt::SizeBDiagCursor;
    if (left || right)
        return Qt::SizeHorCursor;
    if (top || bottom)
        return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

bool frameless_mover::press(const QPoint& pos, const QPoint& global, bool drag_area) {
    mode_ = 0;
    edges_ = edges_at(pos, window_->size(), margin_);
    if (edges_ != 0)
        mode_ = 2;
    else if (drag_area)
        mode_ = 1;
    if (mode_ == 0)
        return false;
    // Where the window is, from the pointer's own coordinates: under X11 the
    // window's recorded position and frame can lag behind the window
    // manager's, and resizing from them threw the window to the screen's
    // top. The window is frameless, so its frame is its geometry.
    offset_ = pos;
    start_ = QRect(global - pos, window_->size());
    return true;
}

bool frameless_mover::move(const QPoint& pos, const QPoint& global, bool resizable) {
    if (mode_ == 1) {
        window_->setGeometry(QRect(global - offset_, start_.size()));
        return true;
    }
    if (mode_ == 2) {
        if (!resizable)
            return false;
        window_->setGeometry(resized_geometry(start_, edges_, global, smallest_,
                                              window_->minimumSize(), window_->maximumSize()));
        return true;
    }
    if (resizable)
        window_->setCursor(cursor_for_edges(edges_at(pos, window_->size(), margin_)));
    return false;
}

} // namespace quorvel
