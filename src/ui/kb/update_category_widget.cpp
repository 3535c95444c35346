#include "ui/kb/update_category_widget.h"

#include "net/actions/category_actions.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/status_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace quorvel {

namespace {
const QString save_text = QStringLiteral("保存");
}

update_category_widget::update_category_widget(const category_node_spt& category, QWidget* parent)
    : base_dialog(parent), category_(category), name_(new QLineEdit(this)),
      status_(new QLabel(this)), save_(new custom_button(this)),
      close_button_(new custom_button(this)), actions_(new category_actions(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(QStringLiteral("修改分类"));

    name_->setPlaceholderText(QStringLiteral("请在这里输入分类名"));
    if (category_)
        name_->setText(category_->classifyName);
    auto* name_row = new QHBoxLayout;
    name_row->addWidget(new QLabel(QStringLiteral("分类名"), this));
    name_row->addWidget(name_);

    auto* bottom = status_text::bottom_row(status_, save_, save_text, close_button_);

    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(15);
    layout->addLayout(name_row);
    layout->addStretch();
    layout->addLayout(bottom);
    add_content_layout(layout);

    connect(save_, &QToolButton::clicked, this, &update_category_widget::save);
    connect(close_button_, &QToolButton::clicked, this, &QWidget::close);
}

void update_category_widget::save() {
    save_->setText(QStringLiteral("提交中"));
    save_->setEnabled(false);
    // A blank name keeps the old one; the action trims and falls back.
    actions_->rename_category(
        category_, name_->text(),
        [this](const action_result_t& result, const category_node_spt& renamed) {
            save_->setEnabled(true);
            save_->setText(save_text);
            if (!result.ok) {
                // This one keeps "原因：" even without a reason text.
                status_->setText(
                    QStringLiteral(
                        "<span style = 'color: red; font-weight: bold;'>修改失败，原因：%1</span>")
                        .arg(result.error.toHtmlEscaped()));
                return;
            }
            status_->setText(status_text::success(QStringLiteral("操作成功")));
            emit update_finished(renamed);
        });
}

} // namespace quorvel
