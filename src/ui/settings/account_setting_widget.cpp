#include "ui/settings/account_setting_widget.h"

#include "model/data_center.h"
#include "model/session_state.h"
#include "net/base_url.h"
#include "net/request_center.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/plain_text.h"

#include <QDebug>
#include <QDesktopServices>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace quorvel {

account_setting_widget::account_setting_widget(QWidget* parent)
    : QWidget(parent), manage_(new custom_button(this)), logout_(new custom_button(this)) {
    const session_state& login = session_state::instance();
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("用户名称："), plain_label(login.user_name(), this));
    form->addRow(QStringLiteral("登录账号："), plain_label(login.account(), this));
    form->addRow(QStringLiteral("所属部门："), plain_label(login.dept_name(), this));

    auto* row = new QHBoxLayout;
    row->setContentsMargins(20, 20, 20, 20);
    row->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    for (auto [button, text] : {std::pair{manage_, "管理后台"}, std::pair{logout_, "退出登录"}}) {
        button->setText(QString::fromUtf8(text));
        button->setFixedSize(130, 30);
        row->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(row);
    layout->addStretch();
    connect(manage_, &QToolButton::clicked, this, &account_setting_widget::visit_manage_page);
    connect(logout_, &QToolButton::clicked, this, &account_setting_widget::logout_requested);
}

void account_setting_widget::visit_manage_page() {
    manage_->setEnabled(false);
    request_center::instance()->get_manage_page_url(
        is_intranet_build(), this,
        [this](const QString& address) {
            manage_->setEnabled(true);
            // Without a browser the click would do nothing at all: give the
            // one-time link to open elsewhere.
            if (!QDesktopServices::openUrl(QUrl(address)))
                show_notice(this,
                            QStringLiteral("无法打开浏览器，请在浏览器中打开：\n%1").arg(address));
        },
        [this](const QString& message) {
            manage_->setEnabled(true);
            qDebug() << "manage page address failed:" << message;
            show_notice(this, QStringLiteral("获取管理页地址失败，请稍后再试"));
        });
}

} // namespace quorvel
