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

QRect resized_geometry(QRect frame, int edges, const QPoint& global, int smallest) {
    if (edges & edge_left)
        frame.setLeft(qMin(global.x(), frame.right() - smallest));
    if (edges & edge_right)
        frame.setRight(qMax(global.x(), frame.left() + smallest));
    if (edges & edge_top)
        frame.setTop(qMin(global.y(), frame.bottom() - smallest));
    if (edges & edge_bottom)
        frame.setBottom(qMax(global.y(), frame.top() + smallest));
    return frame;
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
    offset_ = global - window_->frameGeometry().topLeft();
    return true;
}

bool frameless_mover::move(const QPoint& pos, const QPoint& global, bool resizable) {
    if (mode_ == 1) {
        window_->move(global - offset_);
        return true;
    }
    if (mode_ == 2) {
        if (!resizable)
            return false;
        window_->setGeometry(resized_geometry(window_->frameGeometry(), edges_, global, smallest_));
        return true;
    }
    if (resizable)
        window_->setCursor(cursor_for_edges(edges_at(pos, window_->size(), margin_)));
    return false;
}

} // namespace quorvel
