#pragma once

#include "ui/widgets/custom_button.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QString>

namespace quorvel::status_text {

// The three looks of a dialog's status line.
inline QString progress(const QString& text) {
    return QStringLiteral("<span style = 'color: gray;'>%1</span>").arg(text);
}
inline QString success(const QString& text) {
    return QStringLiteral("<span style = 'color: green; font-weight: bold;'>%1</span>").arg(text);
}
inline QString failure(const QString& text, const QString& reason = QString()) {
    if (reason.isEmpty())
        return QStringLiteral("<span style = 'color: red; font-weight: bold;'>%1</span>").arg(text);
    return QStringLiteral("<span style = 'color: red; font-weight: bold;'>%1，原因：%2</span>")
        .arg(text, reason);
}

// A dialog's bottom row: the status at the left, then the action and close
// buttons (fixed 100×30) with their texts.
inline QHBoxLayout* bottom_row(QLabel* status, custom_button* action, const QString& action_text,
                               custom_button* close, int spacing = 15) {
    auto* row = new QHBoxLayout;
    row->setSpacing(spacing);
    row->addWidget(status);
    row->addStretch();
    action->setText(action_text);
    close->setText(QStringLiteral("关闭"));
    for (custom_button* button : {action, close}) {
        button->setFixedSize(100, 30);
        row->addWidget(button);
    }
    return row;
}

} // namespace quorvel::status_text
