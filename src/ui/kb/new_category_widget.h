#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

class QButtonGroup;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;

namespace quorvel {

class category_actions;
class custom_button;

// "新建分类": a first- or second-level script category in any library part.
// The store holds the new category when create_category_finished is emitted.
class new_category_widget : public base_dialog {
    Q_OBJECT
public:
    enum level { first_level = 0, second_level = 1 };

    new_category_widget(int part, const category_node_spt& suggested_parent,
                        QWidget* parent = nullptr);

    QButtonGroup* part_group() const { return parts_; }
    QButtonGroup* level_group() const { return levels_; }
    QComboBox* parent_combo() const { return parent_combo_; }
    QLineEdit* name_edit() const { return name_; }
    QLabel* status_label() const { return status_; }
    custom_button* save_button() const { return save_; }
    custom_button* close_dialog_button() const { return close_button_; }
    bool parent_row_shown() const;

signals:
    void create_category_finished(quorvel::category_node_spt new_node);

private:
    void fill_parents(int part);
    void show_parent_row(bool shown);
    void save();
    void finish(const QString& status);

    category_node_spt suggested_parent_;
    QButtonGroup* parts_;
    QButtonGroup* levels_;
    QLabel* parent_label_;
    QComboBox* parent_combo_;
    QLineEdit* name_;
    QLabel* status_;
    custom_button* save_;
    custom_button* close_button_;
    category_actions* actions_;
};

} // namespace quorvel
