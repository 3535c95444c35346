#pragma once

#include "model/records.h"
#include "net/actions/action_result.h"

#include <QObject>

namespace quorvel {

// What the document views and dialogs do to cloud documents: each sends its
// request, applies a success to the store and reports the result once.
class document_actions : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // To the top or the bottom of its category.
    void pin_doc(const doc_node_spt& doc, bool to_top, action_cb done);
    // Copy or move into a category; a move takes the old one out of the store.
    void transfer_doc(const doc_node_spt& doc, bool copy, const QString& target_category_id,
                      action_cb done);
    void delete_doc(const doc_node_spt& doc, action_cb done);
};

} // namespace quorvel
