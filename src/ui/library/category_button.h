#pragma once

#include <QToolButton>

namespace quorvel {

// A button of a category strip. Carries "category/id" and "category/data".
// Its look comes from the strip's style sheet: one sheet for all buttons
// instead of one per button (about 10 KiB each, a lot for a large library).
class category_button : public QToolButton {
    Q_OBJECT
public:
    explicit category_button(QWidget* parent = nullptr);
    static const QString& style_sheet();
};

} // namespace quorvel
