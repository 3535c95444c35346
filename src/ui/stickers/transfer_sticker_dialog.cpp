#include "ui/stickers/transfer_sticker_dialog.h"

#include "net/actions/sticker_actions.h"
#include "protocol/protocol.h"
#include "ui/library/select_department_menu.h"
#include "ui/stickers/scope_choice.h"
#include "ui/widgets/status_text.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace quorvel {

transfer_sticker_dialog::transfer_sticker_dialog(const sticker_node_spt& sticker, bool copy,
                                                 QWidget* parent)
    : base_dialog(parent), sticker_(sticker), copy_(copy), scopes_(new scope_choice({0, 1, 2})),
      categories_(new QComboBox(this)), save_(new QPushButton(QStringLiteral("保存"), this)),
      status_(new QLabel(this)), actions_(new sticker_actions(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(copy ? QStringLiteral("复制表情") : QStringLiteral("移动表情"));
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    auto* form = new QFormLayout;
    form->setContentsMargins(20, 20, 20, 10);
    form->addRow(QStringLiteral("类别"), scopes_);
    form->addRow(QStringLiteral("部门"), scopes_->department());
    form->addRow(QStringLiteral("分类"), categories_);
    form->addRow(status_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(close);
    form->addRow(buttons);
    add_content_layout(form);

    connect(scopes_, &scope_choice::changed, this, &transfer_sticker_dialog::fill_categories);
    connect(save_, &QPushButton::clicked, this, &transfer_sticker_dialog::save);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    scopes_->set_scope(0);
}

void transfer_sticker_dialog::fill_categories() {
    const bool dept = scopes_->scope() == int(protocol::part::dept);
    scopes_->department()->setEnabled(dept);
    categories_->clear();
    for (const category_node_spt& c :
         top_sticker_categories(scopes_->scope(), dept ? scopes_->dept_id() : QString()))
        categories_->addItem(c->classifyName, c->id);
}

void transfer_sticker_dialog::save() {
    const QString target = categories_->currentData().toString();
    if (target.isEmpty()) {
        status_->setText(status_text::failure(QStringLiteral("请选择分类"), QString()));
        return;
    }
    save_->setEnabled(false);
    const bool dept = scopes_->scope() == int(protocol::part::dept);
    actions_->transfer_sticker(
        sticker_, copy_, target, dept ? scopes_->dept_id() : QString(),
        [this](const action_result_t& result, const sticker_node_spt& placed) {
            save_->setEnabled(true);
            if (!result.ok) {
                status_->setText(status_text::failure(QStringLiteral("操作失败"), result.error));
                return;
            }
            status_->setText(status_text::success(QStringLiteral("操作成功")));
            emit sticker_transfer_requested(placed);
        });
}

} // namespace quorvel
