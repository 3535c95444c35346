#pragma once

#include "ui/widgets/custom_button.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QString>

namespace quorvel::status_text {

// The three looks of a dialog's status line. The texts are shown as written:
// a reason is the server's message and may name what a user typed.
inline QString progress(const QString& text) {
    return QStringLiteral("<span style = 'color: gray;'>%1</span>").arg(text.toHtmlEscaped());
}
inline QString success(const QString& text) {
    return QStringLiteral("<span style = 'color: green; font-weight: bold;'>%1</span>")
        .arg(text.toHtmlEscaped());
}
inline QString failure(const QString& text, const QString& reason = QString()) {
    if (reason.isEmpty())
        return QStringLiteral("<span style = 'color: red; font-weight: bold;'>%1</span>")
            .arg(text.toHtmlEscaped());
    return QStringLiteral("<span style = 'color: red; font-weight: bold;'>%1，原因：%2</span>")
        .arg(text.toHtmlEscaped(), reason.toHtmlEscaped());
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
