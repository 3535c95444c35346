#include "ui/library/category_button.h"

namespace quorvel {

const QString& category_button::style_sheet() {
    static const QString sheet = QStringLiteral(
        "quorvel--category_button {    border: 1px solid gray;    border-radius: 4px;    "
        "background-color: white;    color: black;}quorvel--category_button:hover {    "
        "border: 1px solid blue;}quorvel--category_button:checked {    "
        "background-color: rgb(53,118,255);    color: white;    border: "
        "1px solid darkblue;}");
    return sheet;
}

category_button::category_button(QWidget* parent) : QToolButton(parent) {
    setFixedHeight(30);
}

} // namespace quorvel
