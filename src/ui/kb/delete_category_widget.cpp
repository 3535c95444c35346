#include "ui/kb/delete_category_widget.h"

#include "net/actions/category_actions.h"
#include "protocol/protocol.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/plain_text.h"
#include "ui/widgets/status_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace quorvel {

delete_category_widget::delete_category_widget(const category_node_spt& category, QWidget* parent)
    : base_dialog(parent), category_(category), warning_(new QLabel(this)),
      status_(new QLabel(this)), delete_(new custom_button(this)),
      close_button_(new custom_button(this)), actions_(new category_actions(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(QStringLiteral("删除类别"));

    const QString name = category_ ? category_->classifyName : QString();
    warning_->setText(warning_for(category_ ? category_->clientBusinessType : QString()));
    warning_->setVisible(!warning_->text().isEmpty());

    auto* bottom = status_text::bottom_row(status_, delete_, QStringLiteral("删除"), close_button_);

    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(10, 5, 10, 10);
    layout->setSpacing(15);
    layout->addWidget(new QLabel(QStringLiteral("确定要删除分类吗？"), this));
    layout->addWidget(plain_label(QStringLiteral("分类：%1").arg(name), this));
    layout->addWidget(warning_);
    layout->addLayout(bottom);
    add_content_layout(layout);

    connect(delete_, &QToolButton::clicked, this, &delete_category_widget::remove);
    connect(close_button_, &QToolButton::clicked, this, &QWidget::close);
}

QString delete_category_widget::warning_for(const QString& business_type) {
    if (business_type == QLatin1String(protocol::business::stickers))
        return QStringLiteral("注意：删除分类时会清空其下的所有表情！！！");
    if (business_type == QLatin1String(protocol::business::scripts))
        return QStringLiteral("注意：删除分类时会清空其下的所有子分类和话术！！！");
    if (business_type == QLatin1String(protocol::business::documents))
        return QStringLiteral("注意：删除分类时会清空其下的所有文档！！！");
    return {};
}

void delete_category_widget::remove() {
    delete_->setEnabled(false);
    status_->setText(status_text::progress(QStringLiteral("正在删除.....")));
    actions_->delete_category(category_, [this](const action_result_t& result,
                                                const category_node_spt& removed) {
        if (!result.ok) {
            status_->setText(status_text::failure(QStringLiteral("删除分类失败"), result.error));
            delete_->setEnabled(true);
            return;
        }
        // The category is gone: the button stays off.
        status_->setText(status_text::success(QStringLiteral("删除成功")));
        emit delete_finished(removed);
    });
}

} // namespace quorvel
