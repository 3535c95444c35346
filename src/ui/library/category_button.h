#pragma once

#include <QToolButton>

namespace quorvel {

// A button of a category strip. Carries "category/id" and "category/data".
class category_button : public QToolButton {
    Q_OBJECT
public:
    explicit category_button(QWidget* parent = nullptr);
};

} // namespace quorvel
