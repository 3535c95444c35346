#include "ui/stickers/new_sticker_category.h"

#include "app/event_bus.h"
#include "app/event_names.h"
#include "net/actions/sticker_category_actions.h"
#include "ui/library/select_department_menu.h"
#include "ui/stickers/scope_choice.h"
#include "ui/widgets/status_text.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quorvel {

new_sticker_category::new_sticker_category(int type, QWidget* parent)
    : base_dialog(parent), scopes_(new scope_choice({0, 1, 2})), name_(new QLineEdit(this)),
      save_(new QPushButton(QStringLiteral("保存"), this)), status_(new QLabel(this)),
      actions_(new sticker_category_actions(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(QStringLiteral("新建分类"));
    name_->setPlaceholderText(QStringLiteral("请在这里输入分类名"));
    scopes_->department()->hide(); // the department is the one the page shows
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    auto* form = new QFormLayout;
    form->setContentsMargins(15, 15, 15, 15);
    form->addRow(QStringLiteral("类  别"), scopes_);
    form->addRow(QStringLiteral("分类名"), name_);
    form->addRow(status_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(close);
    form->addRow(buttons);
    add_content_layout(form);
    scopes_->set_scope(type);
    connect(save_, &QPushButton::clicked, this, &new_sticker_category::save);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
}

void new_sticker_category::save() {
    const QString name = name_->text().trimmed();
    if (name.isEmpty()) {
        status_->setText(status_text::failure(QStringLiteral("分类名不能为空"), QString()));
        return;
    }
    save_->setText(QStringLiteral("提交中"));
    save_->setEnabled(false);
    actions_->create_category(
        name, scopes_->scope(), current_sticker_dept(),
        [this](const action_result_t& result, const category_node_spt& created) {
            save_->setText(QStringLiteral("保存"));
            save_->setEnabled(true);
            if (!result.ok) {
                status_->setText(status_text::failure(QStringLiteral("操作失败"), result.error));
                return;
            }
            event_bus::instance()->post(QLatin1String(events::sticker_category_created),
                                        {QVariant::fromValue(created)});
            status_->setText(status_text::success(QStringLiteral("操作成功")));
        });
}

} // namespace quorvel
