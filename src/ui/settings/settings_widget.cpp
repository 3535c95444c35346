#include "ui/settings/settings_widget.h"

#include "app/app_paths.h"
#include "app/settings_store.h"
#include "platform/autorun.h"
#include "ui/settings/about_client_widget.h"
#include "ui/settings/account_setting_widget.h"
#include "ui/settings/clouddoc_setting_widget.h"
#include "ui/settings/common_setting_widget.h"
#include "ui/settings/follow_setting_widget.h"
#include "ui/settings/kb_setting_widget.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScreen>

namespace quorvel {

settings_widget::settings_widget(QWidget* parent)
    : base_dialog(parent),
      settings_(std::make_unique<settings_store>(app_paths::instance().settings_file())),
      list_(new QListWidget(this)), pages_(new QStackedLayout) {
    set_title(QStringLiteral("Quorvel设置中心"));
    setFixedSize(400, 600);
    setAttribute(Qt::WA_DeleteOnClose);

    list_->setFrameShape(QFrame::NoFrame);
    list_->setSpacing(5);
    QFont font = list_->font();
    font.setPointSize(11);
    list_->setFont(font);
    auto* separator = new QLabel(this);
    separator->setFixedWidth(1);
    separator->setStyleSheet(QStringLiteral("background-color: gray;"));

    auto* account = new account_setting_widget(this);
    connect(account, &account_setting_widget::logout_requested, this,
            &settings_widget::logout_requested);
    add_page(QStringLiteral("账号设置"), account);
    add_page(QStringLiteral("通用设置"),
             new common_setting_widget(
                 platform::make_autorun_switch(QApplication::applicationFilePath().toStdString()),
                 this));
    add_page(QStringLiteral("吸附设置"), new follow_setting_widget(*settings_, this));
    add_page(QStringLiteral("知识库设置"), new kb_setting_widget(*settings_, this));
    add_page(QStringLiteral("云文档设置"), new clouddoc_setting_widget(*settings_, this));
    add_page(QStringLiteral("高级设置"), new advance_setting_widget(*settings_, this));
    add_page(QStringLiteral("关于Quorvel"), new about_client_widget(this));
    fit_list_width();
    list_->setCurrentRow(0);
    connect(list_, &QListWidget::currentRowChanged, pages_, &QStackedLayout::setCurrentIndex);

    auto* list_box = new QVBoxLayout;
    list_box->setContentsMargins(20, 20, 20, 0);
    list_box->addWidget(list_);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addLayout(list_box);
    row->addWidget(separator);
    row->addLayout(pages_, 1);
    add_content_layout(row);

    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

settings_widget::~settings_widget() = default;

void settings_widget::add_page(const QString& title, QWidget* page) {
    auto* item = new QListWidgetItem(title, list_);
    item->setTextAlignment(Qt::AlignCenter);
    pages_->addWidget(page);
}

void settings_widget::fit_list_width() {
    const QFontMetrics metrics(list_->font());
    int widest = 0;
    for (int i = 0; i < list_->count(); ++i) {
        const QListWidgetItem* item = list_->item(i);
        widest = std::max(widest, metrics.horizontalAdvance(item->text()) + 20 +
                                      (item->icon().isNull() ? 0 : 24));
    }
    list_->setMinimumWidth(widest);
}

} // namespace quorvel
