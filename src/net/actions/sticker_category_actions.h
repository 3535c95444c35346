#pragma once

#include "model/records.h"
#include "net/actions/action_result.h"

#include <QObject>

namespace quorvel {

// What the sticker page and its dialogs do to sticker categories besides
// renaming and deleting (category_actions serves every library there): each
// sends its request, applies a success to the store and reports the result once.
class sticker_category_actions : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    using stickers_cb = std::function<void(const action_result_t&, const QList<sticker_node_spt>&)>;
    using category_cb = std::function<void(const action_result_t&, const category_node_spt&)>;

    // A top-level category of a part; the department counts for that part only.
    // done gets the new category.
    void create_category(const QString& name, int part, const QString& dept_id, category_cb done);
    // Copy or move to the top level of a part (and department); a move takes
    // the old category out of the store. done gets the new category.
    void transfer_category(const category_node_spt& category, bool copy, int target_part,
                           const QString& target_dept_id, category_cb done);
    // Lists the category's stickers anew and stores that list.
    void reload_stickers(const QString& category_id, stickers_cb done);
};

} // namespace quorvel
