#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

namespace quorvel {

// Which edges a point touches: 1 top, 2 left, 4 right, 8 bottom.
enum edge_bit { edge_top = 1, edge_left = 2, edge_right = 4, edge_bottom = 8 };

int edges_at(const QPoint& pos, const QSize& size, int margin);
// The geometry after dragging the given edges of `start` to a global point:
// at least the smallest extent plus one and the minimum size, at most the
// maximum size; the opposite edges stay where they are.
QRect resized_geometry(QRect start, int edges, const QPoint& global, int smallest,
                       const QSize& minimum = QSize(0, 0),
                       const QSize& maximum = QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
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
    QPoint offset_; // the press position in the window
    QRect start_;   // the window where it was at the press
};

} // namespace quorvel
