#pragma once

#include "model/records.h"
#include "net/actions/action_result.h"

#include <QObject>
#include <QStringList>

namespace quorvel {

// What the scripts page and its dialogs do to scripts: each sends its request,
// applies a success to the store through the store's named operation (whose
// change signal the views render) and reports the result once.
class script_actions : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    struct new_script_t {
        QString category_id;
        int part = 0;
        QString dept_id;
        QString content;
        QString keywords;
    };

    void create_script(const new_script_t& script, action_cb done);
    void edit_script(const script_node_spt& script, const QString& content, const QString& keywords,
                     action_cb done);

    // The script editor's save: the server's record comes back without
    // being stored, because the view is to hear of it only once its files
    // are cached; keep_saved then stores it.
    using saved_cb = std::function<void(const action_result_t&, const script_node_spt&)>;
    void save_new_script(const new_script_t& script, saved_cb done);
    void save_script_edit(const script_node_spt& script, const QString& content,
                          const QString& keywords, saved_cb done);
    // A saved script into the store: added when new, else copied into the stored record.
    static void keep_saved(const script_node_spt& saved, bool created);
    // Copy or move into another category; a move takes the script out of the
    // store, and the target category is reloaded either way.
    void transfer_script(const script_node_spt& script, bool copy, int target_part,
                         const QString& target_category_id, const QString& target_dept_id,
                         action_cb done);
    void delete_script(const script_node_spt& script, action_cb done);
    // A new order of a category's scripts (also moving one into it). The
    // store learns the order from reloading the category.
    void sort_scripts(const QString& script_id, const QString& category_id,
                      const QStringList& sibling_ids, action_cb done);
    // The category's scripts afresh from the server, into the store.
    void reload_category(int part, const QString& dept_id, const QString& category_id,
                         action_cb done);
    // Scripts of a part whose keywords match; nothing is stored.
    void
    search_scripts(int part, const QString& text,
                   std::function<void(const action_result_t&, const QList<script_node_spt>&)> done);
};

} // namespace quorvel
