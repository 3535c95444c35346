#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

class QLabel;
class QLineEdit;

namespace quorvel {

class category_actions;
class custom_button;

// "修改分类": renames a category of any library (scripts, stickers,
// documents). The store already holds the new name when update_finished is
// emitted; the opener only updates its view.
class update_category_widget : public base_dialog {
    Q_OBJECT
public:
    explicit update_category_widget(const category_node_spt& category, QWidget* parent = nullptr);

    QLineEdit* name_edit() const { return name_; }
    QLabel* status_label() const { return status_; }
    custom_button* save_button() const { return save_; }
    custom_button* close_dialog_button() const { return close_button_; }

signals:
    // The record the server returned, with the new classifyName.
    void update_finished(quorvel::category_node_spt node);

private:
    void save();

    category_node_spt category_;
    QLineEdit* name_;
    QLabel* status_;
    custom_button* save_;
    custom_button* close_button_;
    category_actions* actions_;
};

} // namespace quorvel
