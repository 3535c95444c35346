#include "ui/library/category_flow_widget.h"

#include "ui/library/category_button.h"
#include "ui/widgets/flow_layout.h"

namespace quorvel {

category_flow_widget::category_flow_widget(QWidget* parent)
    : QScrollArea(parent), flow_(new flow_layout_widget(5, 10, 10)),
      group_(new QButtonGroup(this)) {
    group_->setExclusive(true);
    setWidgetResizable(true);
    flow_->setStyleSheet(category_button::style_sheet());
    setWidget(flow_);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

category_flow_widget::~category_flow_widget() {
    // Gone before the buttons: each button leaving the group one by one
    // searches the whole group, minutes for many thousand categories.
    delete group_;
}

category_button* category_flow_widget::insert_button(int index, const QString& text) {
    auto* button = new category_button(flow_);
    button->setText(text);
    insert_button(index, button);
    return button;
}

void category_flow_widget::insert_button(int index, QAbstractButton* button) {
    // Without an id the group looks for the smallest one in use at every
    // add, which made a strip of many categories take minutes.
    group_->addButton(button, next_id_++);
    flow_->insert_widget(index, button);
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

QWidget* category_flow_widget::take_button(QWidget* button) {
    const int index = flow_->layout_of()->indexOf(button);
    return index < 0 ? nullptr : take_button(index);
}

int category_flow_widget::count() const {
    return flow_->layout_of()->count();
}

QWidget* category_flow_widget::button_at(int index) const {
    QLayoutItem* item = flow_->layout_of()->itemAt(index);
    return item ? item->widget() : nullptr;
}

} // namespace quorvel
