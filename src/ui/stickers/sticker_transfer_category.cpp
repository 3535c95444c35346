#include "ui/stickers/sticker_transfer_category.h"

#include "net/actions/sticker_category_actions.h"
#include "protocol/protocol.h"
#include "sync/batch_download.h"
#include "ui/library/select_department_menu.h"
#include "ui/stickers/scope_choice.h"
#include "ui/widgets/status_text.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSet>

namespace quorvel {

namespace {

const QString syncing_files = QStringLiteral("正在同步表情文件，请稍候...");

} // namespace

QList<int> sticker_transfer_category::targets(int from) {
    switch (from) {
    case int(protocol::part::pub):
        return {1, 2};
    case int(protocol::part::personal):
        return {0, 2};
    default:
        return {0, 1, 2};
    }
}

sticker_transfer_category::sticker_transfer_category(const category_node_spt& category, bool copy,
                                                     QWidget* parent)
    : base_dialog(parent), category_(category), copy_(copy),
      scopes_(new scope_choice(targets(category ? category->classifyType.toInt() : 0))),
      save_(new QPushButton(QStringLiteral("保存"), this)),
      retry_(new QPushButton(QStringLiteral("重试"), this)), status_(new QLabel(this)),
      actions_(new sticker_category_actions(this)), download_(new batch_download(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(copy ? QStringLiteral("复制表情分类") : QStringLiteral("移动表情分类"));
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    auto* form = new QFormLayout;
    form->setContentsMargins(20, 20, 20, 20);
    form->setSpacing(15);
    auto* scope_label = new QLabel(QStringLiteral("类  别"), this);
    auto* dept_label = new QLabel(QStringLiteral("部门"), this);
    for (QLabel* label : {scope_label, dept_label})
        label->setFixedWidth(60);
    form->addRow(scope_label, scopes_);
    form->addRow(dept_label, scopes_->department());
    form->addRow(status_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(retry_);
    buttons->addWidget(close);
    form->addRow(buttons);
    add_content_layout(form);
    retry_->hide();

    // The first of two targets, or the second of three (the other shared one).
    const QList<int> offered = targets(category ? category->classifyType.toInt() : 0);
    scopes_->set_scope(offered.size() == 2 ? offered.first() : offered.at(1));
    connect(scopes_, &scope_choice::changed, this, [this] {
        scopes_->department()->setEnabled(scopes_->scope() == int(protocol::part::dept));
    });
    scopes_->department()->setEnabled(scopes_->scope() == int(protocol::part::dept));
    connect(save_, &QPushButton::clicked, this, &sticker_transfer_category::save);
    connect(retry_, &QPushButton::clicked, this, [this] {
        retry_->hide();
        const QList<download_task_spt> again = failed_;
        failed_.clear();
        download(again);
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(download_, &batch_download::task_finished, this,
            &sticker_transfer_category::task_finished);
    connect(download_, &batch_download::task_failed, this, &sticker_transfer_category::task_failed);
    connect(download_, &batch_download::all_tasks_finished, this,
            &sticker_transfer_category::all_tasks_finished);
}

void sticker_transfer_category::save() {
    save_->setEnabled(false);
    const int target = scopes_->scope();
    actions_->transfer_category(
        category_, copy_, target, scopes_->dept_id(),
        [this](const action_result_t& result, const category_node_spt& placed) {
            if (!result.ok) {
                save_->setEnabled(true);
                status_->setText(status_text::failure(QStringLiteral("操作失败"), result.error));
                return;
            }
            placed_ = placed;
            fetch_stickers();
        });
}

void sticker_transfer_category::fetch_stickers() {
    status_->setText(status_text::progress(QStringLiteral("正在同步表情信息，请稍候...")));
    actions_->reload_stickers(
        placed_ ? placed_->id : QString(),
        [this](const action_result_t& result, const QList<sticker_node_spt>& stickers) {
            if (!result.ok) {
                save_->setEnabled(true);
                status_->setText(status_text::failure(QStringLiteral("同步失败"), result.error));
                return;
            }
            QList<download_task_spt> tasks;
            QSet<QString> paths;
            for (const sticker_node_spt& sticker : stickers) {
                const download_task_spt task = make_sticker_task(sticker);
                if (task && !paths.contains(task->local_path)) {
                    paths.insert(task->local_path);
                    tasks << task;
                }
            }
            tasks_ = tasks;
            done_ = 0;
            download(tasks);
        });
}

void sticker_transfer_category::download(const QList<download_task_spt>& tasks) {
    done_ = tasks_.size() - tasks.size();
    status_->setText(status_text::progress(syncing_files));
    if (tasks.isEmpty())
        return all_tasks_finished();
    download_->add_tasks(tasks);
    download_->start();
}

void sticker_transfer_category::show_count() {
    status_->setText(status_text::progress(
        QStringLiteral("%1(%2/%3)").arg(syncing_files).arg(done_).arg(tasks_.size())));
}

void sticker_transfer_category::task_finished(QString) {
    ++done_;
    show_count();
}

void sticker_transfer_category::task_failed(QString uri, QString) {
    for (const download_task_spt& task : std::as_const(tasks_))
        if (task->remote == uri && !failed_.contains(task))
            failed_ << task;
    ++done_;
    show_count();
}

void sticker_transfer_category::all_tasks_finished() {
    if (failed_.isEmpty()) {
        status_->setText(status_text::success(QStringLiteral("同步成功")));
        emit transfer_finished(placed_);
        return;
    }
    status_->setText(QStringLiteral("同步表情文件成功(<font color='green'>%1</font>)，失败(<font "
                                    "color='red'>%2</font>)")
                         .arg(tasks_.size() - failed_.size())
                         .arg(failed_.size()));
    retry_->show();
}

} // namespace quorvel
