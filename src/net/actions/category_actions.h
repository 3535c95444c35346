#pragma once

#include "model/records.h"
#include "net/actions/action_result.h"

#include <QObject>
#include <QStringList>

namespace quorvel {

// What the category dialogs and the scripts page do to script categories:
// each sends its request, applies a success to the store through its named
// operation and reports the result once.
class category_actions : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    struct new_category_t {
        QString name;
        int part = 0;
        QString dept_id;
        QString parent_id; // empty: the top level
    };

    // How a change of one category ended, with the record the server returned
    // (the category itself for a delete); null on failure.
    using category_cb = std::function<void(const action_result_t&, const category_node_spt&)>;

    void create_category(const new_category_t& category, action_cb done);
    void create_category(const new_category_t& category, category_cb done);
    // Rename and delete work on a category of any library: its
    // clientBusinessType says which tree of the store follows.
    void rename_category(const category_node_spt& category, const QString& name, action_cb done);
    void rename_category(const category_node_spt& category, const QString& name, category_cb done);
    void delete_category(const category_node_spt& category, action_cb done);
    void delete_category(const category_node_spt& category, category_cb done);
    // Copy or move into a part (and department) under a parent ("-1" the top
    // level); a move takes the old place out of the store.
    void transfer_category(const category_node_spt& category, bool copy, int target_part,
                           const QString& target_dept_id, const QString& target_parent_id,
                           action_cb done);
    // The siblings of a category in a new order, as the drag dialog leaves them.
    void sort_categories(const category_node_spt& category, const QStringList& ordered_ids,
                         action_cb done);
};

} // namespace quorvel
