#pragma once

#include "model/records.h"
#include "ui/widgets/context_menu.h"

#include <QObject>
#include <QStringList>
#include <functional>

class QTreeWidgetItem;

namespace quorvel {

class category_actions;
class delete_script_widget;
class drag_drop_treewidget;
class kb_item_widget;
class kb_row_model;
class new_script_widget;
class script_actions;
class transfer_script_widget;

// The scripts page's context menus and what they start: sending a script,
// the script and category dialogs, and the reorders the server makes (pin,
// drag and drop, category sort). Changes go through the actions; the rows
// follow the store, so nothing here touches the view's rows beyond the
// dragged one.
class kb_item_menus : public QObject {
    Q_OBJECT
public:
    using menu_entry_t = quorvel::menu_entry_t;

    kb_item_menus(kb_item_widget* view, kb_row_model* model);

    // The context menus: of a row, of a strip button's category, of the
    // empty area of a tree.
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
    // The category dialogs, opened as top-level windows.
    void open_update_category(const category_node_spt& category);
    void open_delete_category(const category_node_spt& category);
    void open_transfer_category(const category_node_spt& category, bool move);
    void open_sort_category(const category_node_spt& category);

    void pin_script(const script_node_spt& script, bool to_top);
    void on_item_drag_finished(drag_drop_treewidget* tree, QTreeWidgetItem* dragged,
                               QTreeWidgetItem* to_parent, int index);
    void reload_category(const QString& category_id);
    void apply_category_sort(const category_node_spt& category, const QStringList& ordered_ids);

    // Messages go through here so tests can read them.
    void set_message_handler(std::function<void(const QString&)> handler) {
        message_ = std::move(handler);
    }

private:
    kb_item_widget* view_;
    kb_row_model* model_;
    std::function<void(const QString&)> message_;
    script_actions* scripts_;
    category_actions* categories_;
};

} // namespace quorvel
