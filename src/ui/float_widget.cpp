#include "ui/float_widget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace quorvel {

float_widget::float_widget(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), mover_(this, 0, 0) {
    setFixedSize(120, 40);
    setToolTip(QStringLiteral("双击后置顶显示"));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setCursor(Qt::PointingHandCursor);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(10);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* logo = new QLabel(this);
    logo->setFixedSize(40, 40);
    logo->setScaledContents(true);
    logo->setPixmap(QPixmap(QStringLiteral(":/images/icon/logo.png")));
    auto* name = new QLabel(
        QStringLiteral("<font size='5' color='#0365D1' bold='true'>Quorvel</font>"), this);
    name->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(logo);
    layout->addWidget(name);
}

void float_widget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QPen(Qt::blue, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void float_widget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && mover_.press(event->pos(), event->globalPos(), true))
        event->accept();
}

void float_widget::mouseMoveEvent(QMouseEvent* event) {
    if (mover_.move(event->pos(), event->globalPos(), false))
        event->accept();
}

void float_widget::mouseReleaseEvent(QMouseEvent*) {
    mover_.release();
}

void float_widget::mouseDoubleClickEvent(QMouseEvent*) {
    emit double_clicked();
}

} // namespace quorvel
