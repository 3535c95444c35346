#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QThread;

namespace quorvel {

class category_actions;
class category_scripts_fetch;
class combobox_button;
class custom_button;

// "复制分类" / "移动分类": puts a script category, with its sub-categories and
// scripts, into another place. The server copies or moves the whole branch;
// the dialog then loads the new branch into the store: categories on the GUI
// thread, scripts fetched on a worker thread and merged back on the GUI thread.
class transfer_category_widget : public base_dialog {
    Q_OBJECT
public:
    enum mode_t { copy_mode = 0, move_mode = 1 };

    transfer_category_widget(int mode, const category_node_spt& category,
                             QWidget* parent = nullptr);
    ~transfer_category_widget() override;

    // For a user who manages no shared library: the personal part only.
    void restrict_to_personal();

    QButtonGroup* part_group() const { return parts_; }
    combobox_button* department_picker() const { return dept_picker_; }
    QComboBox* parent_combo() const { return parent_combo_; }
    QLabel* hint_label() const { return hint_; }
    QLabel* status_label() const { return status_; }
    custom_button* save_button() const { return save_; }
    bool department_row_shown() const;
    bool parent_row_shown() const;
    void choose_department(const QString& dept_id, const QString& name);

signals:
    void transfer_finished(quorvel::category_node_spt new_node);

private:
    bool first_level() const;
    void fill_parents(int part);
    void on_part_clicked(int part);
    void show_department_menu();
    void save();
    void on_placed(const category_node_spt& placed);
    void on_branch_loaded(const category_node_spt& placed, const QList<category_node_spt>& set);
    void on_scripts_fetched(const category_node_spt& placed);
    // The server changed but the store could not follow: the affected parts
    // come again from the server, and the status says so.
    void reload_after_failure(const category_node_spt& placed, const QString& failure);

    int mode_;
    category_node_spt category_;
    QButtonGroup* parts_;
    QLabel* dept_label_;
    combobox_button* dept_picker_;
    QLabel* parent_label_;
    QComboBox* parent_combo_;
    QLabel* hint_;
    QLabel* status_;
    custom_button* save_;
    custom_button* close_button_;
    category_actions* actions_;
    QThread* worker_thread_ = nullptr;
    category_scripts_fetch* worker_ = nullptr;
};

} // namespace quorvel
