#include "model/data_center.h"

#include "model/library_snapshot.h"
#include "model/session_state.h"

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
    for (category_library* categories : {&scripts_, &stickers_, &documents_})
        categories->clear();
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

void data_center::announce_category(library_kind library, store_op op, const category_node_t& node,
                                    const QString& parent_id, const QStringList& ids) {
    const category_library& categories = library_of(library);
    announce(store_subject::categories, op, categories.reported_part_of(node),
             categories.reported_dept_of(node), parent_id, ids, library);
}

// ---- category libraries ----

category_library& data_center::library_of(library_kind library) {
    return const_cast<category_library&>(std::as_const(*this).library_of(library));
}

const category_library& data_center::library_of(library_kind library) const {
    switch (library) {
    case library_kind::stickers:
        return stickers_;
    case library_kind::documents:
        return documents_;
    case library_kind::scripts:
        break;
    }
    return scripts_;
}

template <class map_t> void data_center::forget_items(map_t& items, const QStringList& ids) {
    for (const QString& id : ids)
        items.remove(id);
}

const category_tree_t* data_center::category_tree(library_kind library, int part,
                                                  const QString& dept_id) const {
    return library_of(library).tree(part, dept_id);
}

QStringList data_center::tree_departments(library_kind library) const {
    return library_of(library).departments();
}

QList<const category_tree_t*> data_center::part_trees(library_kind library, int part) const {
    return library_of(library).part_trees(part);
}

void data_center::replace_category_tree(library_kind library, int part, const QString& dept_id,
                                        const category_tree_t& tree) {
    category_library& categories = library_of(library);
    if (categories.replace(part, dept_id, tree))
        announce(store_subject::categories, store_op::replaced, categories.reported_part(part),
                 categories.reported_dept(part, dept_id), QString(), {}, library);
}

category_node_spt data_center::find_category(library_kind library, int part, const QString& dept_id,
                                             const QString& id) const {
    return library_of(library).find(part, dept_id, id);
}

const QList<category_node_spt>* data_center::category_children(library_kind library, int part,
                                                               const QString& dept_id,
                                                               const QString& id) const {
    return library_of(library).children(part, dept_id, id);
}

const QList<category_node_spt>* data_center::top_categories(library_kind library, int part,
                                                            const QString& dept_id) const {
    return library_of(library).children(part, dept_id, top_level_id);
}

category_node_spt data_center::first_level_category(library_kind library, int part,
                                                    const QString& dept_id,
                                                    const QString& id) const {
    return library_of(library).first_level(part, dept_id, id);
}

const category_entry_t* data_center::find_script_category_entry(const QString& dept_id,
                                                                const QString& id) const {
    if (!dept_id.isEmpty())
        return scripts_.entry(int(protocol::part::dept), dept_id, id);
    for (protocol::part part : {protocol::part::pub, protocol::part::personal})
        if (const category_entry_t* entry = scripts_.entry(int(part), QString(), id))
            return entry;
    return nullptr;
}

QString data_center::script_category_path(const script_node_spt& script) const {
    return script ? scripts_.path(part_of(script->classifyType), script->deptId, script->classifyId)
                  : QString();
}

void data_center::add_category(library_kind library, const category_node_spt& node) {
    if (library_of(library).add(node))
        announce_category(library, store_op::added, *node, node->superId, {node->id});
}

void data_center::merge_categories(library_kind library,
                                   const QHash<QString, category_node_spt>& nodes) {
    const QStringList merged = library_of(library).merge(nodes);
    if (!merged.isEmpty())
        announce(store_subject::categories, store_op::replaced, -1, QString(), QString(), merged,
                 library);
}

void data_center::update_category(library_kind library, const category_node_spt& node) {
    if (library_of(library).update(node))
        announce_category(library, store_op::updated, *node, node->superId, {node->id});
}

void data_center::remove_category(library_kind library, const category_node_spt& node) {
    const auto removal = library_of(library).remove(node);
    if (!removal)
        return;
    switch (library) {
    case library_kind::scripts:
        forget_items(scripts_by_category_, removal->ids);
        break;
    case library_kind::stickers:
        forget_items(stickers_by_category_, removal->ids);
        break;
    case library_kind::documents:
        forget_items(docs_by_category_, removal->ids);
        break;
    }
    announce_category(library, store_op::removed, *node, removal->parent_id, removal->ids);
}

void data_center::sort_categories(library_kind library, const category_node_spt& node,
                                  const QStringList& ordered_ids) {
    if (library_of(library).sort(node, ordered_ids))
        announce_category(library, store_op::sorted, *node, node->superId, ordered_ids);
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
    if (const category_tree_t* stored = scripts_.tree(part, dept_id))
        for (auto it = stored->constBegin(); it != stored->constEnd(); ++it)
            scripts_by_category_.remove(it.key());
    if (!scripts_.replace(part, dept_id, tree))
        return;
    for (auto it = scripts.constBegin(); it != scripts.constEnd(); ++it)
        if (tree.contains(it.key()))
            scripts_by_category_.insert(it.key(), it.value());
    announce(store_subject::categories, store_op::replaced, part,
             scripts_.reported_dept(part, dept_id));
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
        replace_category_tree(library_kind::documents, -1, QString(), *snapshot.doc_categories);
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
