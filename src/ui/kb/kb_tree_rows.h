#pragma once

#include "model/records.h"
#include "ui/kb/kb_row_model.h"

#include <QList>
#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

namespace quorvel {

class drag_drop_treewidget;

// Item data of every tree row, in column 0.
namespace kb_role {
inline constexpr int kind = Qt::UserRole;       // kb_row_kind
inline constexpr int record = Qt::UserRole + 1; // category_node_spt or script_node_spt
inline constexpr int id = Qt::UserRole + 2;     // QString
inline constexpr int number = Qt::UserRole + 3; // int, script rows: the shown number
} // namespace kb_role

// Reading and rearranging the rows of a script tree; shared by the page's
// view and its menus.
namespace kb_tree {

int kind_of(const QTreeWidgetItem* row); // -1 without a row
QString id_of(const QTreeWidgetItem* row);
script_node_spt script_of(const QTreeWidgetItem* row);
category_node_spt category_of(const QTreeWidgetItem* row);
// The rows under a parent row, or the top level without one.
QList<QTreeWidgetItem*> siblings(QTreeWidget* tree, QTreeWidgetItem* parent);
// Where a script row goes among its siblings: after the scripts, before the
// first sub-category, as filling the tree orders them.
int first_category_index(QTreeWidget* tree, QTreeWidgetItem* parent);
void take_row(QTreeWidget* tree, QTreeWidgetItem* row);
QTreeWidgetItem* find_row(QTreeWidget* tree, int kind, const QString& id);
// Script rows numbered in display order, on their widgets too.
void number_tree(QTreeWidget* tree);
void set_row_icon(QTreeWidget* tree, QTreeWidgetItem* row);
void expand_tree(QTreeWidget* tree, bool expand);

// A first-level category's tree: one column, dragging script rows only.
void set_up_tree(drag_drop_treewidget* tree, const QString& category_id);
QString category_button_text(const QString& name);
QTreeWidgetItem* make_category_row(QTreeWidget* tree, QTreeWidgetItem* parent,
                                   const category_node_spt& category);
// A renamed category's row texts.
void render_category_row(QTreeWidget* tree, QTreeWidgetItem* row,
                         const category_node_spt& category);
// A script row at `at` among its siblings (-1: last), without its widget:
// that is made when the row first comes into view.
QTreeWidgetItem* make_script_row(QTreeWidget* tree, QTreeWidgetItem* parent,
                                 const script_node_spt& script, int at);
// The tooltip, and the widget's texts once the row has one.
void render_script_row(QTreeWidget* tree, QTreeWidgetItem* row, const script_node_spt& script);
int script_row_height();

} // namespace kb_tree

} // namespace quorvel
