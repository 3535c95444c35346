#pragma once

#include "model/records.h"

#include <QToolButton>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

namespace quorvel {

class custom_tree_menu;

// Item data of category items in every document tree.
namespace doc_role {
inline constexpr int node = Qt::UserRole;          // category_node_spt
inline constexpr int same_node = Qt::UserRole + 1; // the same, as the page reads it
inline constexpr int id = Qt::UserRole + 2;        // QString category id
} // namespace doc_role

// Adds the stored document categories under parent_id below an item, level
// by level, skipping the ones no view lists. `each` runs for every item made
// (after its own sub-categories are added when subs_first is false).
using doc_item_hook = std::function<void(QTreeWidgetItem*, const category_node_spt&)>;
void add_doc_category_items(QTreeWidgetItem* parent, const QString& parent_id,
                            const doc_item_hook& before_children = {});
QTreeWidgetItem* find_doc_category_item(QTreeWidget* tree, const QString& id);

// A button that shows the chosen document category and opens a popup tree
// of the categories below it; optionally the first entry is the top level.
class doc_category_chooser : public QToolButton {
    Q_OBJECT
public:
    explicit doc_category_chooser(bool with_top_level, QWidget* parent = nullptr);

    void set_category(const QString& id);
    QString category_id() const { return id_; }
    // Opens the popup (also what a click does); returned for tests.
    custom_tree_menu* open_popup();

signals:
    void category_chosen(QString id);

private:
    bool with_top_level_;
    QString id_;
};

} // namespace quorvel
