#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace quorvel {

// Names, messages and notes from the server or another user are shown as
// written: a label would draw "<img src=...>" as an image (loading the file
// it names), and a tooltip would do the same.

// A label that never reads its text as markup.
QLabel* plain_label(const QString& text, QWidget* parent = nullptr);
// Switches a label to plain text and sets its text.
void set_plain_text(QLabel* label, const QString& text);
// A tooltip that shows the text as written (tooltips read anything that
// looks like markup as markup); ordinary texts come back unchanged.
QString plain_tooltip(const QString& text);

} // namespace quorvel
