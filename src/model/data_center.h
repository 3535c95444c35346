#pragma once

#include "model/category_library.h"
#include "model/category_tree.h"
#include "model/records.h"
#include "protocol/library_terms.h"
#include "protocol/protocol.h"

#include <QHash>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

namespace quorvel {

struct library_snapshot_t;

using script_map_t = QHash<QString, QList<script_node_spt>>;   // category id → scripts
using sticker_map_t = QHash<QString, QList<sticker_node_spt>>; // category id → stickers
using doc_map_t = QHash<QString, QList<doc_node_spt>>;         // category id → documents

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

    // ---- category libraries, every category addressed by (library, part, dept_id, id) ----
    // dept_id counts for the department part only; the documents library
    // keeps public and personal categories in one tree, whatever the part.
    // The tree of a library part; null when the store holds none.
    const category_tree_t* category_tree(library_kind library, int part,
                                         const QString& dept_id = QString()) const;
    // Departments that have a tree of that library.
    QStringList tree_departments(library_kind library) const;
    // Every tree of a part: one each for parts 0 and 1, one per department.
    QList<const category_tree_t*> part_trees(library_kind library, int part) const;
    const category_tree_t& doc_categories() const { return *documents_.tree(-1, QString()); }
    void replace_category_tree(library_kind library, int part, const QString& dept_id,
                               const category_tree_t& tree);
    category_node_spt find_category(library_kind library, int part, const QString& dept_id,
                                    const QString& id) const;
    const QList<category_node_spt>* category_children(library_kind library, int part,
                                                      const QString& dept_id,
                                                      const QString& id) const;
    const QList<category_node_spt>* top_categories(library_kind library, int part,
                                                   const QString& dept_id) const;
    // The first-level ancestor (the node itself at the top level). A missing
    // ancestor or a cycle ends the walk: the last node reached is returned.
    category_node_spt first_level_category(library_kind library, int part, const QString& dept_id,
                                           const QString& id) const;
    // Department given: its script tree; empty: the public tree, then the personal one.
    const category_entry_t* find_script_category_entry(const QString& dept_id,
                                                       const QString& id) const;
    // "top > sub > category"; "" when the category is not stored.
    QString script_category_path(const script_node_spt& script) const;

    // ---- category changes; the node is placed by its part and department ----
    // After a create on the server: the category joins its parent's children.
    void add_category(library_kind library, const category_node_spt& node);
    // Public and personal categories reloaded: stored ones take the new fields.
    void merge_categories(library_kind library, const QHash<QString, category_node_spt>& nodes);
    // After a rename on the server: the stored record takes the node's fields.
    void update_category(library_kind library, const category_node_spt& node);
    // After a delete on the server: the category, its subtree and their items.
    void remove_category(library_kind library, const category_node_spt& node);
    // After a sort on the server: the parent's children in the given order
    // (children not named keep their place after them).
    void sort_categories(library_kind library, const category_node_spt& node,
                         const QStringList& ordered_ids);

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
    void remove_sticker(const sticker_node_spt& sticker);
    void remove_sticker_category_items(const QString& category_id);
    sticker_node_spt update_sticker(const sticker_node_spt& sticker);
    // A category's stickers as the server listed them anew.
    void replace_category_stickers(const QString& category_id,
                                   const QList<sticker_node_spt>& stickers);

    // ---- documents ----
    const doc_map_t& docs_by_category() const { return docs_by_category_; }
    const QList<doc_node_spt>* docs_of_category(const QString& category_id) const;
    void merge_docs(const doc_map_t& docs);
    void update_doc(const doc_node_spt& doc);
    void remove_doc(const doc_node_spt& doc);
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
    category_library& library_of(library_kind library);
    const category_library& library_of(library_kind library) const;
    static int part_of(const QString& classify_type) {
        return category_library::part_of(classify_type);
    }
    void announce(store_subject subject, store_op op, int part = -1,
                  const QString& dept_id = QString(), const QString& category_id = QString(),
                  const QStringList& ids = QStringList(),
                  library_kind library = library_kind::scripts);
    // A category change: the node's part and department as its library reports them.
    void announce_category(library_kind library, store_op op, const category_node_t& node,
                           const QString& parent_id, const QStringList& ids);
    template <class map_t> static void forget_items(map_t& items, const QStringList& ids);

    category_library scripts_{library_kind::scripts};
    category_library stickers_{library_kind::stickers};
    category_library documents_{library_kind::documents};
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
