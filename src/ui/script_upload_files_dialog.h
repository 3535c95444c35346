#pragma once

#include <QDialog>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QStringList>

class QLabel;
class QPushButton;

namespace quorvel {

class batch_upload;

// Uploads the files a script links to and files each as a document of the
// attachments category; offers a retry until every file is saved.
class script_upload_files_dialog : public QDialog {
    Q_OBJECT
public:
    script_upload_files_dialog(QWidget* parent, const QStringList& files);

signals:
    void upload_finished(QList<QPair<QString, QFileInfo>> files);

public slots:
    void task_finished(QString file, QString id);
    void task_failed(QString file, QString err);
    void all_tasks_finished();
    void retry_request();
    void cancel_upload();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void save_document(const QString& file, const QString& id);
    void update_label();
    void check_completion();

    QStringList files_;
    QSet<QString> failed_;
    QHash<QString, QString> uploaded_;
    QHash<QString, QString> saved_;
    QHash<QString, QString> unsaved_;
    QLabel* status_;
    batch_upload* uploader_;
    QPushButton* retry_;
    QPushButton* cancel_;
};

} // namespace quorvel
