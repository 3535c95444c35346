#pragma once

#include "ui/widgets/base_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvel {

class scope_choice;
class sticker_category_actions;

// Creates a top-level sticker category; announces it on the event bus.
class new_sticker_category : public base_dialog {
    Q_OBJECT
public:
    explicit new_sticker_category(int type, QWidget* parent = nullptr);
    scope_choice* scopes() const { return scopes_; }
    QLineEdit* name_edit() const { return name_; }
    QPushButton* save_button() const { return save_; }
    QLabel* status() const { return status_; }

private:
    void save();

    scope_choice* scopes_;
    QLineEdit* name_;
    QPushButton* save_;
    QLabel* status_;
    sticker_category_actions* actions_;
};

} // namespace quorvel
