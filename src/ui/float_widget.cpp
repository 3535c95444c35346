#include "ui/float_widget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace quorvel {

float_widget::float_widget(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), mover_(this, 0, 0) {
    setToolTip(QStringLiteral("双击后置顶显示"));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setCursor(Qt::PointingHandCursor);
    constexpr int margin = 4, spacing = 10, height = 40;
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The logo fits inside the margins; the icon is as wide as its label
    // needs (120 at least), so the name is never cut.
    auto* logo = new QLabel(this);
    const int logo_side = height - 2 * margin;
    logo->setFixedSize(logo_side, logo_side);
    logo->setScaledContents(true);
    logo->setPixmap(QPixmap(QStringLiteral(":/images/icon/logo.png")));
    auto* name = new QLabel(
        QStringLiteral("<font size='5' color='#0365D1' bold='true'>Quorvel</font>"), this);
    name->setObjectName(QStringLiteral("float_name"));
    name->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(logo);
    layout->addWidget(name);
    const int needed = margin + logo_side + spacing + name->sizeHint().width() + margin;
    setFixedSize(qMax(120, needed), height);
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
