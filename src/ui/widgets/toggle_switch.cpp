#include "ui/widgets/toggle_switch.h"

#include <QMouseEvent>
#include <QPainter>

namespace quorvel {

toggle_switch::toggle_switch(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
}

QPoint toggle_switch::knob_center() const {
    const int r = height() / 2;
    return isChecked() ? QPoint(width() - r, r) : QPoint(r, r);
}

void toggle_switch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int r = height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? QColor(46, 204, 113) : QColor(189, 189, 189));
    painter.drawRoundedRect(rect(), r, r);
    painter.setBrush(Qt::white);
    painter.drawEllipse(knob_center(), r, r);
}

void toggle_switch::mousePressEvent(QMouseEvent* event) {
    QPushButton::mousePressEvent(event);
    update();
    emit toggled(isChecked());
}

} // namespace quorvel
