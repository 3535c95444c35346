#include "ui/widgets/plain_text.h"

#include <QLabel>
#include <QTextDocument>

namespace quorvel {

QLabel* plain_label(const QString& text, QWidget* parent) {
    auto* label = new QLabel(parent);
    set_plain_text(label, text);
    return label;
}

void set_plain_text(QLabel* label, const QString& text) {
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
}

QString plain_tooltip(const QString& text) {
    if (!Qt::mightBeRichText(text))
        return text;
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

} // namespace quorvel
