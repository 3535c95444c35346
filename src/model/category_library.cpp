#include "model/category_library.h"

#include <QDebug>
#include <QSet>
#include <algorithm>
#include <utility>

namespace quorvel {

namespace {

bool remove_child(QList<category_node_spt>& children, const QString& id) {
    const auto end = std::remove_if(children.begin(), children.end(),
                                    [&](const category_node_spt& c) { return c && c->id == id; });
    const bool removed = end != children.end();
    children.erase(end, children.end());
    return removed;
}

} // namespace

category_library::category_library(library_kind kind)
    : kind_(kind), combined_(kind == library_kind::documents) {}

int category_library::part_of(const QString& classify_type) {
    if (classify_type == QLatin1String(protocol::part_pub))
        return int(protocol::part::pub);
    if (classify_type == QLatin1String(protocol::part_personal))
        return int(protocol::part::personal);
    if (classify_type == QLatin1String(protocol::part_dept))
        return int(protocol::part::dept);
    return -1;
}

QString category_library::tree_key(int part, const QString& dept_id) {
    return part == int(protocol::part::dept) ? dept_id : QString();
}

QString category_library::reported_dept(int part, const QString& dept_id) const {
    return combined_ ? QString() : tree_key(part, dept_id);
}

int category_library::reported_part_of(const category_node_t& node) const {
    return reported_part(part_of(node.classifyType));
}

QString category_library::reported_dept_of(const category_node_t& node) const {
    return reported_dept(part_of(node.classifyType), node.deptId);
}

void category_library::clear() {
    combined_tree_.clear();
    for (dept_trees_t& part : trees_)
        part.clear();
}

// ---- reading ----

const category_tree_t* category_library::tree(int part, const QString& dept_id) const {
    if (combined_)
        return &combined_tree_;
    if (!is_part(part))
        return nullptr;
    const dept_trees_t& trees = trees_[part];
    const auto it = trees.constFind(tree_key(part, dept_id));
    return it == trees.constEnd() ? nullptr : &it.value();
}

const category_tree_t* category_library::tree_of(const category_node_t& node) const {
    return tree(part_of(node.classifyType), node.deptId);
}

category_tree_t* category_library::mutable_tree(int part, const QString& dept_id) {
    return const_cast<category_tree_t*>(std::as_const(*this).tree(part, dept_id));
}

category_tree_t* category_library::mutable_tree_of(const category_node_t& node) {
    return mutable_tree(part_of(node.classifyType), node.deptId);
}

category_tree_t* category_library::tree_to_fill(int part, const QString& dept_id) {
    if (combined_)
        return &combined_tree_;
    return is_part(part) ? &trees_[part][tree_key(part, dept_id)] : nullptr;
}

QStringList category_library::departments() const {
    return combined_ ? QStringList() : trees_[int(protocol::part::dept)].keys();
}

QList<const category_tree_t*> category_library::part_trees(int part) const {
    QList<const category_tree_t*> trees;
    if (combined_ || !is_part(part))
        return trees;
    for (const category_tree_t& tree : trees_[part])
        trees << &tree;
    return trees;
}

const category_entry_t* category_library::entry(int part, const QString& dept_id,
                                                const QString& id) const {
    const category_tree_t* t = tree(part, dept_id);
    if (!t)
        return nullptr;
    const auto it = t->constFind(id);
    return it == t->constEnd() ? nullptr : &it.value();
}

category_node_spt category_library::find(int part, const QString& dept_id,
                                         const QString& id) const {
    const category_entry_t* found = entry(part, dept_id, id);
    return found ? found->node : category_node_spt();
}

const QList<category_node_spt>* category_library::children(int part, const QString& dept_id,
                                                           const QString& id) const {
    const category_entry_t* found = entry(part, dept_id, id);
    return found ? &found->children : nullptr;
}

category_node_spt category_library::first_level(int part, const QString& dept_id,
                                                const QString& id) const {
    const category_tree_t* t = tree(part, dept_id);
    category_node_spt node = t ? t->value(id).node : category_node_spt();
    QSet<QString> visited;
    while (node && node->superId != top_level_id) {
        visited.insert(node->id);
        const category_node_spt parent = t->value(node->superId).node;
        if (!parent || visited.contains(parent->id))
            break; // a gap or a cycle: the highest node reached
        node = parent;
    }
    return node;
}

QString category_library::path(int part, const QString& dept_id, const QString& id) const {
    const category_tree_t* t = tree(part, dept_id);
    category_node_spt node = t ? t->value(id).node : category_node_spt();
    if (!node)
        return {};
    QString text = node->classifyName;
    QSet<QString> visited{node->id};
    while (node->superId != top_level_id) {
        const category_node_spt parent = t->value(node->superId).node;
        if (!parent || visited.contains(parent->id))
            break;
        visited.insert(parent->id);
        text = QStringLiteral("%1 > %2").arg(parent->classifyName, text);
        node = parent;
    }
    return text;
}

// ---- changing ----

bool category_library::replace(int part, const QString& dept_id, const category_tree_t& tree) {
    category_tree_t* stored = tree_to_fill(part, dept_id);
    if (!stored)
        return false;
    *stored = tree;
    return true;
}

bool category_library::add(const category_node_spt& node) {
    if (!node || (combined_ && node->id.isEmpty()))
        return false;
    const int part = part_of(node->classifyType);
    if (!combined_ && !is_part(part))
        return false;
    // The department part makes a department's tree on its first category;
    // the public and personal trees skip a category without a parent id.
    if (kind_ == library_kind::scripts && part != int(protocol::part::dept) &&
        node->superId.isNull())
        return false;
    category_tree_t& tree = *tree_to_fill(part, node->deptId);
    if (kind_ == library_kind::stickers && tree.value(node->id).node)
        return false; // a second report of the same category
    if (combined_ && node->superId.isEmpty())
        node->superId = top_level_id;
    add_to_tree(tree, node);
    return true;
}

bool category_library::update(const category_node_spt& node) {
    if (!node)
        return false;
    category_tree_t* t = mutable_tree_of(*node);
    const auto it = t ? t->find(node->id) : category_tree_t::iterator();
    if (!t || it == t->end() || !it->node)
        return false;
    if (it->node != node)
        *it->node = *node;
    return true;
}

QStringList category_library::subtree_ids(const category_tree_t& tree, const QString& root) {
    QStringList ids{root};
    QSet<QString> seen{root};
    for (int i = 0; i < ids.size(); ++i)
        for (const category_node_spt& child : tree.value(ids[i]).children)
            if (child && !seen.contains(child->id)) {
                seen.insert(child->id);
                ids << child->id;
            }
    return ids;
}

std::optional<category_library::removal_t> category_library::remove(const category_node_spt& node) {
    if (!node)
        return std::nullopt;
    category_tree_t* t = mutable_tree_of(*node);
    if (!t)
        return std::nullopt;
    removal_t removal;
    // The combined tree trusts its own record of the parent; a part's tree
    // takes the parent the node names.
    const category_node_spt placed = combined_ ? t->value(node->id).node : node;
    if (placed) {
        removal.parent_id = placed->superId;
        auto parent = t->find(placed->superId);
        if (parent != t->end())
            remove_child(parent->children, node->id);
    }
    removal.ids = subtree_ids(*t, node->id);
    for (const QString& id : removal.ids)
        t->remove(id);
    return removal;
}

bool category_library::sort(const category_node_spt& node, const QStringList& ordered_ids) {
    if (!node || ordered_ids.isEmpty())
        return false;
    category_tree_t* t = mutable_tree_of(*node);
    const auto parent = t ? t->find(node->superId) : category_tree_t::iterator();
    if (!t || parent == t->end())
        return false;
    QList<category_node_spt> sorted;
    QList<category_node_spt> rest = parent->children;
    for (const QString& id : ordered_ids)
        for (int i = 0; i < rest.size(); ++i)
            if (rest[i] && rest[i]->id == id) {
                sorted << rest.takeAt(i);
                break;
            }
    parent->children = sorted + rest;
    return true;
}

QStringList category_library::merge(const QHash<QString, category_node_spt>& nodes) {
    QStringList merged;
    for (auto it = nodes.constBegin(); it != nodes.constEnd(); ++it) {
        const category_node_spt& node = it.value();
        const int part = node ? part_of(node->classifyType) : -1;
        if (part != int(protocol::part::pub) && part != int(protocol::part::personal))
            continue;
        category_tree_t& tree = *tree_to_fill(part, QString());
        tree[it.key()].node = node;
        QList<category_node_spt>& siblings = tree[node->superId].children;
        bool replaced = false;
        for (category_node_spt& child : siblings) {
            if (child && child->id == node->id) {
                *child = *node;
                replaced = true;
            }
        }
        if (!replaced) {
            qDebug() << "insert child " + node->id + ", with name " + node->classifyName;
            siblings.append(node);
        }
        merged << node->id;
    }
    return merged;
}

} // namespace quorvel
