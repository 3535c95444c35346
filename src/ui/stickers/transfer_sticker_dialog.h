#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace quorvel {

class scope_choice;
class sticker_actions;

// Copies or moves a sticker into a category of any scope.
class transfer_sticker_dialog : public base_dialog {
    Q_OBJECT
public:
    transfer_sticker_dialog(const sticker_node_spt& sticker, bool copy, QWidget* parent = nullptr);
    scope_choice* scopes() const { return scopes_; }
    QComboBox* categories() const { return categories_; }
    QPushButton* save_button() const { return save_; }
    QLabel* status() const { return status_; }

signals:
    void sticker_transfer_requested(quorvel::sticker_node_spt new_node);

private:
    void fill_categories();
    void save();

    sticker_node_spt sticker_;
    bool copy_;
    scope_choice* scopes_;
    QComboBox* categories_;
    QPushButton* save_;
    QLabel* status_;
    sticker_actions* actions_;
};

} // namespace quorvel
