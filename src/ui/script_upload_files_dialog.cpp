#include "ui/script_upload_files_dialog.h"

#include "model/data_center.h"
#include "net/base_url.h"
#include "net/endpoints.h"
#include "net/request_center.h"
#include "protocol/protocol.h"
#include "sync/batch_upload.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel {

namespace {
const QString uploading = QStringLiteral("正在同步文件到云端，请稍后.....");
}

script_upload_files_dialog::script_upload_files_dialog(QWidget* parent, const QStringList& files)
    : QDialog(parent, Qt::FramelessWindowHint), status_(new QLabel(this)),
      uploader_(new batch_upload(
          QUrl(base_url() + QLatin1String(endpoints::upload_public_file.path)), this)),
      retry_(new QPushButton(QStringLiteral("重试"), this)),
      cancel_(new QPushButton(QStringLiteral("取消"), this)) {
    for (const QString& file : files)
        if (!files_.contains(file))
            files_ << file;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(20);
    layout->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(retry_);
    buttons->addWidget(cancel_);
    buttons->addStretch();
    layout->addLayout(buttons);
    for (QPushButton* b : {retry_, cancel_})
        b->setFixedSize(100, 30);
    retry_->hide();

    connect(retry_, &QPushButton::clicked, this, &script_upload_files_dialog::retry_request);
    connect(cancel_, &QPushButton::clicked, this, &script_upload_files_dialog::cancel_upload);
    connect(uploader_, &batch_upload::task_finished, this,
            &script_upload_files_dialog::task_finished);
    connect(uploader_, &batch_upload::task_failed, this, &script_upload_files_dialog::task_failed);
    connect(uploader_, &batch_upload::all_tasks_finished, this,
            &script_upload_files_dialog::all_tasks_finished);

    status_->setText(uploading);
    uploader_->add_files(QSet<QString>(files_.begin(), files_.end()));
    uploader_->start();
}

void script_upload_files_dialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::gray);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void script_upload_files_dialog::update_label() {
    status_->setText(
        uploading +
        QStringLiteral("%1 / %2 ").arg(uploaded_.size() + failed_.size()).arg(files_.size()));
}

void script_upload_files_dialog::task_finished(QString file, QString id) {
    uploaded_.insert(file, id);
    update_label();
    save_document(file, id);
}

void script_upload_files_dialog::save_document(const QString& file, const QString& id) {
    const QFileInfo info(file);
    const category_node_spt attachments = data_center::instance().attachments_category();
    const QJsonObject body{{"classifyId", attachments ? attachments->id : QString()},
                           {"fileContent", ""},
                           {"fileId", id},
                           {"fileName", info.completeBaseName()},
                           {"fileSuffix", info.suffix().toLower()},
                           {"fileSize", info.size()},
                           {"fileType", protocol::file_type::stored},
                           {"keywords", info.completeBaseName()},
                           {"customShortcuts", "known"}};
    request_center::instance()->save_doc(
        QJsonDocument(body).toJson(), this,
        [this, file, id] {
            saved_.insert(file, id);
            check_completion();
        },
        [this, file, id](const QString& err) {
            unsaved_.insert(file, id);
            qDebug() << err;
            check_completion();
        });
}

void script_upload_files_dialog::task_failed(QString file, QString) {
    failed_.insert(file);
    update_label();
}

void script_upload_files_dialog::all_tasks_finished() {
    check_completion();
}

void script_upload_files_dialog::check_completion() {
    if (uploaded_.size() + failed_.size() != files_.size() ||
        saved_.size() + unsaved_.size() != uploaded_.size())
        return;
    if (saved_.size() == files_.size()) {
        QList<QPair<QString, QFileInfo>> result;
        for (const QString& file : files_)
            result << qMakePair(saved_.value(file), QFileInfo(file));
        emit upload_finished(result);
        close();
        return;
    }
    status_->setText(QStringLiteral("部分文档未完全同步，请继续重试"));
    cancel_->hide();
    retry_->show();
}

void script_upload_files_dialog::retry_request() {
    const QHash<QString, QString> unsaved = unsaved_;
    unsaved_.clear();
    for (auto it = unsaved.constBegin(); it != unsaved.constEnd(); ++it)
        save_document(it.key(), it.value());
    const QSet<QString> failed = failed_;
    failed_.clear();
    if (!failed.isEmpty()) {
        uploader_->add_files(failed);
        uploader_->start();
    }
}

void script_upload_files_dialog::cancel_upload() {
    uploader_->abort();
    close();
}

} // namespace quorvel
