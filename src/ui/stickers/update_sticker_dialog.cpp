#include "ui/stickers/update_sticker_dialog.h"

#include "model/data_center.h"
#include "net/actions/sticker_actions.h"
#include "sync/cache_manager.h"
#include "ui/widgets/status_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel {

update_sticker_dialog::update_sticker_dialog(const sticker_node_spt& sticker, QWidget* parent)
    : base_dialog(parent), sticker_(sticker), title_(new QLineEdit(this)),
      save_(new QPushButton(QStringLiteral("保存"), this)), status_(new QLabel(this)),
      actions_(new sticker_actions(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(QStringLiteral("修改表情"));
    auto* image = new QLabel(this);
    image->setFixedSize(220, 220);
    image->setScaledContents(true);
    image->setPixmap(QPixmap(cache_manager::instance()->sticker_path(sticker)));
    title_->setPlaceholderText(QStringLiteral("请在这里输入标题，搜索时会优先匹配标题"));
    title_->setText(sticker ? sticker->emojiContentDesc : QString());
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);

    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(20, 10, 20, 10);
    layout->addWidget(image, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(QStringLiteral("<font color='gray'>标题（可选）</font>"), this));
    layout->addWidget(title_);
    layout->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    add_content_layout(layout);

    connect(save_, &QPushButton::clicked, this, &update_sticker_dialog::save);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}

void update_sticker_dialog::save() {
    save_->setText(QStringLiteral("提交中"));
    save_->setEnabled(false);
    const QString title = title_->text();
    actions_->rename_sticker(sticker_, title, [this, title](const action_result_t& result) {
        save_->setText(QStringLiteral("保存"));
        save_->setEnabled(true);
        if (!result.ok) {
            status_->setText(status_text::failure(QStringLiteral("修改失败"), result.error));
            return;
        }
        status_->setText(status_text::success(QStringLiteral("修改成功")));
        auto updated = sticker_node_spt::create(*sticker_);
        updated->emojiContentDesc = updated->emojiContentMatchKeywords = title;
        emit sticker_update_requested(updated);
    });
}

} // namespace quorvel
