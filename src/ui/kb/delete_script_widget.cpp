#include "ui/kb/delete_script_widget.h"

#include "integration/cached_document.h"
#include "net/actions/script_actions.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/status_text.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvel {

namespace {

custom_button* dialog_button(const QString& text) {
    auto* button = new custom_button;
    button->setText(text);
    button->setFixedSize(80, 30);
    return button;
}

} // namespace

delete_script_widget::delete_script_widget(const script_node_spt& script, QWidget* parent)
    : base_dialog(parent), script_(script), status_(new QLabel),
      delete_(dialog_button(QStringLiteral("删除"))), close_(dialog_button(QStringLiteral("关闭"))),
      scripts_(new script_actions(this)) {
    set_title(QStringLiteral("删除话术"));
    setFixedSize(400, 200);
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(new QLabel(QStringLiteral("确实要删除话术吗？")));
    // The content drawn as written, without images from outside the cache.
    layout->addWidget(
        new QLabel(script ? without_foreign_images(script->speechContent) : QString()));
    layout->addWidget(new QLabel(QStringLiteral("提示：话术误删除后，请通过后台回收站找回")));
    auto* actions = new QHBoxLayout;
    actions->setSpacing(10);
    actions->addWidget(status_);
    actions->addStretch();
    actions->addWidget(delete_);
    actions->addWidget(close_);
    layout->addLayout(actions);
    add_content_layout(layout);
    connect(delete_, &QToolButton::clicked, this, &delete_script_widget::on_delete);
    connect(close_, &QToolButton::clicked, this, &QWidget::close);
}

void delete_script_widget::on_delete() {
    delete_->setEnabled(false);
    scripts_->delete_script(script_, [this](const action_result_t& result) {
        if (!result.ok) {
            status_->setText(status_text::failure(QStringLiteral("删除失败"), result.error));
            delete_->setEnabled(true);
            return;
        }
        emit delete_script_finished();
        status_->setText(status_text::success(QStringLiteral("删除成功")));
        delete_->hide();
    });
}

} // namespace quorvel
