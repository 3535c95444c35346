#include "ui/library/category_button.h"

namespace quorvel {

category_button::category_button(QWidget* parent) : QToolButton(parent) {
    setFixedHeight(30);
    setStyleSheet(
        QStringLiteral("QToolButton {    border: 1px solid gray;    border-radius: 4px;    "
                       "background-color: white;    color: black;}QToolButton:hover {    "
                       "border: 1px solid blue;}QToolButton:checked {    "
                       "background-color: rgb(53,118,255);    color: white;    border: "
                       "1px solid darkblue;}"));
}

} // namespace quorvel
