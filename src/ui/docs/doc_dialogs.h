#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

#include <QRegularExpressionValidator>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvel {

class doc_category_chooser;
class document_actions;

// Accepts file names free of the characters no file system takes.
class file_name_validator : public QRegularExpressionValidator {
    Q_OBJECT
public:
    explicit file_name_validator(QObject* parent = nullptr);
};

// The frame the small document dialogs share: rows of content, a status
// line and a row of buttons; a request runs with its button disabled.
class doc_request_dialog : public base_dialog {
    Q_OBJECT
public:
    explicit doc_request_dialog(const QString& title, QWidget* parent = nullptr);

    QLabel* status() const { return status_; }
    QPushButton* confirm_button() const { return confirm_; }
    QPushButton* close_dialog_button() const { return close_; }

protected:
    QVBoxLayout* rows() const { return rows_; }
    void set_confirm_text(const QString& text);
    // Disables the confirm button until the result; shows the texts.
    void begin(const QString& progress = QString());
    void succeed(const QString& text);
    void fail(const QString& text, const QString& reason);
    document_actions* actions() const { return actions_; }

private:
    QVBoxLayout* rows_;
    QLabel* status_;
    QPushButton* confirm_;
    QPushButton* close_;
    document_actions* actions_;
};

// Changes a document's file name and keywords.
class update_doc_item_dialog : public doc_request_dialog {
    Q_OBJECT
public:
    update_doc_item_dialog(const doc_node_spt& doc, QWidget* parent = nullptr);
    QLineEdit* name_edit() const { return name_; }
    QLineEdit* keywords_edit() const { return keywords_; }

signals:
    void update_finished(quorvel::doc_node_spt node);

private:
    void save();
    doc_node_spt doc_;
    QLineEdit* name_;
    QLineEdit* keywords_;
};

class delete_doc_dialog : public doc_request_dialog {
    Q_OBJECT
public:
    delete_doc_dialog(const doc_node_spt& doc, QWidget* parent = nullptr);

signals:
    void delete_finished();

private:
    doc_node_spt doc_;
};

// Copies or moves a document into another category.
class doc_transfer_dialog : public doc_request_dialog {
    Q_OBJECT
public:
    doc_transfer_dialog(const doc_node_spt& doc, bool copy, QWidget* parent = nullptr);
    doc_category_chooser* chooser() const { return chooser_; }

signals:
    void transfer_finished(quorvel::doc_node_spt node);

private:
    doc_node_spt doc_;
    bool copy_;
    doc_category_chooser* chooser_;
};

} // namespace quorvel
