#pragma once

#include "model/records.h"
#include "net/actions/action_result.h"

#include <QObject>

namespace quorvel {

// What the sticker views and dialogs do to stickers: each sends its request,
// applies a success to the store and reports the result once.
class sticker_actions : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    using sticker_cb = std::function<void(const action_result_t&, const sticker_node_spt&)>;

    // A sticker from a file already in the file store.
    void add_sticker(const QString& category_id, const QString& file_id, const QString& name,
                     action_cb done);
    // The same; prepare runs with the new sticker before the store holds it
    // (so its file can be in the cache when views show it), done gets it after.
    void add_sticker(const QString& category_id, const QString& file_id, const QString& name,
                     std::function<void(const sticker_node_spt&)> prepare, sticker_cb done);
    void rename_sticker(const sticker_node_spt& sticker, const QString& name, action_cb done);
    void delete_sticker(const sticker_node_spt& sticker, action_cb done);
    // Copy or move into a category; a move takes the old one out of the store.
    void transfer_sticker(const sticker_node_spt& sticker, bool copy,
                          const QString& target_category_id, const QString& target_dept_id,
                          action_cb done);
    // The same; done gets the sticker in its new place.
    void transfer_sticker(const sticker_node_spt& sticker, bool copy,
                          const QString& target_category_id, const QString& target_dept_id,
                          sticker_cb done);
};

} // namespace quorvel
