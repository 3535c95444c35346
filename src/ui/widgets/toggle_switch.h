#pragma once

#include <QPushButton>

namespace quorvel {

// An on/off switch: a rounded body, green when on, with a white knob.
class toggle_switch : public QPushButton {
    Q_OBJECT
public:
    explicit toggle_switch(QWidget* parent = nullptr);

    int corner_radius() const { return height() / 2; }
    QPoint knob_center() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace quorvel
