#pragma once

#include "model/records.h"
#include "ui/kb/kb_row_model.h"
#include "ui/kb/kb_tree_rows.h"
#include "ui/widgets/context_menu.h"

#include <QHash>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QWidget>

namespace quorvel {

class category_flow_widget;
class drag_drop_treewidget;
class kb_item_menus;
class script_item;

// One library part (0 public, 1 personal, 2 department): a strip of
// first-level categories above one lazily filled tree per category. The row
// model reads the store and reports its changes as rows; the menus change the
// library through the actions. This view only renders rows; it never writes
// the library itself.
class kb_item_widget : public QWidget {
    Q_OBJECT
public:
    using menu_entry_t = quorvel::menu_entry_t; // the widget kit's context menus

    explicit kb_item_widget(int part, QWidget* parent = nullptr);

    int part() const { return part_; }
    kb_row_model* model() const { return model_; }
    kb_item_menus* menus() const { return menus_; }
    category_flow_widget* strip() const { return strip_; }
    QStackedWidget* trees() const { return trees_; }
    // A first-level category's tree, made when first asked for.
    drag_drop_treewidget* tree_of(const QString& category_id);
    drag_drop_treewidget* current_tree() const;
    QWidget* button_of(const QString& category_id) const;
    // The tree of a script's first-level category, filled.
    drag_drop_treewidget* tree_of_script(const script_node_spt& script);

    // As a click on the category's button does.
    void show_category(const QString& category_id);
    void fill_tree(drag_drop_treewidget* tree);
    static void number_tree(QTreeWidget* tree) { kb_tree::number_tree(tree); }
    static QTreeWidgetItem* find_row(QTreeWidget* tree, int kind, const QString& id) {
        return kb_tree::find_row(tree, kind, id);
    }
    // The row's widget, made now if the row has not been in view yet.
    script_item* row_widget(QTreeWidget* tree, QTreeWidgetItem* row);
    static int script_row_height() { return kb_tree::script_row_height(); }

    void expand_category(const category_node_spt& category, bool expand);
    void switch_department(const QString& dept_id);

    // How the rows follow the store; each changes the view only.
    void insert_script(const script_node_spt& script);
    void refresh_script(const script_node_spt& script);
    void remove_script(const script_node_spt& script);
    void insert_category(const category_node_spt& category);
    void remove_category(const category_node_spt& category);
    void rename_category(const category_node_spt& category);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void on_rows_changed(const kb_row_change_t& change);
    void show_reloaded(const QString& category_id, const QList<script_node_spt>& scripts);
    void reorder_categories(const QString& parent_id, const QStringList& ordered_ids);
    void schedule_row_widgets(drag_drop_treewidget* tree);
    void make_visible_row_widgets(QTreeWidget* tree);
    void build_strip();
    void add_category_button(const category_node_spt& category, bool fill);
    drag_drop_treewidget* make_tree(const QString& category_id);
    void clear_view();
    void rebuild_view();
    void add_scripts(drag_drop_treewidget* tree, QTreeWidgetItem* parent,
                     const QString& category_id);
    void add_categories(drag_drop_treewidget* tree, QTreeWidgetItem* parent,
                        const QString& category_id);
    QTreeWidgetItem* add_script_row(drag_drop_treewidget* tree, QTreeWidgetItem* parent,
                                    const script_node_spt& script, int at = -1);
    void on_tree_menu(drag_drop_treewidget* tree, const QPoint& pos);

    int part_;
    kb_row_model* model_;
    kb_item_menus* menus_;
    category_flow_widget* strip_;
    QStackedWidget* strips_;
    QStackedWidget* trees_;
    QHash<QString, drag_drop_treewidget*> trees_by_id_; // the trees made so far
};

} // namespace quorvel
