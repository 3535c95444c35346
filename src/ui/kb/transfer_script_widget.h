#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace quorvel {

class combobox_button;
class custom_button;
class script_actions;
class select_department_menu;

// Copies or moves one script into a first- or second-level category of any
// library part the user may write to; reports each success by one signal.
class transfer_script_widget : public base_dialog {
    Q_OBJECT
public:
    transfer_script_widget(bool copy, const script_node_spt& script, QWidget* parent = nullptr);

    QAbstractButton* part_button(int part) const { return parts_->button(part); }
    int checked_part() const { return parts_->checkedId(); }
    combobox_button* department_picker() const { return dept_; }
    bool department_row_shown() const { return !dept_label_->isHidden(); }
    QComboBox* first_level_box() const { return first_; }
    QComboBox* second_level_box() const { return second_; }
    QLabel* path_label() const { return path_; }
    QLabel* status_label() const { return status_; }
    custom_button* save_button() const { return save_; }
    custom_button* close_dialog_button() const { return close_; }

    // As a click on the part's button does.
    void choose_part(int part);
    select_department_menu* show_department_menu();
    void choose_department(const QString& dept_id, const QString& name);
    void on_save();

signals:
    void transfer_finished(int category_type, QString parent_id);

private:
    void build(const script_node_spt& script);
    void fill_lists(int part);
    void fill_second_level();
    QString picked_dept() const;
    void set_buttons_enabled(bool enabled);

    bool copy_;
    script_node_spt script_;
    QButtonGroup* parts_;
    combobox_button* dept_;
    QLabel* dept_label_;
    QComboBox* first_;
    QComboBox* second_;
    QLabel* path_;
    QLabel* status_;
    custom_button* save_;
    custom_button* close_;
    script_actions* scripts_;
};

} // namespace quorvel
