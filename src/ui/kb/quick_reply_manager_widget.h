#pragma once

#include <QDialog>
#include <QSet>
#include <QStringList>

#include "model/category_tree.h"

class QCheckBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace quorvel {

class custom_button;
class quick_reply_actions;

// The dialog in which the agent marks scripts of the whole library for the
// bar's quick-reply menu and saves the complete list. Built once from the
// store; the marks stay local until a save succeeds.
class quick_reply_manager_widget : public QDialog {
    Q_OBJECT
public:
    explicit quick_reply_manager_widget(QWidget* parent = nullptr);

    QTreeWidget* tree() const { return tree_; }
    QCheckBox* only_marked_box() const { return only_marked_; }
    custom_button* save_button() const { return save_; }
    // Script rows are exactly the rows built as such; first-level category
    // rows carry a bare id in the same role and never count.
    static bool is_script_row(const QTreeWidgetItem* row);
    // The ids of the checked script rows in tree order.
    QStringList checked_script_ids() const;

public slots:
    void show_quick_reply_only(bool enable);
    void save_settings();

private:
    void add_group(const QString& title, const category_tree_t* categories);
    void add_category_row(QTreeWidgetItem* parent, const category_tree_t& categories,
                          const category_node_spt& node, QSet<QString>* seen);
    void add_script_rows(QTreeWidgetItem* parent, const QString& category_id);

    QSet<QString> marked_;
    QTreeWidget* tree_;
    QCheckBox* only_marked_;
    custom_button* save_;
    quick_reply_actions* actions_;
};

} // namespace quorvel
