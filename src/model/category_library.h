#pragma once

#include "model/category_tree.h"
#include "protocol/protocol.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace quorvel {

// Libraries that keep category trees.
enum class library_kind { scripts, stickers, documents };

// The category trees of one library. Scripts and stickers keep one tree per
// part (the department part one per department); documents keep public and
// personal categories in one tree, which every part and department names.
// A category is addressed by (part, dept_id, id); a node is placed by its
// own part (classifyType) and department.
class category_library {
public:
    explicit category_library(library_kind kind);

    library_kind kind() const { return kind_; }
    // The library part of a classifyType, -1 when it names none.
    static int part_of(const QString& classify_type);
    // The part and department a change of a tree reports: -1 and "" for the
    // combined tree, the department for the department part only.
    int reported_part(int part) const { return combined_ ? -1 : part; }
    QString reported_dept(int part, const QString& dept_id) const;
    int reported_part_of(const category_node_t& node) const;
    QString reported_dept_of(const category_node_t& node) const;

    void clear();

    // ---- reading ----
    // Null when the library holds no such tree.
    const category_tree_t* tree(int part, const QString& dept_id) const;
    // The tree a node lives in, by its part and department.
    const category_tree_t* tree_of(const category_node_t& node) const;
    // Departments that have a tree; none for the combined tree.
    QStringList departments() const;
    // Every tree of a part; none for the combined tree.
    QList<const category_tree_t*> part_trees(int part) const;
    category_node_spt find(int part, const QString& dept_id, const QString& id) const;
    const category_entry_t* entry(int part, const QString& dept_id, const QString& id) const;
    const QList<category_node_spt>* children(int part, const QString& dept_id,
                                             const QString& id) const;
    // The first-level ancestor (the node itself at the top level). A missing
    // ancestor or a cycle ends the walk: the last node reached is returned.
    category_node_spt first_level(int part, const QString& dept_id, const QString& id) const;
    // "top > sub > category" of a category in the tree of that part; "" when absent.
    QString path(int part, const QString& dept_id, const QString& id) const;

    // ---- changing; each returns whether the library changed ----
    // The tree of that part becomes the given one; false for a part that does not exist.
    bool replace(int part, const QString& dept_id, const category_tree_t& tree);
    // A created category joins its parent's children. Scripts skip a public
    // or personal category without a parent id; stickers skip one already
    // stored; documents need an id and put a category without parent on top.
    bool add(const category_node_spt& node);
    // The stored record takes the node's fields in place.
    bool update(const category_node_spt& node);
    // The category leaves its parent's children, and it and its subtree
    // leave the tree. The ids removed (the category first) and the parent
    // reported; nothing when the node's tree is not stored.
    struct removal_t {
        QString parent_id;
        QStringList ids;
    };
    std::optional<removal_t> remove(const category_node_spt& node);
    // The parent's children in the given order (children not named keep
    // their place after them).
    bool sort(const category_node_spt& node, const QStringList& ordered_ids);
    // Public and personal categories by id: a stored sibling takes the new
    // fields, a new one is appended. The ids merged.
    QStringList merge(const QHash<QString, category_node_spt>& nodes);

private:
    using dept_trees_t = QHash<QString, category_tree_t>; // parts 0 and 1 under ""
    static bool is_part(int part) { return part >= 0 && part < protocol::part_count; }
    static QString tree_key(int part, const QString& dept_id);
    category_tree_t* mutable_tree(int part, const QString& dept_id);
    category_tree_t* mutable_tree_of(const category_node_t& node);
    // The tree of that part, made when absent; null for a part that does not exist.
    category_tree_t* tree_to_fill(int part, const QString& dept_id);
    static QStringList subtree_ids(const category_tree_t& tree, const QString& root);

    library_kind kind_;
    bool combined_; // one tree for every part (documents)
    category_tree_t combined_tree_;
    std::array<dept_trees_t, protocol::part_count> trees_;
};

} // namespace quorvel
