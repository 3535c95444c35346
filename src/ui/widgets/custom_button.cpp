#include "ui/widgets/custom_button.h"

namespace quorvel {

custom_button::custom_button(QWidget* parent) : QToolButton(parent) {
    setStyleSheet(
        QStringLiteral("QToolButton {    border: 1px solid gray;    border-radius: 2px;    "
                       "background-color: white;    color: black;}"
                       "QToolButton:hover {    background-color: #F5F5F5;}QToolButton:checked {    "
                       "background-color: rgb(53,118,255);"
                       "    color: white;    border: 1px solid "
                       "darkblue;}QToolButton:disabled{background-color: gray;}"));
    setCursor(Qt::PointingHandCursor);
}

combobox_button::combobox_button(QWidget* parent) : QToolButton(parent) {
    setIcon(QIcon(QStringLiteral(":/images/icon/arrow_normal.png")));
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setLayoutDirection(Qt::RightToLeft);
    setStyleSheet(QStringLiteral(
        "QToolButton { text-align: left; background-color: white; border: 1px solid gray;}"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    connect(this, &QToolButton::clicked, this,
            [this] { emit show_menu_requested(mapToGlobal(QPoint(0, height()))); });
}

} // namespace quorvel
