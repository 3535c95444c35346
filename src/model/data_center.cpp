#include "model/data_center.h"

#include <QDebug>
#include <QMutexLocker>
#include <QQueue>
#include <QSet>
#include <vector>

namespace quorvel {

data_center& data_center::instance() {
    static data_center store;
    return store;
}

void data_center::clear() {
    for (int i = 0; i < 3; ++i) {
        script_categories[i].clear();
        sticker_categories[i].clear();
    }
    doc_categories.clear();
    dept_script_categories.clear();
    dept_sticker_categories.clear();
    scripts_by_category.clear();
    docs_by_category.clear();
    stickers_by_category.clear();
    phrases.clear();
    quick_replies.clear();
    supported_apps.clear();
    sticker_dept_id.clear();
    version_info.reset();
    attachments_category.reset();
    set_token(QString());
    account_.clear();
    user_name_.clear();
    dept_name_.clear();
    dept_id_.clear();
    login_user_.reset();
    departments_.clear();
    dept_rights_.clear();
}

// ---- login state ----

QString data_center::token() const {
    QMutexLocker lock(&token_mutex_);
    return token_;
}

void data_center::set_token(const QString& token) {
    QMutexLocker lock(&token_mutex_);
    token_ = token;
}

void data_center::set_login_user(const user_login_info_spt& profile) {
    login_user_ = profile;
    if (!profile)
        return;
    account_ = profile->account;
    user_name_ = profile->userName;
    dept_name_ = profile->deptName;
    dept_id_ = profile->deptId;
    // Every node of the department tree, each before its children: a stack
    // with the children pushed last first (joining lists instead copied the
    // whole rest of the walk at every node, minutes for a large organisation).
    std::vector<dept_tree_node_spt> pending(profile->deptAllTree.crbegin(),
                                            profile->deptAllTree.crend());
    while (!pending.empty()) {
        const dept_tree_node_spt node = std::move(pending.back());
        pending.pop_back();
        if (!node)
            continue;
        departments_.insert(node->id, node);
        pending.insert(pending.end(), node->children.crbegin(), node->children.crend());
    }
    for (const dept_role_data_spt& rights : profile->checkDeptDataList)
        if (rights)
            dept_rights_.insert(rights->deptId, rights);
}

// ---- rights ----

bool data_center::has_manager_role() const {
    if (!login_user_ || login_user_->userRoleList.isEmpty())
        return false;
    const user_role_spt& first = login_user_->userRoleList.first();
    if (first && !first->roleKey.isNull() && is_manager_key(first->roleKey))
        return true;
    return login_user_->adminType != 0;
}

bool data_center::has_manager_role_in(const QString& dept_id) const {
    if (!login_user_ || login_user_->checkDeptDataList.isEmpty())
        return false;
    if (login_user_->adminType != 0)
        return true;
    const dept_role_data_spt rights = dept_rights_.value(dept_id);
    if (!rights)
        return false;
    for (const QString& key : rights->roleKeys)
        if (is_manager_key(key))
            return true;
    return false;
}

namespace {

// The first node below root (root itself excluded), level by level, whose id has rights.
dept_tree_node_spt first_with_rights_below(const dept_tree_node_spt& root,
                                           const QHash<QString, dept_role_data_spt>& rights) {
    QQueue<dept_tree_node_spt> queue;
    for (const dept_tree_node_spt& child : root->children)
        queue.enqueue(child);
    QSet<const dept_tree_node_t*> seen;
    while (!queue.isEmpty()) {
        const dept_tree_node_spt node = queue.dequeue();
        if (!node || seen.contains(node.data()))
            continue;
        seen.insert(node.data());
        if (rights.contains(node->id))
            return node;
        for (const dept_tree_node_spt& child : node->children)
            queue.enqueue(child);
    }
    return {};
}

} // namespace

dept_tree_node_spt data_center::default_department() const {
    if (departments_.isEmpty())
        return {};
    const dept_tree_node_spt own = departments_.value(dept_id_);
    if (own) {
        if (dept_rights_.contains(own->id))
            return own;
        if (auto below = first_with_rights_below(own, dept_rights_))
            return below;
    }
    if (login_user_)
        for (const dept_tree_node_spt& root : login_user_->deptAllTree)
            if (root)
                if (auto below = first_with_rights_below(root, dept_rights_))
                    return below;
    return {};
}

// ---- script categories ----

category_tree_t* data_center::script_tree_of(const category_node_t& node) {
    const int type = node.classifyType.toInt();
    if (node.classifyType == QLatin1String("0") || node.classifyType == QLatin1String("1"))
        return &script_categories[type];
    if (node.classifyType == QLatin1String("2")) {
        auto it = dept_script_categories.find(node.deptId);
        return it == dept_script_categories.end() ? nullptr : &it.value();
    }
    return nullptr;
}

const category_tree_t* data_center::script_tree_of(const category_node_t& node) const {
    return const_cast<data_center*>(this)->script_tree_of(node);
}

const category_tree_t* data_center::dept_script_tree(const QString& dept_id) const {
    const auto it = dept_script_categories.constFind(dept_id);
    return it == dept_script_categories.constEnd() ? nullptr : &it.value();
}

category_node_spt data_center::find_script_category(int type, const QString& id) const {
    if (type != 0 && type != 1)
        return {};
    return script_categories[type].value(id).node;
}

category_node_spt data_center::find_dept_script_category(const QString& dept_id,
                                                         const QString& id) const {
    const category_tree_t* tree = dept_script_tree(dept_id);
    return tree ? tree->value(id).node : category_node_spt();
}

const category_entry_t* data_center::find_script_category_entry(const QString& dept_id,
                                                                const QString& id) const {
    if (!dept_id.isEmpty()) {
        const category_tree_t* tree = dept_script_tree(dept_id);
        if (!tree)
            return nullptr;
        const auto it = tree->constFind(id);
        return it == tree->constEnd() ? nullptr : &it.value();
    }
    for (int type : {0, 1}) {
        const auto it = script_categories[type].constFind(id);
        if (it != script_categories[type].constEnd())
            return &it.value();
    }
    return nullptr;
}

const QList<category_node_spt>* data_center::dept_script_children(const QString& dept_id,
                                                                  const QString& id) const {
    const category_tree_t* tree = dept_script_tree(dept_id);
    if (!tree)
        return nullptr;
    const auto it = tree->constFind(id);
    return it == tree->constEnd() ? nullptr : &it->children;
}

const QList<category_node_spt>* data_center::top_script_categories(int type) const {
    if (type != 0 && type != 1)
        return nullptr;
    const auto it = script_categories[type].constFind(top_level_id);
    return it == script_categories[type].constEnd() ? nullptr : &it->children;
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
    const category_node_spt node = find_script_category(type, id);
    return node ? walk_to_first_level(script_categories[type], node) : category_node_spt();
}

category_node_spt data_center::first_level_category_of(const QString& dept_id,
                                                       const QString& id) const {
    const category_tree_t* tree = dept_script_tree(dept_id);
    const category_node_spt node = tree ? tree->value(id).node : category_node_spt();
    return node ? walk_to_first_level(*tree, node) : category_node_spt();
}

void data_center::add_script_category(const category_node_spt& node) {
    if (!node)
        return;
    if (node->classifyType == QLatin1String("0") || node->classifyType == QLatin1String("1")) {
        if (!node->superId.isNull())
            add_to_tree(script_categories[node->classifyType.toInt()], node);
    } else if (node->classifyType == QLatin1String("2")) {
        add_to_tree(dept_script_categories[node->deptId], node);
    }
}

void data_center::merge_script_categories(const QHash<QString, category_node_spt>& nodes) {
    for (auto it = nodes.constBegin(); it != nodes.constEnd(); ++it) {
        const category_node_spt& node = it.value();
        if (!node ||
            (node->classifyType != QLatin1String("0") && node->classifyType != QLatin1String("1")))
            continue;
        category_tree_t& tree = script_categories[node->classifyType.toInt()];
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
    }
}

void data_center::update_script_category(const category_node_spt& node) {
    if (!node)
        return;
    category_tree_t* tree = script_tree_of(*node);
    if (!tree)
        return;
    const auto it = tree->find(node->id);
    if (it != tree->end() && it->node)
        *it->node = *node;
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
        parent->children.erase(
            std::remove_if(parent->children.begin(), parent->children.end(),
                           [&](const category_node_spt& c) { return c && c->id == node->id; }),
            parent->children.end());
    for (const QString& id : subtree_ids(*tree, node->id)) {
        tree->remove(id);
        scripts_by_category.remove(id);
    }
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

script_node_spt data_center::find_script(const QString& id) const {
    script_node_spt found;
    for (const QList<script_node_spt>& list : scripts_by_category)
        for (const script_node_spt& script : list)
            if (script && script->id == id)
                found = script;
    return found;
}

script_node_spt data_center::update_script(const script_node_spt& script) {
    if (!script)
        return {};
    const auto it = scripts_by_category.find(script->classifyId);
    if (it == scripts_by_category.end())
        return {};
    for (const script_node_spt& stored : *it)
        if (stored && stored->id == script->id) {
            if (stored != script)
                *stored = *script;
            return stored;
        }
    return {};
}

// ---- stickers, documents, phrases ----

void data_center::add_dept_sticker_category(const category_node_spt& node) {
    if (node)
        add_to_tree(dept_sticker_categories[node->deptId], node);
}

QList<category_node_spt> data_center::sticker_category_children(int type, const QString& id) const {
    if (type < 0 || type > 2)
        return {};
    return sticker_categories[type].value(id).children;
}

void data_center::remove_sticker(const sticker_node_spt& sticker) {
    if (!sticker)
        return;
    const auto it = stickers_by_category.find(sticker->classifyId);
    if (it == stickers_by_category.end())
        return;
    it->erase(std::remove_if(it->begin(), it->end(),
                             [&](const sticker_node_spt& s) { return s && s->id == sticker->id; }),
              it->end());
}

void data_center::remove_sticker_category_items(const QString& category_id) {
    stickers_by_category.remove(category_id);
}

sticker_node_spt data_center::update_sticker(const sticker_node_spt& sticker) {
    if (!sticker)
        return {};
    const auto it = stickers_by_category.find(sticker->classifyId);
    if (it == stickers_by_category.end())
        return {};
    for (const sticker_node_spt& stored : *it)
        if (stored && stored->id == sticker->id) {
            if (stored != sticker)
                *stored = *sticker;
            return stored;
        }
    return {};
}

const QList<doc_node_spt>* data_center::docs_of_category(const QString& category_id) const {
    const auto it = docs_by_category.constFind(category_id);
    return it == docs_by_category.constEnd() ? nullptr : &it.value();
}

void data_center::merge_docs(const QHash<QString, QList<doc_node_spt>>& docs) {
    for (auto it = docs.constBegin(); it != docs.constEnd(); ++it)
        docs_by_category[it.key()].append(it.value());
}

void data_center::update_doc(const doc_node_spt& doc) {
    if (!doc)
        return;
    const auto it = docs_by_category.find(doc->classifyId);
    if (it == docs_by_category.end())
        return;
    for (const doc_node_spt& stored : *it)
        if (stored && stored->id == doc->id && stored != doc)
            *stored = *doc;
}

void data_center::remove_doc_category(const QString& category_id) {
    // The parent's list loses the category too, so no view lists a removed category.
    const category_node_spt node = doc_categories.value(category_id).node;
    if (node) {
        auto parent = doc_categories.find(node->superId);
        if (parent != doc_categories.end())
            parent->children.erase(std::remove_if(parent->children.begin(), parent->children.end(),
                                                  [&](const category_node_spt& c) {
                                                      return c && c->id == category_id;
                                                  }),
                                   parent->children.end());
    }
    for (const QString& id : subtree_ids(doc_categories, category_id)) {
        doc_categories.remove(id);
        docs_by_category.remove(id);
    }
}

void data_center::put_phrase(const phrase_node_spt& phrase) {
    if (phrase)
        phrases.insert(phrase->id, phrase);
}

void data_center::remove_phrase(const phrase_node_spt& phrase) {
    if (phrase)
        phrases.remove(phrase->id);
}

} // namespace quorvel
