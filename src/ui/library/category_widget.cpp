#include "ui/library/category_widget.h"

namespace quorvel {

namespace {
const char* const tab_style =
    "QToolButton { border: none; padding: 6px; color: black; background: transparent; }"
    "QToolButton:hover { color: blue; }"
    "QToolButton:checked { border: none; border-bottom: 2px solid blue; color: blue; }"
    "QToolButton::menu-indicator, QToolButton::menu-button { background: transparent; border: "
    "none; }";
}

category_widget::category_widget(QWidget* parent)
    : QWidget(parent), layout_(new QHBoxLayout(this)), group_(new QButtonGroup(this)) {
    layout_->setSpacing(10);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->addStretch();
    group_->setExclusive(true);
    setStyleSheet(QLatin1String(tab_style));
    connect(group_, &QButtonGroup::idClicked, this, &category_widget::switch_category_requested);
}

QToolButton* category_widget::add_tab(const QString& text) {
    auto* button = new QToolButton(this);
    button->setText(text);
    return add_tab(button);
}

QToolButton* category_widget::add_tab(QToolButton* button) {
    button->setParent(this);
    button->setCheckable(true);
    const int id = group_->buttons().size();
    group_->addButton(button, id);
    layout_->insertWidget(layout_->count() - 1, button);
    if (id == 0)
        button->setChecked(true);
    return button;
}

QToolButton* category_widget::tab(int id) const {
    return qobject_cast<QToolButton*>(group_->button(id));
}

} // namespace quorvel
