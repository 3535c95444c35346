#pragma once

#include "model/records.h"

#include <QHash>
#include <QJsonArray>
#include <QList>
#include <QString>

namespace quorvel {

// One category of a tree and its children in the order they were added.
struct category_entry_t {
    category_node_spt node; // null for "-1" and for parents not seen yet
    QList<category_node_spt> children;
};

// Category id → entry; the top level lives under "-1".
using category_tree_t = QHash<QString, category_entry_t>;

inline const QString top_level_id = QStringLiteral("-1");

void add_to_tree(category_tree_t& tree, const category_node_spt& node);
// A nested reply: each element and then its "children", recursively.
void build_tree_from_nested(category_tree_t& tree, const QJsonArray& array);
// A flat reply: elements missing any category key are skipped.
void build_tree_from_flat(category_tree_t& tree, const QJsonArray& array);

} // namespace quorvel
