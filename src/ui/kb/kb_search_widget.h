#pragma once

#include "model/records.h"
#include "ui/kb/kb_item_widget.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QTreeWidget>
#include <QWidget>

namespace quorvel {

class script_actions;
class script_item;

// The 搜索 tab of the scripts page: the server searches one library part for
// the typed text; the page lists the results in one of three orders, under
// the recently sent scripts, which it keeps in kb/search.cfg.
class kb_search_widget : public QWidget {
    Q_OBJECT
public:
    enum sort_mode { keep_order = 0, newest_first = 1, oldest_first = 2 };
    // Top-level rows of the result tree, in this order.
    enum group_index { recent_group = 0, public_group, personal_group, dept_group, group_count };

    explicit kb_search_widget(QWidget* parent = nullptr);

    QComboBox* scope_box() const { return scope_; }
    QLineEdit* search_edit() const { return edit_; }
    QToolButton* clear_button() const { return clear_; }
    QToolButton* sort_button() const { return sort_; }
    QTreeWidget* tree() const { return tree_; }
    // Says why a search shows nothing (failure, offline); hidden otherwise.
    QLabel* status_label() const { return status_; }
    QTreeWidgetItem* group(int index) const { return groups_[index]; }
    int sort_mode() const { return sort_mode_; }
    // Created on first use, parented to the sort button.
    QMenu* sort_menu();

    static script_node_spt script_of(const QTreeWidgetItem* row);
    // Replaces the results by the list, sorted, under the current scope's group.
    void show_results(const QList<script_node_spt>& scripts);
    // Drops the old results and says why there are none.
    void show_failure(const QString& message);
    // Puts the script first among the recent rows and rewrites the rankings.
    void record_sent(const script_node_spt& script);
    // Sends (direct) or inputs the script, then records it.
    void send(const script_node_spt& script, bool direct);
    // Empty over rows that hold no script.
    QList<kb_item_widget::menu_entry_t> row_menu(QTreeWidgetItem* row);

public slots:
    void on_search();
    void on_clear_input();
    void on_sort();
    void on_original_sort();
    void on_desc_result();
    void on_asce_result();

private:
    QWidget* build_top_bar();
    void add_group(int index, const QString& title);
    void set_group_title(int index, const QString& title);
    void resort(int mode);
    QTreeWidgetItem* add_row(QTreeWidgetItem* group, const script_node_spt& script, int at = -1);
    void clear_group(QTreeWidgetItem* group);
    void number_rows();
    void load_recent();
    void save_recent();
    void on_menu_requested(const QPoint& pos);

    QComboBox* scope_;
    QLineEdit* edit_;
    QToolButton* clear_;
    QToolButton* sort_;
    QTreeWidget* tree_;
    QLabel* status_;
    QTreeWidgetItem* groups_[group_count];
    QMenu* sort_menu_ = nullptr;
    int sort_mode_ = keep_order;
    script_actions* scripts_;
};

} // namespace quorvel
