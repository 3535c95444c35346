#include "ui/docs/add_doc_dialog.h"

#include "net/actions/document_actions.h"
#include "net/base_url.h"
#include "net/endpoints.h"
#include "sync/batch_upload.h"
#include "ui/docs/doc_category_chooser.h"
#include "ui/docs/file_list_widget.h"
#include "ui/widgets/status_text.h"

#include <QDebug>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel {

add_doc_dialog::add_doc_dialog(const QString& category_id, QWidget* parent)
    : base_dialog(parent), category_id_(category_id), actions_(new document_actions(this)),
      chooser_(new doc_category_chooser(false, this)), files_(new file_list_widget(this)),
      status_(new QLabel(this)), add_(new QPushButton(QStringLiteral("添加文档"), this)),
      save_(new QPushButton(QStringLiteral("保存"), this)),
      retry_(new QPushButton(QStringLiteral("重试"), this)),
      close_(new QPushButton(QStringLiteral("关闭"), this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(QStringLiteral("添加文档"));
    resize(640, 460);
    chooser_->set_category(category_id);
    auto* hint = new QLabel(
        QStringLiteral("选择的文档会保存到下面的分类，针对文档的操作不会影响到电脑上的文件"), this);
    hint->setStyleSheet(QStringLiteral("color: gray;"));
    auto* body = new QVBoxLayout;
    body->setContentsMargins(20, 20, 20, 20);
    body->setSpacing(15);
    body->addWidget(hint);
    body->addWidget(chooser_);
    body->addWidget(files_, 1);
    body->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(20);
    buttons->addStretch();
    for (QPushButton* b : {add_, save_, retry_, close_})
        buttons->addWidget(b);
    body->addLayout(buttons);
    add_content_layout(body);
    retry_->hide();

    connect(chooser_, &doc_category_chooser::category_chosen, this,
            [this](const QString& id) { category_id_ = id; });
    connect(add_, &QPushButton::clicked, this, &add_doc_dialog::choose_files);
    connect(save_, &QPushButton::clicked, this, &add_doc_dialog::save);
    connect(retry_, &QPushButton::clicked, this, &add_doc_dialog::retry);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
}

void add_doc_dialog::show_category_menu(QPoint) {
    chooser_->open_popup();
}

void add_doc_dialog::choose_files() {
    add_files(QFileDialog::getOpenFileNames(this, QStringLiteral("请选择文档(可以按ctrl多选)"),
                                            QString(), QStringLiteral("所有文档 (*.*)")));
}

void add_doc_dialog::add_files(const QStringList& paths) {
    for (const QString& path : paths)
        files_->add_file(path);
}

void add_doc_dialog::save() {
    paths_.clear();
    titles_.clear();
    for (const file_list_item* item : files_->items()) {
        paths_ << item->path();
        titles_.insert(item->path(), item->title());
    }
    // Say what is missing: a silent 保存 looks like a broken button.
    if (paths_.isEmpty() || category_id_.isEmpty()) {
        status_->setText(status_text::failure(paths_.isEmpty() ? QStringLiteral("请先添加文档")
                                                               : QStringLiteral("请选择分类")));
        return;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{add_, chooser_, save_, close_})
        w->setEnabled(false);
    uploaded_.clear();
    failed_.clear();
    saved_.clear();
    unsaved_.clear();
    if (!uploader_) {
        uploader_ = new batch_upload(
            QUrl(base_url() + QLatin1String(endpoints::upload_user_file.path)), this);
        connect(uploader_, &batch_upload::progress_changed, this, &add_doc_dialog::update_progress);
        connect(uploader_, &batch_upload::task_failed, this, &add_doc_dialog::task_failed);
        connect(uploader_, &batch_upload::task_finished, this, &add_doc_dialog::task_finished);
        connect(uploader_, &batch_upload::all_tasks_finished, this,
                &add_doc_dialog::all_task_finished);
    }
    status_->setText(status_text::progress(
        QStringLiteral("正在上传文档，请稍候...(%1 / %2)").arg(0).arg(paths_.size())));
    uploader_->add_files(QSet<QString>(paths_.begin(), paths_.end()));
    uploader_->start();
}

void add_doc_dialog::update_progress(QString, qint64, qint64) {}

void add_doc_dialog::show_counts() {
    status_->setText(status_text::progress(
        QStringLiteral("正在上传文档，请稍候...(总数：%1，成功: <font color='green'>%2</font>，"
                       "失败：<font color='red'>%3</font>)")
            .arg(paths_.size())
            .arg(uploaded_.size())
            .arg(failed_.size())));
}

void add_doc_dialog::task_failed(QString path, QString err) {
    failed_.insert(path);
    show_counts();
    qDebug() << path << "上传失败！" << err;
    check_complete();
}

void add_doc_dialog::task_finished(QString path, QString id) {
    uploaded_.insert(path, id);
    show_counts();
    save_file(path, id);
}

void add_doc_dialog::save_file(const QString& path, const QString& file_id) {
    actions_->save_uploaded_doc(category_id_, path, titles_.value(path), file_id,
                                [this, path](const action_result_t& r) {
                                    if (r.ok) {
                                        saved_.insert(path);
                                    } else {
                                        unsaved_.insert(path);
                                        qDebug() << "保存文档失败：" << r.error;
                                    }
                                    check_complete();
                                });
}

void add_doc_dialog::check_complete() {
    if (uploaded_.size() + failed_.size() != paths_.size() ||
        saved_.size() + unsaved_.size() != uploaded_.size())
        return;
    if (failed_.isEmpty() && unsaved_.isEmpty()) {
        status_->setText(status_text::success(QStringLiteral("全部上传完成")));
        close_->setEnabled(true);
        retry_->hide();
    } else {
        status_->setText(QStringLiteral("上传失败：<font color='red'>%1</font>，保存失败：<font "
                                        "color='red'>%2</font>")
                             .arg(failed_.size())
                             .arg(unsaved_.size()));
        retry_->show();
        retry_->setEnabled(true);
        close_->setEnabled(true);
    }
    emit refresh_category_requested(category_id_);
}

void add_doc_dialog::all_task_finished() {
    if (!uploaded_.isEmpty())
        return;
    status_->setText(status_text::failure(QStringLiteral("全部文档上传失败")));
    close_->setEnabled(true);
}

void add_doc_dialog::retry() {
    retry_->setEnabled(false);
    const QSet<QString> again = failed_;
    failed_.clear();
    const QSet<QString> unsaved = unsaved_;
    unsaved_.clear();
    for (const QString& path : unsaved)
        save_file(path, uploaded_.value(path));
    if (!again.isEmpty()) {
        uploader_->add_files(again);
        uploader_->start();
    }
}

} // namespace quorvel
