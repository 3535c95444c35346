#pragma once

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

} // namespace quorvel::status_text
