#pragma once

#include "model/category_tree.h"
#include "model/records.h"

#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

namespace quorvel {

// The process-wide store of the account state and the library. Filled by the
// synchronisation before any view exists, then read and changed on the GUI
// thread; only the token is read from request threads.
class data_center {
public:
    static data_center& instance();

    // Forgets the account and the library (tests start from an empty store).
    void clear();

    // ---- library slots, indexed by library part where there are three ----
    category_tree_t script_categories[3]; // 0 public, 1 personal; 2 unused
    category_tree_t doc_categories;       // public and personal together
    QHash<QString, category_tree_t> dept_script_categories;
    QHash<QString, category_tree_t> dept_sticker_categories;
    category_tree_t sticker_categories[3]; // 0 public, 1 personal; 2 unused
    QHash<QString, QList<script_node_spt>> scripts_by_category;
    QHash<QString, QList<doc_node_spt>> docs_by_category;
    QHash<QString, QList<sticker_node_spt>> stickers_by_category;
    QHash<QString, phrase_node_spt> phrases;
    QHash<QString, quick_reply_node_spt> quick_replies; // by script id
    QHash<QString, QStringList> supported_apps;
    QString sticker_dept_id;
    version_update_info_spt version_info;
    category_node_spt attachments_category;

    // ---- login state ----
    QString token() const; // safe from any thread
    void set_token(const QString& token);
    void set_login_user(const user_login_info_spt& profile);
    const QString& account() const { return account_; }
    const QString& user_name() const { return user_name_; }
    const QString& dept_name() const { return dept_name_; }
    const QString& dept_id() const { return dept_id_; }
    void set_dept_id(const QString& id) { dept_id_ = id; }
    const user_login_info_spt& login_user() const { return login_user_; }
    const QHash<QString, dept_tree_node_spt>& departments() const { return departments_; }
    const QHash<QString, dept_role_data_spt>& dept_rights() const { return dept_rights_; }

    // ---- rights ----
    static bool is_manager_key(const QString& role_key) {
        return role_key.endsWith(QLatin1String("zz"));
    }
    bool has_manager_role() const;
    bool has_manager_role_in(const QString& dept_id) const;
    dept_tree_node_spt default_department() const;

    // ---- script categories and scripts ----
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
    // "top > sub > category"; "" when the category is not stored.
    QString script_category_path(const script_node_spt& script) const;
    script_node_spt find_script(const QString& id) const;
    script_node_spt update_script(const script_node_spt& script);

    // ---- stickers, documents, phrases ----
    void add_dept_sticker_category(const category_node_spt& node);
    QList<category_node_spt> sticker_category_children(int type, const QString& id) const;
    void remove_sticker(const sticker_node_spt& sticker);
    void remove_sticker_category_items(const QString& category_id);
    sticker_node_spt update_sticker(const sticker_node_spt& sticker);
    const QList<doc_node_spt>* docs_of_category(const QString& category_id) const;
    void merge_docs(const QHash<QString, QList<doc_node_spt>>& docs);
    void update_doc(const doc_node_spt& doc);
    void remove_doc_category(const QString& category_id);
    void put_phrase(const phrase_node_spt& phrase);
    void remove_phrase(const phrase_node_spt& phrase);

private:
    data_center() = default;
    // The tree a script category lives in, by its type and department.
    category_tree_t* script_tree_of(const category_node_t& node);
    const category_tree_t* script_tree_of(const category_node_t& node) const;
    category_node_spt walk_to_first_level(const category_tree_t& tree,
                                          category_node_spt node) const;
    static QStringList subtree_ids(const category_tree_t& tree, const QString& root);

    mutable QMutex token_mutex_;
    QString token_;
    QString account_;
    QString user_name_;
    QString dept_name_;
    QString dept_id_;
    user_login_info_spt login_user_;
    QHash<QString, dept_tree_node_spt> departments_;
    QHash<QString, dept_role_data_spt> dept_rights_;
};

} // namespace quorvel
