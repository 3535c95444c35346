#include "ui/stickers/add_sticker_dialog.h"

#include "net/actions/sticker_actions.h"
#include "net/base_url.h"
#include "net/endpoints.h"
#include "protocol/protocol.h"
#include "sync/batch_upload.h"
#include "sync/cache_manager.h"
#include "ui/stickers/scope_choice.h"
#include "ui/widgets/custom_toolbutton.h"
#include "ui/widgets/plain_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

namespace quorvel {

sticker_list_item::sticker_list_item(const QString& path, const QString& title, QWidget* parent)
    : QWidget(parent), path_(path), title_(new QLineEdit(this)) {
    setFixedHeight(47);
    auto* thumbnail = new QLabel(this);
    thumbnail->setFixedSize(45, 45);
    thumbnail->setScaledContents(true);
    thumbnail->setPixmap(QPixmap(path).scaled(45, 45));
    title_->setPlaceholderText(QStringLiteral("请输入标题"));
    title_->setText(title);
    auto* file = plain_label(path, this);
    file->setToolTip(plain_tooltip(path));
    auto* close = new custom_toolbutton(this);
    set_state_icon(close, QStringLiteral("icon/close"));
    close->setToolTip(QStringLiteral("删除"));
    auto* text = new QVBoxLayout;
    text->setContentsMargins(0, 0, 0, 0);
    text->setSpacing(0);
    text->addWidget(title_);
    text->addWidget(file);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 1, 0, 1);
    row->addWidget(thumbnail);
    row->addLayout(text, 1);
    row->addWidget(close);
    connect(close, &QToolButton::clicked, this, &sticker_list_item::delete_requested);
}

QString sticker_list_item::title() const {
    return title_->text();
}

add_sticker_dialog::add_sticker_dialog(int type, const QString& category_id, QWidget* parent)
    : base_dialog(parent), type_(type), categories_(new QComboBox(this)), list_(new QVBoxLayout),
      status_(new QLabel(this)), add_(new QPushButton(QStringLiteral("+ 添加表情"), this)),
      auto_title_(new QCheckBox(QStringLiteral("自动提取标题"), this)),
      save_(new QPushButton(QStringLiteral("保存"), this)),
      retry_(new QPushButton(QStringLiteral("重试"), this)), actions_(new sticker_actions(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(QStringLiteral("添加表情"));
    setFixedSize(630, 460);
    const QString dept = type == int(protocol::part::dept) ? current_sticker_dept() : QString();
    for (const category_node_spt& c : top_sticker_categories(type, dept))
        categories_->addItem(c->classifyName, c->id);
    categories_->setCurrentIndex(qMax(0, categories_->findData(category_id)));

    auto* hint = new QLabel(
        QStringLiteral("提示：按住Ctrl选择多张图片，标题自动设置为文件名，您也可以手动修改"), this);
    hint->setStyleSheet(QStringLiteral("QLabel{color: gray}"));
    auto* list_widget = new QWidget;
    list_->setContentsMargins(0, 0, 0, 0);
    list_->addStretch();
    list_widget->setLayout(list_);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(list_widget);
    add_->setFixedWidth(180);
    add_->setStyleSheet(QStringLiteral("color: white; background-color: #1883D7"));
    auto_title_->setChecked(true);
    retry_->hide();

    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(20, 20, 20, 10);
    layout->setSpacing(10);
    layout->addWidget(hint);
    layout->addWidget(categories_);
    layout->addWidget(scroll, 1);
    layout->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add_);
    buttons->addStretch();
    buttons->addWidget(auto_title_);
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(retry_);
    layout->addLayout(buttons);
    add_content_layout(layout);

    connect(add_, &QPushButton::clicked, this, &add_sticker_dialog::choose_files);
    connect(save_, &QPushButton::clicked, this, &add_sticker_dialog::save);
    connect(retry_, &QPushButton::clicked, this, &add_sticker_dialog::retry);
}

void add_sticker_dialog::choose_files() {
    const QStringList chosen =
        QFileDialog::getOpenFileNames(this, QStringLiteral("选择图片"), QString(),
                                      QStringLiteral("图片文件 (*.jpg *.jpeg *.png *.bmp *.gif)"),
                                      nullptr, QFileDialog::HideNameFilterDetails);
    add_files(chosen);
}

void add_sticker_dialog::add_files(const QStringList& paths) {
    for (const QString& path : paths) {
        bool present = false;
        for (sticker_list_item* row : rows())
            present = present || row->path() == path;
        if (present)
            continue;
        auto* row = new sticker_list_item(
            path, auto_title_->isChecked() ? QFileInfo(path).completeBaseName() : QString());
        list_->insertWidget(list_->count() - 1, row);
        connect(row, &sticker_list_item::delete_requested, row, &QObject::deleteLater);
    }
}

QList<sticker_list_item*> add_sticker_dialog::rows() const {
    QList<sticker_list_item*> out;
    for (int i = 0; i < list_->count(); ++i)
        if (auto* row = qobject_cast<sticker_list_item*>(list_->itemAt(i)->widget()))
            out << row;
    return out;
}

void add_sticker_dialog::set_busy(bool busy) {
    add_->setEnabled(!busy);
    categories_->setEnabled(!busy);
    save_->setEnabled(!busy);
    retry_->setEnabled(!busy);
    save_->setText(busy ? QStringLiteral("提交中") : QStringLiteral("保存"));
}

void add_sticker_dialog::save() {
    files_.clear();
    titles_.clear();
    for (sticker_list_item* row : rows())
        if (!files_.contains(row->path())) {
            files_ << row->path();
            titles_.insert(row->path(), row->title());
        }
    if (files_.isEmpty())
        return;
    category_id_ = categories_->currentData().toString();
    failed_uploads_.clear();
    uploaded_.clear();
    saved_.clear();
    unsaved_.clear();
    status_->clear();
    set_busy(true);
    upload(QSet<QString>(files_.begin(), files_.end()));
}

void add_sticker_dialog::retry() {
    set_busy(true);
    status_->clear();
    const QSet<QString> again = failed_uploads_;
    failed_uploads_.clear();
    const QStringList unsaved = unsaved_.keys();
    unsaved_.clear();
    for (const QString& path : unsaved)
        save_sticker(path);
    if (!again.isEmpty())
        upload(again);
}

void add_sticker_dialog::upload(const QSet<QString>& files) {
    if (!uploader_) {
        uploader_ = new batch_upload(
            QUrl(base_url() + QLatin1String(endpoints::upload_user_file.path)), this);
        connect(uploader_, &batch_upload::task_finished, this, &add_sticker_dialog::task_finished);
        connect(uploader_, &batch_upload::task_failed, this, &add_sticker_dialog::task_failed);
        connect(uploader_, &batch_upload::progress_changed, this,
                &add_sticker_dialog::task_progress);
        connect(uploader_, &batch_upload::all_tasks_finished, this,
                &add_sticker_dialog::all_tasks_finished);
    }
    uploading_ += files.size();
    uploader_->add_files(files);
    uploader_->start();
}

void add_sticker_dialog::task_finished(QString path, QString id) {
    --uploading_;
    uploaded_.insert(path, id);
    save_sticker(path);
}

void add_sticker_dialog::task_failed(QString path, QString err) {
    --uploading_;
    failed_uploads_.insert(path);
    spdlog::warn("sticker image not uploaded: {}", err.toStdString());
    check_done();
}

void add_sticker_dialog::task_progress(QString, qint64, qint64) {}

void add_sticker_dialog::all_tasks_finished() {
    check_done();
}

void add_sticker_dialog::save_sticker(const QString& path) {
    ++saving_;
    actions_->add_sticker(
        category_id_, uploaded_.value(path), titles_.value(path),
        [path](const sticker_node_spt& created) {
            // In the cache before any view looks for it.
            copy_file(path, cache_manager::instance()->sticker_path(created));
        },
        [this, path](const action_result_t& result, const sticker_node_spt& created) {
            --saving_;
            if (result.ok) {
                saved_.insert(path, created ? created->id : QString());
                emit add_sticker_requested(created);
            } else {
                unsaved_.insert(path, result.error);
                spdlog::debug("{} 添加表情失败，原因：{}", path.toStdString(),
                              result.error.toStdString());
            }
            check_done();
        });
}

void add_sticker_dialog::check_done() {
    if (uploading_ > 0 || saving_ > 0)
        return;
    set_busy(false);
    if (failed_uploads_.isEmpty() && unsaved_.isEmpty()) {
        save_->show();
        retry_->hide();
        status_->setText(QStringLiteral("<font color='green'>操作成功</font>"));
        return;
    }
    status_->setText(QStringLiteral("上传成功：<font color='green'>%1</font>, 上传失败：<font "
                                    "color='red'>%2</font>, 保存成功：<font "
                                    "color='green'>%3</font>, 保存失败：<font "
                                    "color='red'>%4</font>")
                         .arg(uploaded_.size())
                         .arg(failed_uploads_.size())
                         .arg(saved_.size())
                         .arg(unsaved_.size()));
    save_->hide();
    retry_->show();
}

} // namespace quorvel
