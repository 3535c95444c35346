#include "ui/widgets/elided_text.h"

#include <QResizeEvent>

namespace quorvel {

elided_label::elided_label(QWidget* parent, Qt::TextElideMode mode) : QLabel(parent), mode_(mode) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

void elided_label::set_full_text(const QString& text) {
    full_ = text;
    updateGeometry();
    show_fitting_text();
}

QSize elided_label::minimumSizeHint() const {
    // As narrow as the layout wants; the text is elided to what is left.
    return QSize(0, QLabel::minimumSizeHint().height());
}

QSize elided_label::sizeHint() const {
    const QMargins m = contentsMargins();
    return QSize(fontMetrics().horizontalAdvance(full_) + m.left() + m.right() + 2 * margin(),
                 QLabel::sizeHint().height());
}

void elided_label::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    show_fitting_text();
}

void elided_label::show_fitting_text() {
    const int room = contentsRect().width() - 2 * margin();
    setText(fontMetrics().elidedText(full_, mode_, qMax(0, room)));
}

elided_tool_button::elided_tool_button(QWidget* parent, Qt::TextElideMode mode)
    : QToolButton(parent), mode_(mode) {}

void elided_tool_button::set_full_text(const QString& text) {
    full_ = text;
    show_fitting_text();
}

void elided_tool_button::resizeEvent(QResizeEvent* event) {
    QToolButton::resizeEvent(event);
    show_fitting_text();
}

void elided_tool_button::show_fitting_text() {
    // What the button needs besides its text: icon, spacing, padding.
    const int chrome = sizeHint().width() - fontMetrics().horizontalAdvance(text());
    const int room = width() - chrome;
    const QString fitting = fontMetrics().horizontalAdvance(full_) <= room
                                ? full_
                                : fontMetrics().elidedText(full_, mode_, qMax(0, room));
    if (fitting != text())
        setText(fitting);
}

} // namespace quorvel
