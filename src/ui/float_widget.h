#pragma once

#include "ui/widgets/frameless.h"

#include <QWidget>

namespace quorvel {

// The small icon window shown while the main window is minimised.
class float_widget : public QWidget {
    Q_OBJECT
public:
    explicit float_widget(QWidget* parent = nullptr);

signals:
    void double_clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    frameless_mover mover_; // dragging only: no edges
};

} // namespace quorvel
