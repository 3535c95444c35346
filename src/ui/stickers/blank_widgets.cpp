#include "ui/stickers/blank_widgets.h"

#include "ui/widgets/custom_button.h"

#include <QHBoxLayout>
#include <QPainter>

namespace quorvel {

namespace {

void paint_frame(QWidget* widget) {
    QPainter painter(widget);
    painter.fillRect(widget->rect(), Qt::white);
    painter.setPen(Qt::gray);
    painter.drawRect(widget->rect().adjusted(0, 0, -1, -1));
}

} // namespace

blank_widget::blank_widget(QWidget* parent) : QWidget(parent) {}

void blank_widget::paintEvent(QPaintEvent*) {
    paint_frame(this);
}

blank_sticker_flow_widget::blank_sticker_flow_widget(QWidget* parent)
    : QWidget(parent), add_(new custom_button(this)) {
    add_->setText(QStringLiteral("添加图片"));
    auto* layout = new QHBoxLayout(this);
    layout->addStretch();
    layout->addWidget(add_);
    layout->addStretch();
    connect(add_, &custom_button::clicked, this, &blank_sticker_flow_widget::add_button_clicked);
}

void blank_sticker_flow_widget::paintEvent(QPaintEvent*) {
    paint_frame(this);
}

} // namespace quorvel
