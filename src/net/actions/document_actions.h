#pragma once

#include "model/records.h"
#include "net/actions/action_result.h"

#include <QList>
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
    // A new name and keywords; an empty field keeps the stored value.
    void edit_doc(const doc_node_spt& doc, const QString& file_name, const QString& keywords,
                  action_cb done);
    // The record of a file uploaded to the file store; the category is
    // reloaded by whoever asked once all files of a batch are saved.
    void save_uploaded_doc(const QString& category_id, const QString& local_path,
                           const QString& title, const QString& file_id, action_cb done);
    // The category's documents afresh from the server, into the store.
    void reload_category(const QString& category_id, action_cb done);
    // Documents whose name or keywords match; nothing is stored.
    void search_docs(const QString& text,
                     std::function<void(const action_result_t&, const QList<doc_node_spt>&)> done);

    // Document categories (the personal part).
    void
    create_category(const QString& name, const QString& parent_id,
                    std::function<void(const action_result_t&, const category_node_spt&)> done);
    void rename_category(const category_node_spt& category, const QString& name, action_cb done);
    // Takes the category, its sub-categories and their documents out of the store.
    void delete_category(const category_node_spt& category, action_cb done);
};

} // namespace quorvel
