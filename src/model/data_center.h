#pragma once

#include "model/category_tree.h"
#include "model/records.h"
#include "protocol/library_terms.h"
#include "protocol/protocol.h"

#include <QHash>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>

namespace quorvel {

struct library_snapshot_t;

using script_map_t = QHash<QString, QList<script_node_spt>>;   // category id → scripts
using sticker_map_t = QHash<QString, QList<sticker_node_spt>>; // category id → stickers
using doc_map_t = QHash<QString, QList<doc_node_spt>>;         // category id → documents

// Libraries that keep category trees.
enum class library_kind { scripts, stickers, documents };

// What a change of the store touched.
enum class store_subject {
    categories, // a library's category tree (library_kind says which)
    scripts,
    stickers,
    docs,
    phrases,
    quick_replies,
    supported_apps,
    version_info,
    attachments_category,
    current_department, // dept_id or sticker_dept_id
};

enum class store_op { added, updated, removed, replaced, sorted };

// One change, as the store's `changed` signal reports it.
struct store_change_t {
    store_subject subject = store_subject::scripts;
    store_op op = store_op::updated;
    library_kind library = library_kind::scripts;
    int part = -1;       // library part, -1 when several or none
    QString dept_id;     // the department, for the department part
    QString category_id; // the category whose items or children changed
    QStringList ids;     // ids of the records that changed, in order
    // scripts replaced: the new list of the category, also when the store
    // keeps no list for it (a view that shows the category still needs it)
    QList<script_node_spt> scripts;
};

// The process-wide store of the library (the login lives in session_state).
// Filled by the synchronisation before any view exists, then read and changed
// on the GUI thread. Every change goes
// through a named operation that announces it with `changed`; the three
// library parts are kept alike, the department part keyed by department.
class data_center : public QObject {
    Q_OBJECT
public:
    static data_center& instance();

    // Forgets the account and the library (tests start from an empty store).
    void clear();

    // ---- category trees, addressed alike for every part ----
    // The tree of a library part; dept_id counts for the department part
    // only. Null when the store holds none.
    const category_tree_t* category_tree(library_kind library, int part,
                                         const QString& dept_id = QString()) const;
    // Departments that have a tree of that library.
    QStringList tree_departments(library_kind library) const;
    // Every tree of a part: one each for parts 0 and 1, one per department.
    QList<const category_tree_t*> part_trees(library_kind library, int part) const;
    const category_tree_t& doc_categories() const { return doc_categories_; }
    void replace_category_tree(library_kind library, int part, const QString& dept_id,
                               const category_tree_t& tree);
    void replace_doc_categories(const category_tree_t& tree);

    // ---- categories of any library, placed by the node's part and department ----
    // After a rename on the server: the stored record takes the node's fields.
    void update_category(library_kind library, const category_node_spt& node);
    // After a delete on the server: the category, its subtree and their items.
    void remove_category(library_kind library, const category_node_spt& node);

    // ---- script categories and scripts ----
    category_node_spt find_script_category(int part, const QString& dept_id,
                                           const QString& id) const;
    const QList<category_node_spt>* script_children(int part, const QString& dept_id,
                                                    const QString& id) const;
    const QList<category_node_spt>* top_script_categories(int part, const QString& dept_id) const;
    category_node_spt first_level_category_of(int part, const QString& dept_id,
                                              const QString& id) const;

    const category_tree_t* dept_script_tree(const QString& dept_id) const;
    category_node_spt find_script_category(int type, const QString& id) const;
    category_node_spt find_dept_script_category(const QString& dept_id, const QString& id) const;
    // Department given: its tree; empty: the public tree, then the personal one.
    const category_entry_t* find_script_category_entry(const QString& dept_id,
                                                       const QString& id) const;
    const QList<category_node_spt>* dept_script_children(const QString& dept_id,
                                                         const QString& id) const;
    const QList<category_node_spt>* top_script_categories(int type) const;
    const QList<category_node_spt>* top_dept_script_categories(const QString& dept_id) const;
    // The first-level ancestor (the node itself at the top level). A missing
    // ancestor or a cycle ends the walk: the last node reached is returned.
    category_node_spt first_level_category(const category_node_spt& node) const;
    category_node_spt first_level_category_of(int type, const QString& id) const;
    category_node_spt first_level_category_of(const QString& dept_id, const QString& id) const;
    void add_script_category(const category_node_spt& node);
    void merge_script_categories(const QHash<QString, category_node_spt>& nodes);
    void update_script_category(const category_node_spt& node);
    void remove_script_category(const category_node_spt& node);
    // After a sort on the server: the parent's children in the given order
    // (children not named keep their place after them).
    void sort_script_categories(const category_node_spt& node, const QStringList& ordered_ids);
    // "top > sub > category"; "" when the category is not stored.
    QString script_category_path(const script_node_spt& script) const;

    const script_map_t& scripts_by_category() const { return scripts_by_category_; }
    QList<script_node_spt> scripts_of(const QString& category_id) const {
        return scripts_by_category_.value(category_id);
    }
    script_node_spt find_script(const QString& id) const;
    void replace_scripts(const script_map_t& scripts);
    void add_script(const script_node_spt& script);
    script_node_spt update_script(const script_node_spt& script);
    void remove_script(const script_node_spt& script);
    // A part reloaded from the server: its category tree and the scripts of
    // its categories replace what the store held for that part.
    void replace_script_part(int part, const QString& dept_id, const category_tree_t& tree,
                             const script_map_t& scripts);
    // A category reloaded: its list is replaced when the store holds one.
    void replace_category_scripts(int part, const QString& dept_id, const QString& category_id,
                                  const QList<script_node_spt>& scripts);

    // ---- stickers ----
    const sticker_map_t& stickers_by_category() const { return stickers_by_category_; }
    const QString& sticker_dept_id() const { return sticker_dept_id_; }
    void set_sticker_dept_id(const QString& id);
    void replace_stickers(const sticker_map_t& stickers);
    void add_sticker(const sticker_node_spt& sticker);
    void add_dept_sticker_category(const category_node_spt& node);
    QList<category_node_spt> sticker_category_children(int type, const QString& id) const;
    void remove_sticker(const sticker_node_spt& sticker);
    void remove_sticker_category_items(const QString& category_id);
    sticker_node_spt update_sticker(const sticker_node_spt& sticker);
    // A category's stickers as the server listed them anew.
    void replace_category_stickers(const QString& category_id,
                                   const QList<sticker_node_spt>& stickers);

    // ---- sticker categories, any part (the department part by deptId) ----
    category_node_spt find_sticker_category(int part, const QString& dept_id,
                                            const QString& id) const;
    // Renamed and removed through update_category / remove_category.
    void add_sticker_category(const category_node_spt& node);

    // ---- documents ----
    const doc_map_t& docs_by_category() const { return docs_by_category_; }
    const QList<doc_node_spt>* docs_of_category(const QString& category_id) const;
    void merge_docs(const doc_map_t& docs);
    void update_doc(const doc_node_spt& doc);
    void remove_doc(const doc_node_spt& doc);
    void remove_doc_category(const QString& category_id);
    // A created category joins its parent's children ("-1" the top level).
    void add_doc_category(const category_node_spt& node);
    // A renamed category: the stored record takes the new fields in place.
    void update_doc_category(const category_node_spt& node);
    // A category reloaded from the server: its list becomes the given one.
    void replace_category_docs(const QString& category_id, const QList<doc_node_spt>& docs);
    const category_node_spt& attachments_category() const { return attachments_category_; }
    void set_attachments_category(const category_node_spt& node);

    // ---- phrases and quick replies ----
    const QHash<QString, phrase_node_spt>& phrases() const { return phrases_; }
    void replace_phrases(const QHash<QString, phrase_node_spt>& phrases);
    void put_phrase(const phrase_node_spt& phrase);
    void remove_phrase(const phrase_node_spt& phrase);
    const QHash<QString, quick_reply_node_spt>& quick_replies() const { return quick_replies_; }
    void replace_quick_replies(const QHash<QString, quick_reply_node_spt>& replies);

    // ---- client ----
    const QHash<QString, QStringList>& supported_apps() const { return supported_apps_; }
    void replace_supported_apps(const QHash<QString, QStringList>& apps);
    const version_update_info_spt& version_info() const { return version_info_; }
    void set_version_info(const version_update_info_spt& info);

    // ---- synchronisation ----
    // What a synchronisation fetched replaces the store's library in one
    // step, on the GUI thread; each part is announced as `replaced` (or, for
    // the documents, `updated`) in the order the synchronisation fills them.
    void apply_snapshot(const library_snapshot_t& snapshot);

signals:
    void changed(const quorvel::store_change_t& change);

private:
    data_center();
    using part_trees_t = std::array<QHash<QString, category_tree_t>, protocol::part_count>;
    static bool is_part(int part) { return part >= 0 && part < protocol::part_count; }
    static int part_of(const QString& classify_type);
    // Parts 0 and 1 have one tree each, kept under the empty key.
    static QString tree_key(int part, const QString& dept_id);
    part_trees_t& trees_of(library_kind library);
    const part_trees_t& trees_of(library_kind library) const;
    category_tree_t* mutable_tree(library_kind library, int part, const QString& dept_id);
    // The tree a script category lives in, by its type and department.
    const category_tree_t* script_tree_of(const category_node_t& node) const;
    category_tree_t* script_tree_of(const category_node_t& node);
    category_node_spt walk_to_first_level(const category_tree_t& tree,
                                          category_node_spt node) const;
    static QStringList subtree_ids(const category_tree_t& tree, const QString& root);
    void announce(store_subject subject, store_op op, int part = -1,
                  const QString& dept_id = QString(), const QString& category_id = QString(),
                  const QStringList& ids = QStringList(),
                  library_kind library = library_kind::scripts);
    void announce_category(store_op op, const category_node_t& node,
                           const QStringList& ids = QStringList(),
                           library_kind library = library_kind::scripts);

    part_trees_t script_trees_;
    part_trees_t sticker_trees_;
    category_tree_t doc_categories_; // public and personal together
    script_map_t scripts_by_category_;
    doc_map_t docs_by_category_;
    sticker_map_t stickers_by_category_;
    QHash<QString, phrase_node_spt> phrases_;
    QHash<QString, quick_reply_node_spt> quick_replies_; // by script id
    QHash<QString, QStringList> supported_apps_;
    QString sticker_dept_id_;
    version_update_info_spt version_info_;
    category_node_spt attachments_category_;
};

} // namespace quorvel

Q_DECLARE_METATYPE(quorvel::store_change_t)
