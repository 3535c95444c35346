#include "ui/settings/about_client_widget.h"

#include "app/versions.h"
#include "net/base_url.h"
#include "net/request_center.h"
#include "ui/update/update_guide_widget.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/message_box.h"

#include <QDesktopServices>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace quorvel {

namespace {

constexpr char support_phone[] = "400-000-0000";

QLabel* left_label(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

} // namespace

about_client_widget::about_client_widget(QWidget* parent)
    : QWidget(parent), update_(new custom_button(this)) {
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);

    auto* version = new QVBoxLayout;
    version->addWidget(left_label(application_version(), this));
    update_->setText(QStringLiteral("检查更新"));
    version->addWidget(update_);
    form->addRow(left_label(QStringLiteral("版本信息"), this), version);

    auto* help = new custom_button(this);
    help->setText(QStringLiteral("查看帮助"));
    form->addRow(left_label(QStringLiteral("常见问题"), this), help);

    auto* home = left_label(QStringLiteral("<a href=\"%1\">%1</a>").arg(website_url()), this);
    home->setTextInteractionFlags(Qt::TextBrowserInteraction);
    form->addRow(left_label(QStringLiteral("官方网站"), this), home);
    form->addRow(left_label(QStringLiteral("联系电话"), this),
                 left_label(QString::fromLatin1(support_phone), this));

    auto* qr = new QLabel(this);
    qr->setFixedSize(180, 180);
    qr->setPixmap(QPixmap(QStringLiteral(":/quorvel/icon/kefu.jpg"))
                      .scaled(180, 180, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    form->addRow(left_label(QStringLiteral("联系客服"), this), qr);

    connect(update_, &QToolButton::clicked, this, &about_client_widget::check_update);
    connect(help, &QToolButton::clicked, this, &about_client_widget::visit_help);
    connect(home, &QLabel::linkActivated, this, &about_client_widget::visit_home);
}

update_guide_widget* about_client_widget::update_dialog() const {
    return dialog_;
}

void about_client_widget::visit_help() {
    QDesktopServices::openUrl(QUrl(website_url()));
}

void about_client_widget::visit_home() {
    QDesktopServices::openUrl(QUrl(website_url()));
}

void about_client_widget::check_update() {
    if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    update_->setEnabled(false);
    request_center::instance()->check_version_update(
        is_intranet_build(), this,
        [this](const version_update_info_spt& info) {
            update_->setEnabled(true);
            if (!offered_is_newer(info->latestVersion)) {
                show_info_dialog(this, QStringLiteral("当前版本已是最新版本"));
                return;
            }
            dialog_ = open_update_dialog(info, this);
        },
        [this](const QString&) {
            update_->setEnabled(true);
            show_notice(this, QStringLiteral("检查更新失败"));
        });
}

} // namespace quorvel
