#include "ui/docs/doc_dialogs.h"

#include "model/data_center.h"
#include "net/actions/document_actions.h"
#include "ui/docs/doc_category_chooser.h"
#include "ui/widgets/plain_text.h"
#include "ui/widgets/status_text.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel {

file_name_validator::file_name_validator(QObject* parent)
    : QRegularExpressionValidator(QRegularExpression(QStringLiteral("^[^<>:\"/\\\\|?*]*$")),
                                  parent) {}

doc_request_dialog::doc_request_dialog(const QString& title, QWidget* parent)
    : base_dialog(parent), rows_(new QVBoxLayout), status_(new QLabel(this)),
      confirm_(new QPushButton(QStringLiteral("保存"), this)),
      close_(new QPushButton(QStringLiteral("关闭"), this)), actions_(new document_actions(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(title);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(20, 20, 20, 20);
    body->setSpacing(15);
    body->addLayout(rows_);
    status_->setWordWrap(true);
    body->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(20);
    buttons->addStretch();
    buttons->addWidget(confirm_);
    buttons->addWidget(close_);
    body->addLayout(buttons);
    add_content_layout(body);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
}

void doc_request_dialog::set_confirm_text(const QString& text) {
    confirm_->setText(text);
}

void doc_request_dialog::begin(const QString& progress) {
    confirm_->setEnabled(false);
    status_->setText(progress.isEmpty() ? QString() : status_text::progress(progress));
}

void doc_request_dialog::succeed(const QString& text) {
    status_->setText(text.isEmpty() ? QString() : status_text::success(text));
}

void doc_request_dialog::fail(const QString& text, const QString& reason) {
    confirm_->setEnabled(true);
    status_->setText(status_text::failure(text, reason));
}

// ---- edit ----

update_doc_item_dialog::update_doc_item_dialog(const doc_node_spt& doc, QWidget* parent)
    : doc_request_dialog(QStringLiteral("修改文档信息"), parent), doc_(doc),
      name_(new QLineEdit(this)), keywords_(new QLineEdit(this)) {
    name_->setValidator(new file_name_validator(name_));
    if (doc_) {
        name_->setText(doc_->fileName);
        keywords_->setText(doc_->keywords);
    }
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("文件名"), name_);
    form->addRow(QStringLiteral("关键词"), keywords_);
    rows()->addLayout(form);
    connect(confirm_button(), &QPushButton::clicked, this, &update_doc_item_dialog::save);
}

void update_doc_item_dialog::save() {
    begin();
    actions()->edit_doc(doc_, name_->text(), keywords_->text(), [this](const action_result_t& r) {
        if (!r.ok)
            return fail(QStringLiteral("修改失败"), r.error);
        succeed(QStringLiteral("修改成功"));
        emit update_finished(doc_);
    });
}

// ---- delete ----

delete_doc_dialog::delete_doc_dialog(const doc_node_spt& doc, QWidget* parent)
    : doc_request_dialog(QStringLiteral("删除文档"), parent), doc_(doc) {
    set_confirm_text(QStringLiteral("删除"));
    auto* question = plain_label(
        QStringLiteral("确定要删除文档（%1）吗？").arg(doc_ ? doc_->fileName : QString()), this);
    question->setWordWrap(true);
    rows()->addWidget(question);
    connect(confirm_button(), &QPushButton::clicked, this, [this] {
        begin();
        actions()->delete_doc(doc_, [this](const action_result_t& r) {
            if (!r.ok)
                return fail(QStringLiteral("删除失败"), r.error);
            succeed(QStringLiteral("删除成功"));
            emit delete_finished();
        });
    });
}

// ---- copy and move ----

doc_transfer_dialog::doc_transfer_dialog(const doc_node_spt& doc, bool copy, QWidget* parent)
    : doc_request_dialog(copy ? QStringLiteral("复制文档") : QStringLiteral("移动文档"), parent),
      doc_(doc), copy_(copy), chooser_(new doc_category_chooser(false, this)) {
    if (doc_)
        chooser_->set_category(doc_->classifyId);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("所属分类"), chooser_);
    rows()->addLayout(form);
    connect(confirm_button(), &QPushButton::clicked, this, [this] {
        begin();
        actions()->transfer_doc(
            doc_, copy_, chooser_->category_id(), [this](const action_result_t& r) {
                if (!r.ok)
                    return fail(copy_ ? QStringLiteral("复制失败") : QStringLiteral("移动失败"),
                                r.error);
                succeed(QString());
                emit transfer_finished(doc_);
                close();
            });
    });
}

} // namespace quorvel
