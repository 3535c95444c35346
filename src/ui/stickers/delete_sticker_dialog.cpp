#include "ui/stickers/delete_sticker_dialog.h"

#include "net/actions/sticker_actions.h"
#include "ui/widgets/plain_text.h"
#include "ui/widgets/status_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel {

delete_sticker_dialog::delete_sticker_dialog(const sticker_node_spt& sticker, QWidget* parent)
    : base_dialog(parent), sticker_(sticker),
      delete_(new QPushButton(QStringLiteral("删除"), this)), status_(new QLabel(this)),
      actions_(new sticker_actions(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(QStringLiteral("删除表情"));
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addWidget(new QLabel(QStringLiteral("确实要删除表情吗？"), this));
    layout->addWidget(plain_label(
        QStringLiteral("关键词：%1").arg(sticker ? sticker->emojiContentMatchKeywords : QString()),
        this));
    layout->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(delete_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    add_content_layout(layout);
    connect(delete_, &QPushButton::clicked, this, &delete_sticker_dialog::remove);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}

void delete_sticker_dialog::remove() {
    delete_->setEnabled(false);
    actions_->delete_sticker(sticker_, [this](const action_result_t& result) {
        if (!result.ok) {
            status_->setText(status_text::failure(QStringLiteral("删除失败"), result.error));
            delete_->setEnabled(true);
            return;
        }
        status_->setText(status_text::success(QStringLiteral("删除成功")));
        delete_->hide();
        emit sticker_delete_requested(sticker_);
    });
}

} // namespace quorvel
