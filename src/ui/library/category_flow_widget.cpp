#include "ui/library/category_flow_widget.h"

#include "ui/library/category_button.h"
#include "ui/widgets/flow_layout.h"

namespace quorvel {

category_flow_widget::category_flow_widget(QWidget* parent)
    : QScrollArea(parent), flow_(new flow_layout_widget(5, 10, 10)),
      group_(new QButtonGroup(this)) {
    group_->setExclusive(true);
    setWidgetResizable(true);
    setWidget(flow_);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

category_button* category_flow_widget::insert_button(int index, const QString& text) {
    auto* button = new category_button(flow_);
    button->setText(text);
    group_->addButton(button);
    flow_->insert_widget(index, button);
    return button;
}

QWidget* category_flow_widget::take_button(int index) {
    QLayoutItem* item = flow_->layout_of()->takeAt(index);
    if (!item)
        return nullptr;
    QWidget* widget = item->widget();
    delete item;
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        group_->removeButton(button);
    return widget;
}

int category_flow_widget::count() const {
    return flow_->layout_of()->count();
}

QWidget* category_flow_widget::button_at(int index) const {
    QLayoutItem* item = flow_->layout_of()->itemAt(index);
    return item ? item->widget() : nullptr;
}

} // namespace quorvel
