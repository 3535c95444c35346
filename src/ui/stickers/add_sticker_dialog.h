#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

#include <QHash>
#include <QSet>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace quorvel {

class batch_upload;
class sticker_actions;

// One chosen image of the add dialog: thumbnail, title and path.
class sticker_list_item : public QWidget {
    Q_OBJECT
public:
    sticker_list_item(const QString& path, const QString& title, QWidget* parent = nullptr);
    const QString& path() const { return path_; }
    QString title() const;
    QLineEdit* title_edit() const { return title_; }

signals:
    void delete_requested();

private:
    QString path_;
    QLineEdit* title_;
};

// Uploads chosen images and makes a sticker of each. A save that ends with
// failures offers "重试", which sends again only what failed.
class add_sticker_dialog : public base_dialog {
    Q_OBJECT
public:
    add_sticker_dialog(int type, const QString& category_id, QWidget* parent = nullptr);

    // What the file dialog would add; the titles follow "自动提取标题".
    void add_files(const QStringList& paths);
    QList<sticker_list_item*> rows() const;
    QComboBox* categories() const { return categories_; }
    QCheckBox* auto_title() const { return auto_title_; }
    QPushButton* save_button() const { return save_; }
    QPushButton* retry_button() const { return retry_; }
    QLabel* status() const { return status_; }

signals:
    void add_sticker_requested(quorvel::sticker_node_spt node);

public slots:
    void task_finished(QString path, QString id);
    void task_failed(QString path, QString err);
    void task_progress(QString path, qint64 sended_bytes, qint64 total_bytes);
    void all_tasks_finished();

private:
    void choose_files();
    void save();
    void retry();
    void upload(const QSet<QString>& files);
    void save_sticker(const QString& path);
    void check_done();
    void set_busy(bool busy);

    int type_;
    QComboBox* categories_;
    QVBoxLayout* list_;
    QLabel* status_;
    QPushButton* add_;
    QCheckBox* auto_title_;
    QPushButton* save_;
    QPushButton* retry_;
    sticker_actions* actions_;
    batch_upload* uploader_ = nullptr;
    QStringList files_;
    QHash<QString, QString> titles_;
    QSet<QString> failed_uploads_;
    QHash<QString, QString> uploaded_; // path → fileId
    QHash<QString, QString> saved_;    // path → sticker id
    QHash<QString, QString> unsaved_;  // path → reason
    QString category_id_;
    int uploading_ = 0;
    int saving_ = 0;
};

} // namespace quorvel
