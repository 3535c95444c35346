#pragma once

#include <QToolButton>

namespace quorvel {

// A white, gray-bordered button that turns blue while checked.
class custom_button : public QToolButton {
    Q_OBJECT
public:
    explicit custom_button(QWidget* parent = nullptr);
};

// Looks like a closed combo box; a click asks for a menu at its bottom-left corner.
class combobox_button : public QToolButton {
    Q_OBJECT
public:
    explicit combobox_button(QWidget* parent = nullptr);

signals:
    void show_menu_requested(QPoint global_pos);
};

} // namespace quorvel
