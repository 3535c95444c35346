#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

namespace quorvel {

// Which edges a point touches: 1 top, 2 left, 4 right, 8 bottom.
enum edge_bit { edge_top = 1, edge_left = 2, edge_right = 4, edge_bottom = 8 };

int edges_at(const QPoint& pos, const QSize& size, int margin);
// The frame geometry after dragging the given edges to a global point,
// never smaller than the smallest extent.
QRect resized_geometry(QRect frame, int edges, const QPoint& global, int smallest);
Qt::CursorShape cursor_for_edges(int edges);

// Press, move and release handling shared by the frameless bases.
class frameless_mover {
public:
    frameless_mover(QWidget* window, int margin, int smallest)
        : window_(window), margin_(margin), smallest_(smallest) {}
    // Returns true when the event is taken. drag_area says whether the press
    // position moves the window.
    bool press(const QPoint& pos, const QPoint& global, bool drag_area);
    bool move(const QPoint& pos, const QPoint& global, bool resizable);
    void release() {
        mode_ = 0;
        edges_ = 0;
    }
    int mode() const { return mode_; }

private:
    QWidget* window_;
    int margin_;
    int smallest_;
    int mode_ = 0; // 0 idle, 1 moving, 2 resizing
    int edges_ = 0;
    QPoint offset_;
};

} // namespace quorvel
