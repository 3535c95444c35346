#pragma once

#include "model/data_center.h"
#include "model/records.h"
#include "ui/widgets/context_menu.h"

#include <QHash>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QWidget>
#include <functional>

namespace quorvel {

class category_actions;
class category_flow_widget;
class delete_script_widget;
class drag_drop_treewidget;
class new_script_widget;
class script_actions;
class script_item;
class transfer_script_widget;

// Item data of every tree row, in column 0.
namespace kb_role {
inline constexpr int kind = Qt::UserRole;       // 0 category, 1 script
inline constexpr int record = Qt::UserRole + 1; // category_node_spt or script_node_spt
inline constexpr int id = Qt::UserRole + 2;     // QString
inline constexpr int number = Qt::UserRole + 3; // int, script rows: the shown number
} // namespace kb_role

// Row kinds (kb_role::kind). Category and script ids come from separate
// sequences and collide, so a row is named by its kind and id together.
enum kb_row_kind { category_row = 0, script_row = 1 };

// One library part (0 public, 1 personal, 2 department): a strip of
// first-level categories above one lazily filled tree per category. It reads
// the store, changes the library through the script and category actions and
// renders the store's change signal; it never writes the library itself.
class kb_item_widget : public QWidget {
    Q_OBJECT
public:
    using menu_entry_t = quorvel::menu_entry_t; // the widget kit's context menus

    explicit kb_item_widget(int part, QWidget* parent = nullptr);

    int part() const { return part_; }
    category_flow_widget* strip() const { return strip_; }
    QStackedWidget* trees() const { return trees_; }
    // A first-level category's tree, made when first asked for.
    drag_drop_treewidget* tree_of(const QString& category_id);
    drag_drop_treewidget* current_tree() const;
    QWidget* button_of(const QString& category_id) const;

    // As a click on the category's button does.
    void show_category(const QString& category_id);
    void fill_tree(drag_drop_treewidget* tree);
    static void number_tree(QTreeWidget* tree);
    static QTreeWidgetItem* find_row(QTreeWidget* tree, int kind, const QString& id);
    // The row's widget, made now if the row has not been in view yet.
    script_item* row_widget(QTreeWidget* tree, QTreeWidgetItem* row);
    static int script_row_height();

    // The context menus: of a row, of a strip button's category, of the
    // empty area of the current tree (nullptr row).
    QList<menu_entry_t> row_menu(QTreeWidgetItem* row);
    QList<menu_entry_t> category_menu(const category_node_spt& category);
    QList<menu_entry_t> empty_area_menu(drag_drop_treewidget* tree);

    void send(const script_node_spt& script, bool direct);
    // The script dialogs of the row menu, shown and deleted on close.
    transfer_script_widget* open_transfer_script(const script_node_spt& script, bool copy);
    delete_script_widget* open_delete_script(const script_node_spt& script);
    // The script editor: a new script for a category, or the given script.
    new_script_widget* open_new_script(const QString& category_id);
    new_script_widget* open_edit_script(const script_node_spt& script);
    void pin_script(const script_node_spt& script, bool to_top);
    void on_item_drag_finished(QTreeWidgetItem* dragged, QTreeWidgetItem* to_parent, int index);
    void reload_category(const QString& category_id);
    void apply_category_sort(const category_node_spt& category, const QStringList& ordered_ids);
    void expand_category(const category_node_spt& category, bool expand);
    void switch_department(const QString& dept_id);

    // The category dialogs, opened as top-level windows (kb_category_dialogs.cpp).
    void open_update_category(const category_node_spt& category);
    void open_delete_category(const category_node_spt& category);
    void open_transfer_category(const category_node_spt& category, bool move);
    void open_sort_category(const category_node_spt& category);

    // How the rows follow the store; each changes the view only.
    void insert_script(const script_node_spt& script);
    void refresh_script(const script_node_spt& script);
    void remove_script(const script_node_spt& script);
    void insert_category(const category_node_spt& category);
    void remove_category(const category_node_spt& category);
    void rename_category(const category_node_spt& category);

    // Messages go through here so tests can read them.
    void set_message_handler(std::function<void(const QString&)> handler) {
        message_ = std::move(handler);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void on_store_changed(const store_change_t& change);
    void on_categories_changed(const store_change_t& change);
    void on_scripts_changed(const store_change_t& change);
    void show_reloaded(const QString& category_id, const QList<script_node_spt>& scripts);
    void reorder_categories(const QString& parent_id, const QStringList& ordered_ids);
    // The department whose categories the view shows; empty outside that part.
    QString shown_dept() const;
    bool shows(int part, const QString& dept_id) const;
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
                        const QString& category_id, bool with_content);
    QTreeWidgetItem* add_category_row(drag_drop_treewidget* tree, QTreeWidgetItem* parent,
                                      const category_node_spt& category);
    QTreeWidgetItem* add_script_row(drag_drop_treewidget* tree, QTreeWidgetItem* parent,
                                    const script_node_spt& script, int at = -1);
    void render_script_row(QTreeWidget* tree, QTreeWidgetItem* row, const script_node_spt& script);
    void on_tree_menu(drag_drop_treewidget* tree, const QPoint& pos);

    category_node_spt find_category(const QString& id) const;
    category_node_spt first_level_of(const QString& id) const;
    QList<category_node_spt> children_of(const QString& id) const;
    const QList<category_node_spt>* top_categories() const;
    // The tree and row of a script, after filling the tree when needed.
    drag_drop_treewidget* tree_of_script(const script_node_spt& script);

    int part_;
    category_flow_widget* strip_;
    QStackedWidget* strips_;
    QStackedWidget* trees_;
    QHash<QString, drag_drop_treewidget*> trees_by_id_; // the trees made so far
    std::function<void(const QString&)> message_;
    script_actions* scripts_;
    category_actions* categories_;
};

} // namespace quorvel
