#pragma once

#include "ui/widgets/frameless.h"

#include <QWidget>

namespace quorvel {

// A frameless top-level window with a thin blue border, moved from its drag
// area and resized from its edges (2-pixel margin).
class base_widget : public QWidget {
    Q_OBJECT
public:
    explicit base_widget(QWidget* parent = nullptr);

    void set_resizable(bool resizable) { resizable_ = resizable; }
    bool resizable() const { return resizable_; }
    virtual bool is_drag_area(const QPoint& pos) const;

    static constexpr int edge_margin = 2;
    static constexpr int smallest_extent = 4;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool resizable_ = true;
    frameless_mover mover_;
};

} // namespace quorvel
