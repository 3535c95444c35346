#pragma once

#include "model/records.h"
#include "ui/docs/doc_dialogs.h"

class QLineEdit;

namespace quorvel {

class doc_category_chooser;

// Creates a document category under a chosen parent ("-1" the top level).
class new_doc_category : public doc_request_dialog {
    Q_OBJECT
public:
    // local: opened from the empty tree area ("本地" title), else the cloud one.
    new_doc_category(bool local, const QString& parent_id, QWidget* parent = nullptr);
    doc_category_chooser* chooser() const { return chooser_; }
    QLineEdit* name_edit() const { return name_; }

signals:
    void create_finished(quorvel::category_node_spt node);

private:
    doc_category_chooser* chooser_;
    QLineEdit* name_;
};

class update_doc_category : public doc_request_dialog {
    Q_OBJECT
public:
    update_doc_category(const category_node_spt& category, QWidget* parent = nullptr);
    QLineEdit* name_edit() const { return name_; }

signals:
    void update_finished(quorvel::category_node_spt node);

private:
    category_node_spt category_;
    QLineEdit* name_;
};

class delete_doc_category : public doc_request_dialog {
    Q_OBJECT
public:
    delete_doc_category(const category_node_spt& category, bool local, QWidget* parent = nullptr);

signals:
    void delete_finished();

private:
    category_node_spt category_;
};

} // namespace quorvel
