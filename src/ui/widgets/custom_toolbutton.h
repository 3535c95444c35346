#pragma once

#include <QToolButton>

namespace quorvel {

// A borderless, transparent tool button whose look comes from its icon.
class custom_toolbutton : public QToolButton {
    Q_OBJECT
public:
    explicit custom_toolbutton(QWidget* parent = nullptr);
};

// Builds a button's icon from ":/images/<name>_hot|_selected|_normal|_disabled.png".
void set_state_icon(QAbstractButton* button, const QString& name);

} // namespace quorvel
