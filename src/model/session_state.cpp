#include "model/session_state.h"

#include <QMutexLocker>
#include <QQueue>
#include <QSet>
#include <vector>

namespace quorvel {

session_state& session_state::instance() {
    static session_state state;
    return state;
}

void session_state::clear() {
    set_token(QString());
    account_.clear();
    user_name_.clear();
    dept_name_.clear();
    dept_id_.clear();
    login_user_.reset();
    departments_.clear();
    dept_rights_.clear();
}

QString session_state::token() const {
    QMutexLocker lock(&token_mutex_);
    return token_;
}

void session_state::set_token(const QString& token) {
    QMutexLocker lock(&token_mutex_);
    token_ = token;
}

void session_state::set_dept_id(const QString& id) {
    dept_id_ = id;
    emit dept_changed(id);
}

void session_state::set_login_user(const user_login_info_spt& profile) {
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

bool session_state::has_manager_role() const {
    if (!login_user_ || login_user_->userRoleList.isEmpty())
        return false;
    const user_role_spt& first = login_user_->userRoleList.first();
    if (first && !first->roleKey.isNull() && is_manager_key(first->roleKey))
        return true;
    return login_user_->adminType != 0;
}

bool session_state::has_manager_role_in(const QString& dept_id) const {
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

dept_tree_node_spt session_state::default_department() const {
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

} // namespace quorvel
