#pragma once

#include "ui/widgets/base_dialog.h"

#include <QHash>
#include <QPoint>
#include <QSet>
#include <QStringList>

class QLabel;
class QPushButton;

namespace quorvel {

class batch_upload;
class doc_category_chooser;
class document_actions;
class file_list_widget;

// Uploads chosen files into a document category: each file goes to the file
// store, then its document record is saved; failures can be retried.
class add_doc_dialog : public base_dialog {
    Q_OBJECT
public:
    add_doc_dialog(const QString& category_id, QWidget* parent = nullptr);

    void add_files(const QStringList& paths);
    void save();
    void retry();

    file_list_widget* files() const { return files_; }
    doc_category_chooser* chooser() const { return chooser_; }
    QLabel* status() const { return status_; }
    QPushButton* add_button() const { return add_; }
    QPushButton* save_button() const { return save_; }
    QPushButton* retry_button() const { return retry_; }
    QPushButton* close_dialog_button() const { return close_; }

signals:
    void refresh_category_requested(QString category_id);

public slots:
    void update_progress(QString path, qint64 sended_bytes, qint64 total_bytes);
    void task_failed(QString path, QString err);
    void task_finished(QString path, QString id);
    void all_task_finished();
    void show_category_menu(QPoint global_pos);

private:
    void choose_files();
    void save_file(const QString& path, const QString& file_id);
    void show_counts();
    void check_complete();

    QString category_id_;
    QStringList paths_;
    QHash<QString, QString> titles_;
    QHash<QString, QString> uploaded_; // path → file-store id
    QSet<QString> failed_;
    QSet<QString> saved_;
    QSet<QString> unsaved_;
    batch_upload* uploader_ = nullptr;
    document_actions* actions_;
    doc_category_chooser* chooser_;
    file_list_widget* files_;
    QLabel* status_;
    QPushButton* add_;
    QPushButton* save_;
    QPushButton* retry_;
    QPushButton* close_;
};

} // namespace quorvel
