#include "ui/widgets/base_widget.h"

#include <QMouseEvent>
#include <QPainter>

namespace quorvel {

base_widget::base_widget(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint), mover_(this, edge_margin, smallest_extent) {
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    // The agent works in the chat window; tooltips show while it is active.
    setAttribute(Qt::WA_AlwaysShowToolTips);
}

bool base_widget::is_drag_area(const QPoint&) const {
    return false;
}

void base_widget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QPen(Qt::blue, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void base_widget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        mover_.press(event->pos(), event->globalPos(), is_drag_area(event->pos()))) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void base_widget::mouseMoveEvent(QMouseEvent* event) {
    if (mover_.move(event->pos(), event->globalPos(), resizable_)) {
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void base_widget::mouseReleaseEvent(QMouseEvent* event) {
    mover_.release();
    QWidget::mouseReleaseEvent(event);
}

} // namespace quorvel
