#include "model/data_center.h"

#include "model/library_snapshot.h"
#include "model/session_state.h"

#include <QDebug>
#include <QMutexLocker>
#include <QQueue>
#include <QSet>
#include <algorithm>
#include <vector>

namespace quorvel {

namespace {

template <class T> bool remove_by_id(QList<T>& list, const QString& id) {
    const auto end = std::remove_if(list.begin(), list.end(),
                                    [&](const T& item) { return item && item->id == id; });
    const bool removed = end != list.end();
    list.erase(end, list.end());
    return removed;
}

// The stored record with the same id, changed in place; null when absent.
template <class T> T copy_into_stored(QList<T>* list, const T& record) {
    if (!list)
        return {};
    for (const T& stored : *list)
        if (stored && stored->id == record->id) {
            if (stored != record)
                *stored = *record;
            return stored;
        }
    return {};
}

} // namespace

data_center::data_center() {
    qRegisterMetaType<store_change_t>("quorvel::store_change_t");
    // The views hear of the current department as of any other store change.
    connect(&session_state::instance(), &session_state::dept_changed, this,
            [this](const QString& id) {
                announce(store_subject::current_department, store_op::updated,
                         int(protocol::part::dept), id);
            });
}

data_center& data_center::instance() {
    static data_center store;
    return store;
}

void data_center::clear() {
    for (auto* trees : {&script_trees_, &sticker_trees_})
        for (auto& part : *trees)
            part.clear();
    doc_categories_.clear();
    scripts_by_category_.clear();
    docs_by_category_.clear();
    stickers_by_category_.clear();
    phrases_.clear();
    quick_replies_.clear();
    supported_apps_.clear();
    sticker_dept_id_.clear();
    version_info_.reset();
    attachments_category_.reset();
    session_state::instance().clear();
}

void data_center::announce(store_subject subject, store_op op, int part, const QString& dept_id,
                           const QString& category_id, const QStringList& ids,
                           library_kind library) {
    store_change_t change;
    change.subject = subject;
    change.op = op;
    change.library = library;
    change.part = part;
    change.dept_id = dept_id;
    change.category_id = category_id;
    change.ids = ids;
    emit changed(change);
}

void data_center::announce_category(store_op op, const category_node_t& node,
                                    const QStringList& ids, library_kind library) {
    const int part = part_of(node.classifyType);
    announce(store_subject::categories, op, part,
             part == int(protocol::part::dept) ? node.deptId : QString(), node.superId,
             ids.isEmpty() ? QStringList{node.id} : ids, library);
}

// ---- category trees ----

int data_center::part_of(const QString& classify_type) {
    if (classify_type == QLatin1String(protocol::part_pub))
        return int(protocol::part::pub);
    if (classify_type == QLatin1String(protocol::part_personal))
        return int(protocol::part::personal);
    if (classify_type == QLatin1String(protocol::part_dept))
        return int(protocol::part::dept);
    return -1;
}

QString data_center::tree_key(int part, const QString& dept_id) {
    return part == int(protocol::part::dept) ? dept_id : QString();
}

data_center::part_trees_t& data_center::trees_of(library_kind library) {
    return library == library_kind::stickers ? sticker_trees_ : script_trees_;
}

const data_center::part_trees_t& data_center::trees_of(library_kind library) const {
    return library == library_kind::stickers ? sticker_trees_ : script_trees_;
}

const category_tree_t* data_center::category_tree(library_kind library, int part,
                                                  const QString& dept_id) const {
    if (library == library_kind::documents)
        return &doc_categories_;
    if (!is_part(part))
        return nullptr;
    const auto& trees = trees_of(library)[part];
    const auto it = trees.constFind(tree_key(part, dept_id));
    return it == trees.constEnd() ? nullptr : &it.value();
}

category_tree_t* data_center::mutable_tree(library_kind library, int part, const QString& dept_id) {
    return const_cast<category_tree_t*>(category_tree(library, part, dept_id));
}

QStringList data_center::tree_departments(library_kind library) const {
    if (library == library_kind::documents)
        return {};
    return trees_of(library)[int(protocol::part::dept)].keys();
}

QList<const category_tree_t*> data_center::part_trees(library_kind library, int part) const {
    QList<const category_tree_t*> trees;
    if (library == library_kind::documents || !is_part(part))
        return trees;
    for (const category_tree_t& tree : trees_of(library)[part])
        trees << &tree;
    return trees;
}

void data_center::replace_category_tree(library_kind library, int part, const QString& dept_id,
                                        const category_tree_t& tree) {
    if (library == library_kind::documents) {
        replace_doc_categories(tree);
        return;
    }
    if (!is_part(part))
        return;
    trees_of(library)[part].insert(tree_key(part, dept_id), tree);
    announce(store_subject::categories, store_op::replaced, part, tree_key(part, dept_id),
             QString(), {}, library);
}

void data_center::replace_doc_categories(const category_tree_t& tree) {
    doc_categories_ = tree;
    announce(store_subject::categories, store_op::replaced, -1, QString(), QString(), {},
             library_kind::documents);
}

void data_center::update_category(library_kind library, const category_node_spt& node) {
    if (library == library_kind::scripts)
        return update_script_category(node);
    if (!node)
        return;
    const int part = part_of(node->classifyType);
    category_tree_t* tree = mutable_tree(library, part, node->deptId);
    const auto it = tree ? tree->find(node->id) : category_tree_t::iterator();
    if (!tree || it == tree->end() || !it->node)
        return;
    if (it->node != node)
        *it->node = *node;
    announce(store_subject::categories, store_op::updated, part, tree_key(part, node->deptId),
             node->superId, {node->id}, library);
}

void data_center::remove_category(library_kind library, const category_node_spt& node) {
    if (library == library_kind::scripts)
        return remove_script_category(node);
    if (!node)
        return;
    if (library == library_kind::documents)
        return remove_doc_category(node->id);
    const int part = part_of(node->classifyType);
    category_tree_t* tree = mutable_tree(library, part, node->deptId);
    if (!tree)
        return;
    auto parent = tree->find(node->superId);
    if (parent != tree->end())
        remove_by_id(parent->children, node->id);
    const QStringList removed = subtree_ids(*tree, node->id);
    for (const QString& id : removed) {
        tree->remove(id);
        stickers_by_category_.remove(id);
    }
    announce(store_subject::categories, store_op::removed, part, tree_key(part, node->deptId),
             node->superId, removed, library);
}

// ---- script categories ----

const category_tree_t* data_center::script_tree_of(const category_node_t& node) const {
    return category_tree(library_kind::scripts, part_of(node.classifyType), node.deptId);
}

category_tree_t* data_center::script_tree_of(const category_node_t& node) {
    return const_cast<category_tree_t*>(std::as_const(*this).script_tree_of(node));
}

category_node_spt data_center::find_script_category(int part, const QString& dept_id,
                                                    const QString& id) const {
    const category_tree_t* tree = category_tree(library_kind::scripts, part, dept_id);
    return tree ? tree->value(id).node : category_node_spt();
}

const QList<category_node_spt>* data_center::script_children(int part, const QString& dept_id,
                                                             const QString& id) const {
    const category_tree_t* tree = category_tree(library_kind::scripts, part, dept_id);
    if (!tree)
        return nullptr;
    const auto it = tree->constFind(id);
    return it == tree->constEnd() ? nullptr : &it->children;
}

const QList<category_node_spt>* data_center::top_script_categories(int part,
                                                                   const QString& dept_id) const {
    return script_children(part, dept_id, top_level_id);
}

category_node_spt data_center::first_level_category_of(int part, const QString& dept_id,
                                                       const QString& id) const {
    const category_tree_t* tree = category_tree(library_kind::scripts, part, dept_id);
    const category_node_spt node = tree ? tree->value(id).node : category_node_spt();
    return node ? walk_to_first_level(*tree, node) : category_node_spt();
}

const category_tree_t* data_center::dept_script_tree(const QString& dept_id) const {
    return category_tree(library_kind::scripts, int(protocol::part::dept), dept_id);
}

category_node_spt data_center::find_script_category(int type, const QString& id) const {
    if (type == int(protocol::part::dept))
        return {};
    return find_script_category(type, QString(), id);
}

category_node_spt data_center::find_dept_script_category(const QString& dept_id,
                                                         const QString& id) const {
    return find_script_category(int(protocol::part::dept), dept_id, id);
}

const category_entry_t* data_center::find_script_category_entry(const QString& dept_id,
                                                                const QString& id) const {
    const auto entry_in = [&id](const category_tree_t* tree) -> const category_entry_t* {
        if (!tree)
            return nullptr;
        const auto it = tree->constFind(id);
        return it == tree->constEnd() ? nullptr : &it.value();
    };
    if (!dept_id.isEmpty())
        return entry_in(dept_script_tree(dept_id));
    for (protocol::part part : {protocol::part::pub, protocol::part::personal})
        if (const category_entry_t* entry =
                entry_in(category_tree(library_kind::scripts, int(part))))
            return entry;
    return nullptr;
}

const QList<category_node_spt>* data_center::dept_script_children(const QString& dept_id,
                                                                  const QString& id) const {
    return script_children(int(protocol::part::dept), dept_id, id);
}

const QList<category_node_spt>* data_center::top_script_categories(int type) const {
    if (type == int(protocol::part::dept))
        return nullptr;
    return top_script_categories(type, QString());
}

const QList<category_node_spt>*
data_center::top_dept_script_categories(const QString& dept_id) const {
    return dept_script_children(dept_id, top_level_id);
}

category_node_spt data_center::walk_to_first_level(const category_tree_t& tree,
                                                   category_node_spt node) const {
    QSet<QString> visited;
    while (node && node->superId != top_level_id) {
        visited.insert(node->id);
        const category_node_spt parent = tree.value(node->superId).node;
        if (!parent || visited.contains(parent->id))
            break; // a gap or a cycle: the highest node reached
        node = parent;
    }
    return node;
}

category_node_spt data_center::first_level_category(const category_node_spt& node) const {
    if (!node)
        return {};
    const category_tree_t* tree = script_tree_of(*node);
    return tree ? walk_to_first_level(*tree, node) : category_node_spt();
}

category_node_spt data_center::first_level_category_of(int type, const QString& id) const {
    if (type == int(protocol::part::dept))
        return {};
    return first_level_category_of(type, QString(), id);
}

category_node_spt data_center::first_level_category_of(const QString& dept_id,
                                                       const QString& id) const {
    return first_level_category_of(int(protocol::part::dept), dept_id, id);
}

void data_center::add_script_category(const category_node_spt& node) {
    if (!node)
        return;
    const int part = part_of(node->classifyType);
    if (!is_part(part))
        return;
    // The department part makes a department's tree on its first category.
    if (part != int(protocol::part::dept) && node->superId.isNull())
        return;
    add_to_tree(script_trees_[part][tree_key(part, node->deptId)], node);
    announce_category(store_op::added, *node);
}

void data_center::merge_script_categories(const QHash<QString, category_node_spt>& nodes) {
    QStringList merged;
    for (auto it = nodes.constBegin(); it != nodes.constEnd(); ++it) {
        const category_node_spt& node = it.value();
        const int part = node ? part_of(node->classifyType) : -1;
        if (part != int(protocol::part::pub) && part != int(protocol::part::personal))
            continue;
        category_tree_t& tree = script_trees_[part][QString()];
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
    if (!merged.isEmpty())
        announce(store_subject::categories, store_op::replaced, -1, QString(), QString(), merged);
}

void data_center::update_script_category(const category_node_spt& node) {
    if (!node)
        return;
    category_tree_t* tree = script_tree_of(*node);
    if (!tree)
        return;
    const auto it = tree->find(node->id);
    if (it == tree->end() || !it->node)
        return;
    if (it->node != node)
        *it->node = *node;
    announce_category(store_op::updated, *node);
}

QStringList data_center::subtree_ids(const category_tree_t& tree, const QString& root) {
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

void data_center::remove_script_category(const category_node_spt& node) {
    if (!node)
        return;
    category_tree_t* tree = script_tree_of(*node);
    if (!tree)
        return;
    auto parent = tree->find(node->superId);
    if (parent != tree->end())
        remove_by_id(parent->children, node->id);
    const QStringList removed = subtree_ids(*tree, node->id);
    for (const QString& id : removed) {
        tree->remove(id);
        scripts_by_category_.remove(id);
    }
    announce_category(store_op::removed, *node, removed);
}

void data_center::sort_script_categories(const category_node_spt& node,
                                         const QStringList& ordered_ids) {
    if (!node || ordered_ids.isEmpty())
        return;
    category_tree_t* tree = script_tree_of(*node);
    const auto parent = tree ? tree->find(node->superId) : category_tree_t::iterator();
    if (!tree || parent == tree->end())
        return;
    QList<category_node_spt> sorted;
    QList<category_node_spt> rest = parent->children;
    for (const QString& id : ordered_ids)
        for (int i = 0; i < rest.size(); ++i)
            if (rest[i] && rest[i]->id == id) {
                sorted << rest.takeAt(i);
                break;
            }
    parent->children = sorted + rest;
    announce_category(store_op::sorted, *node, ordered_ids);
}

QString data_center::script_category_path(const script_node_spt& script) const {
    if (!script)
        return {};
    category_node_t probe;
    probe.classifyType = script->classifyType;
    probe.deptId = script->deptId;
    const category_tree_t* tree = script_tree_of(probe);
    category_node_spt node = tree ? tree->value(script->classifyId).node : category_node_spt();
    if (!node)
        return {};
    QString path = node->classifyName;
    QSet<QString> visited{node->id};
    while (node->superId != top_level_id) {
        const category_node_spt parent = tree->value(node->superId).node;
        if (!parent || visited.contains(parent->id))
            break;
        visited.insert(parent->id);
        path = QStringLiteral("%1 > %2").arg(parent->classifyName, path);
        node = parent;
    }
    return path;
}

// ---- scripts ----

script_node_spt data_center::find_script(const QString& id) const {
    script_node_spt found;
    for (const QList<script_node_spt>& list : scripts_by_category_)
        for (const script_node_spt& script : list)
            if (script && script->id == id)
                found = script;
    return found;
}

void data_center::replace_scripts(const script_map_t& scripts) {
    scripts_by_category_ = scripts;
    announce(store_subject::scripts, store_op::replaced);
}

void data_center::add_script(const script_node_spt& script) {
    if (!script)
        return;
    scripts_by_category_[script->classifyId].append(script);
    announce(store_subject::scripts, store_op::added, part_of(script->classifyType), script->deptId,
             script->classifyId, {script->id});
}

script_node_spt data_center::update_script(const script_node_spt& script) {
    if (!script)
        return {};
    const auto it = scripts_by_category_.find(script->classifyId);
    const script_node_spt stored =
        copy_into_stored(it == scripts_by_category_.end() ? nullptr : &it.value(), script);
    if (stored)
        announce(store_subject::scripts, store_op::updated, part_of(stored->classifyType),
                 stored->deptId, stored->classifyId, {stored->id});
    return stored;
}

void data_center::remove_script(const script_node_spt& script) {
    if (!script)
        return;
    const auto it = scripts_by_category_.find(script->classifyId);
    if (it != scripts_by_category_.end())
        remove_by_id(*it, script->id);
    // Announced also when the store held no list: a view may show the row.
    announce(store_subject::scripts, store_op::removed, part_of(script->classifyType),
             script->deptId, script->classifyId, {script->id});
}

void data_center::replace_script_part(int part, const QString& dept_id, const category_tree_t& tree,
                                      const script_map_t& scripts) {
    if (!is_part(part))
        return;
    const QString key = tree_key(part, dept_id);
    category_tree_t& stored = script_trees_[part][key];
    for (auto it = stored.constBegin(); it != stored.constEnd(); ++it)
        scripts_by_category_.remove(it.key());
    stored = tree;
    for (auto it = scripts.constBegin(); it != scripts.constEnd(); ++it)
        if (tree.contains(it.key()))
            scripts_by_category_.insert(it.key(), it.value());
    announce(store_subject::categories, store_op::replaced, part, key);
}

void data_center::replace_category_scripts(int part, const QString& dept_id,
                                           const QString& category_id,
                                           const QList<script_node_spt>& scripts) {
    const auto it = scripts_by_category_.find(category_id);
    if (it != scripts_by_category_.end())
        *it = scripts;
    store_change_t change;
    change.subject = store_subject::scripts;
    change.op = store_op::replaced;
    change.part = part;
    change.dept_id = dept_id;
    change.category_id = category_id;
    for (const script_node_spt& script : scripts)
        if (script)
            change.ids << script->id;
    change.scripts = scripts;
    emit changed(change);
}

// ---- stickers ----

void data_center::set_sticker_dept_id(const QString& id) {
    sticker_dept_id_ = id;
    announce(store_subject::current_department, store_op::updated, int(protocol::part::dept), id,
             QString(), {}, library_kind::stickers);
}

void data_center::replace_stickers(const sticker_map_t& stickers) {
    stickers_by_category_ = stickers;
    announce(store_subject::stickers, store_op::replaced);
}

void data_center::add_sticker(const sticker_node_spt& sticker) {
    if (!sticker)
        return;
    stickers_by_category_[sticker->classifyId].append(sticker);
    announce(store_subject::stickers, store_op::added, -1, sticker->deptId, sticker->classifyId,
             {sticker->id});
}

void data_center::add_dept_sticker_category(const category_node_spt& node) {
    if (!node)
        return;
    add_to_tree(sticker_trees_[int(protocol::part::dept)][node->deptId], node);
    announce(store_subject::categories, store_op::added, int(protocol::part::dept), node->deptId,
             node->superId, {node->id}, library_kind::stickers);
}

QList<category_node_spt> data_center::sticker_category_children(int type, const QString& id) const {
    // Without a department the department part has no tree: empty, as before.
    const category_tree_t* tree = category_tree(library_kind::stickers, type);
    return tree ? tree->value(id).children : QList<category_node_spt>{};
}

void data_center::remove_sticker(const sticker_node_spt& sticker) {
    if (!sticker)
        return;
    const auto it = stickers_by_category_.find(sticker->classifyId);
    if (it == stickers_by_category_.end() || !remove_by_id(*it, sticker->id))
        return;
    announce(store_subject::stickers, store_op::removed, -1, sticker->deptId, sticker->classifyId,
             {sticker->id});
}

void data_center::remove_sticker_category_items(const QString& category_id) {
    if (stickers_by_category_.remove(category_id))
        announce(store_subject::stickers, store_op::removed, -1, QString(), category_id);
}

sticker_node_spt data_center::update_sticker(const sticker_node_spt& sticker) {
    if (!sticker)
        return {};
    const auto it = stickers_by_category_.find(sticker->classifyId);
    const sticker_node_spt stored =
        copy_into_stored(it == stickers_by_category_.end() ? nullptr : &it.value(), sticker);
    if (stored)
        announce(store_subject::stickers, store_op::updated, -1, stored->deptId, stored->classifyId,
                 {stored->id});
    return stored;
}

void data_center::replace_category_stickers(const QString& category_id,
                                            const QList<sticker_node_spt>& stickers) {
    stickers_by_category_.insert(category_id, stickers);
    QStringList ids;
    for (const sticker_node_spt& sticker : stickers)
        if (sticker)
            ids << sticker->id;
    announce(store_subject::stickers, store_op::replaced, -1, QString(), category_id, ids);
}

// ---- sticker categories ----

category_node_spt data_center::find_sticker_category(int part, const QString& dept_id,
                                                     const QString& id) const {
    const category_tree_t* tree = category_tree(library_kind::stickers, part, dept_id);
    return tree ? tree->value(id).node : category_node_spt();
}

void data_center::add_sticker_category(const category_node_spt& node) {
    if (!node)
        return;
    const int part = part_of(node->classifyType);
    if (!is_part(part))
        return;
    category_tree_t& tree = sticker_trees_[part][tree_key(part, node->deptId)];
    if (tree.value(node->id).node)
        return; // already stored: a second report of the same category
    add_to_tree(tree, node);
    announce_category(store_op::added, *node, {}, library_kind::stickers);
}

// ---- documents ----

const QList<doc_node_spt>* data_center::docs_of_category(const QString& category_id) const {
    const auto it = docs_by_category_.constFind(category_id);
    return it == docs_by_category_.constEnd() ? nullptr : &it.value();
}

void data_center::merge_docs(const doc_map_t& docs) {
    for (auto it = docs.constBegin(); it != docs.constEnd(); ++it)
        docs_by_category_[it.key()].append(it.value());
    if (!docs.isEmpty())
        announce(store_subject::docs, store_op::added, -1, QString(),
                 docs.size() == 1 ? docs.constBegin().key() : QString());
}

void data_center::update_doc(const doc_node_spt& doc) {
    if (!doc)
        return;
    const auto it = docs_by_category_.find(doc->classifyId);
    if (copy_into_stored(it == docs_by_category_.end() ? nullptr : &it.value(), doc))
        announce(store_subject::docs, store_op::updated, -1, QString(), doc->classifyId, {doc->id});
}

void data_center::remove_doc(const doc_node_spt& doc) {
    if (!doc)
        return;
    const auto it = docs_by_category_.find(doc->classifyId);
    if (it != docs_by_category_.end() && remove_by_id(*it, doc->id))
        announce(store_subject::docs, store_op::removed, -1, QString(), doc->classifyId, {doc->id});
}

void data_center::remove_doc_category(const QString& category_id) {
    // The parent's list loses the category too, so no view lists a removed category.
    const category_node_spt node = doc_categories_.value(category_id).node;
    if (node) {
        auto parent = doc_categories_.find(node->superId);
        if (parent != doc_categories_.end())
            remove_by_id(parent->children, category_id);
    }
    const QStringList removed = subtree_ids(doc_categories_, category_id);
    for (const QString& id : removed) {
        doc_categories_.remove(id);
        docs_by_category_.remove(id);
    }
    announce(store_subject::categories, store_op::removed, -1, QString(),
             node ? node->superId : QString(), removed, library_kind::documents);
}

void data_center::add_doc_category(const category_node_spt& node) {
    if (!node || node->id.isEmpty())
        return;
    if (node->superId.isEmpty())
        node->superId = top_level_id;
    add_to_tree(doc_categories_, node);
    announce(store_subject::categories, store_op::added, -1, QString(), node->superId, {node->id},
             library_kind::documents);
}

void data_center::update_doc_category(const category_node_spt& node) {
    if (!node)
        return;
    const auto it = doc_categories_.find(node->id);
    if (it == doc_categories_.end() || !it->node)
        return;
    if (it->node != node)
        *it->node = *node;
    announce(store_subject::categories, store_op::updated, -1, QString(), node->superId, {node->id},
             library_kind::documents);
}

void data_center::replace_category_docs(const QString& category_id,
                                        const QList<doc_node_spt>& docs) {
    docs_by_category_.insert(category_id, docs);
    announce(store_subject::docs, store_op::replaced, -1, QString(), category_id);
}

void data_center::set_attachments_category(const category_node_spt& node) {
    attachments_category_ = node;
    announce(store_subject::attachments_category, store_op::updated, -1, QString(), QString(),
             node ? QStringList{node->id} : QStringList{}, library_kind::documents);
}

// ---- phrases and quick replies ----

void data_center::replace_phrases(const QHash<QString, phrase_node_spt>& phrases) {
    phrases_ = phrases;
    announce(store_subject::phrases, store_op::replaced);
}

void data_center::put_phrase(const phrase_node_spt& phrase) {
    if (!phrase)
        return;
    const bool known = phrases_.contains(phrase->id);
    phrases_.insert(phrase->id, phrase);
    announce(store_subject::phrases, known ? store_op::updated : store_op::added, -1, QString(),
             QString(), {phrase->id});
}

void data_center::remove_phrase(const phrase_node_spt& phrase) {
    if (phrase && phrases_.remove(phrase->id))
        announce(store_subject::phrases, store_op::removed, -1, QString(), QString(), {phrase->id});
}

void data_center::replace_quick_replies(const QHash<QString, quick_reply_node_spt>& replies) {
    quick_replies_ = replies;
    announce(store_subject::quick_replies, store_op::replaced, -1, QString(), QString(),
             replies.keys());
}

// ---- client ----

void data_center::replace_supported_apps(const QHash<QString, QStringList>& apps) {
    supported_apps_ = apps;
    announce(store_subject::supported_apps, store_op::replaced);
}

void data_center::set_version_info(const version_update_info_spt& info) {
    version_info_ = info;
    announce(store_subject::version_info, store_op::updated);
}

// ---- synchronisation ----

void data_center::apply_snapshot(const library_snapshot_t& snapshot) {
    if (snapshot.version_info)
        set_version_info(*snapshot.version_info);
    if (snapshot.supported_apps)
        replace_supported_apps(*snapshot.supported_apps);
    for (const library_snapshot_t::tree_t& tree : snapshot.script_trees)
        replace_category_tree(library_kind::scripts, tree.part, tree.dept_id, tree.tree);
    if (snapshot.attachments_category)
        set_attachments_category(snapshot.attachments_category);
    if (snapshot.doc_categories)
        replace_doc_categories(*snapshot.doc_categories);
    if (snapshot.docs)
        merge_docs(*snapshot.docs);
    if (snapshot.scripts)
        replace_scripts(*snapshot.scripts);
    if (snapshot.stickers)
        replace_stickers(*snapshot.stickers);
    for (const library_snapshot_t::tree_t& tree : snapshot.sticker_trees)
        replace_category_tree(library_kind::stickers, tree.part, tree.dept_id, tree.tree);
    if (snapshot.phrases)
        replace_phrases(*snapshot.phrases);
}

} // namespace quorvel
