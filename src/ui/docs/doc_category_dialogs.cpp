#include "ui/docs/doc_category_dialogs.h"

#include "model/category_tree.h"
#include "net/actions/document_actions.h"
#include "ui/docs/doc_category_chooser.h"
#include "ui/widgets/plain_text.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel {

new_doc_category::new_doc_category(bool local, const QString& parent_id, QWidget* parent)
    : doc_request_dialog(
          local ? QStringLiteral("添加本地文档分类") : QStringLiteral("添加云文档分类"), parent),
      chooser_(new doc_category_chooser(true, this)), name_(new QLineEdit(this)) {
    chooser_->set_category(parent_id.isEmpty() ? top_level_id : parent_id);
    name_->setPlaceholderText(QStringLiteral("请输入分类名"));
    rows()->addWidget(
        new QLabel(QStringLiteral("提示：新建一级分类时，请在【一级分类】中选择顶级分类"), this));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("一级分类"), chooser_);
    form->addRow(QStringLiteral("分类名"), name_);
    rows()->addLayout(form);
    connect(confirm_button(), &QPushButton::clicked, this, [this] {
        begin();
        actions()->create_category(
            name_->text(), chooser_->category_id(),
            [this](const action_result_t& r, const category_node_spt& created) {
                if (!r.ok)
                    return fail(QStringLiteral("添加失败"), r.error);
                succeed(QStringLiteral("添加成功"));
                emit create_finished(created);
            });
    });
}

update_doc_category::update_doc_category(const category_node_spt& category, QWidget* parent)
    : doc_request_dialog(QStringLiteral("修改文档名称"), parent), category_(category),
      name_(new QLineEdit(this)) {
    if (category_)
        name_->setText(category_->classifyName);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("分类名"), name_);
    rows()->addLayout(form);
    connect(confirm_button(), &QPushButton::clicked, this, [this] {
        begin(QStringLiteral("提交中，请稍候..."));
        actions()->rename_category(category_, name_->text(), [this](const action_result_t& r) {
            if (!r.ok)
                return fail(QStringLiteral("修改失败"), r.error);
            succeed(QStringLiteral("修改成功"));
            emit update_finished(category_);
        });
    });
}

delete_doc_category::delete_doc_category(const category_node_spt& category, bool local,
                                         QWidget* parent)
    : doc_request_dialog(
          local ? QStringLiteral("删除本地文档分类") : QStringLiteral("删除云文档分类"), parent),
      category_(category) {
    set_confirm_text(QStringLiteral("确定"));
    for (const QString& text : {QStringLiteral("确定要删除文档分类 %1 吗")
                                    .arg(category_ ? category_->classifyName : QString()),
                                QStringLiteral("该分类下的文档都会被移除"),
                                QStringLiteral("文档关联的电脑文件不会被删除")})
        rows()->addWidget(plain_label(text, this));
    connect(confirm_button(), &QPushButton::clicked, this, [this] {
        begin(QStringLiteral("正在删除..."));
        actions()->delete_category(category_, [this](const action_result_t& r) {
            if (!r.ok)
                return fail(QStringLiteral("删除分类失败"), r.error);
            succeed(QStringLiteral("删除成功"));
            emit delete_finished();
        });
    });
}

} // namespace quorvel
