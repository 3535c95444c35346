#pragma once

#include <QString>

namespace quorvel::category_status {

// The status line of the category dialogs: progress, success, failure.
inline QString progress(const QString& text) {
    return QStringLiteral("<span style = 'color: gray;'>%1</span>").arg(text);
}
inline QString success(const QString& text) {
    return QStringLiteral("<span style = 'color: green; font-weight: bold;'>%1</span>").arg(text);
}
inline QString failure(const QString& text, const QString& reason) {
    if (reason.isEmpty())
        return QStringLiteral("<span style = 'color: red; font-weight: bold;'>%1</span>").arg(text);
    return QStringLiteral("<span style = 'color: red; font-weight: bold;'>%1，原因：%2</span>")
        .arg(text, reason);
}

} // namespace quorvel::category_status
