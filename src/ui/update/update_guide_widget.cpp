#include "ui/update/update_guide_widget.h"

#include "app/app_paths.h"
#include "app/logger.h"
#include "app/settings_store.h"
#include "app/versions.h"
#include "platform/installer.h"
#include "platform/named_mutex.h"
#include "sync/batch_download.h"
#include "ui/shell_actions.h"
#include "ui/update/update_notice.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/message_box.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

// The folder above the running program's bin/: where an installer that asks
// for one puts the new version.
QString install_prefix() {
    return QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).absolutePath();
}

QStringList installer_arguments(bool silent) {
    QStringList args;
    for (const std::string& a : platform::installer_arguments(silent, utf8(install_prefix())))
        args << QString::fromStdString(a);
    return args;
}

} // namespace

update_guide_widget::update_guide_widget(const version_update_info_spt& info, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog), info_(info),
      message_(new QLabel(this)), progress_(new QProgressBar(this)) {
    setFixedSize(564, 382);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("版本升级"), this));
    auto* logo = new QLabel(this);
    logo->setPixmap(QPixmap(QStringLiteral(":/images/icon/logo.png"))
                        .scaled(128, 128, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    layout->addWidget(logo, 0, Qt::AlignHCenter);
    layout->addWidget(
        new QLabel(QStringLiteral("<font size='14' bold='true'>Quorvel</font>"), this), 0,
        Qt::AlignHCenter);

    auto* column = new QVBoxLayout;
    column->setContentsMargins(40, 0, 40, 0);
    QFont font = message_->font();
    font.setPointSize(12);
    message_->setFont(font);
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText); // release notes are shown as written
    message_->setText(info_->releaseNotes);
    column->addWidget(message_);
    progress_->setRange(0, 100);
    progress_->setFixedHeight(30);
    progress_->hide();
    column->addWidget(progress_);
    layout->addLayout(column);
    layout->addStretch();

    auto* row = new QHBoxLayout;
    row->setSpacing(20);
    row->addStretch();
    ignore_ = add_button(QStringLiteral("忽略本次更新"));
    later_ = add_button(QStringLiteral("稍后处理"));
    update_ = add_button(QStringLiteral("立刻更新"));
    close_ = add_button(QStringLiteral("关闭"));
    website_ = add_button(QStringLiteral("前往官网"));
    cancel_ = add_button(QStringLiteral("取消"));
    for (QToolButton* b : {ignore_, later_, update_, close_, website_, cancel_})
        row->addWidget(b);
    row->addStretch();
    layout->addLayout(row);
    for (QToolButton* b : {close_, website_, cancel_})
        b->hide();

    connect(ignore_, &QToolButton::clicked, this, &update_guide_widget::ignore_current_version);
    connect(later_, &QToolButton::clicked, this, &update_guide_widget::delay_update);
    connect(update_, &QToolButton::clicked, this, &update_guide_widget::update_now);
    connect(close_, &QToolButton::clicked, this, &QDialog::close);
    connect(website_, &QToolButton::clicked, this, &update_guide_widget::visit_website);
    connect(cancel_, &QToolButton::clicked, this, &update_guide_widget::cancel_download);
    show_offer();
}

update_guide_widget::~update_guide_widget() = default;

void update_guide_widget::hold_mutex(std::unique_ptr<platform::named_mutex> mutex) {
    mutex_ = std::move(mutex);
}

QToolButton* update_guide_widget::add_button(const QString& text) {
    auto* b = new custom_button(this);
    b->setText(text);
    b->setFixedSize(100, 30);
    return b;
}

void update_guide_widget::show_offer() {
    if (!is_update_version(info_->latestVersion)) {
        refuse(offer_refusal(*info_));
        return;
    }
    if (!offered_is_newer(info_->latestVersion)) {
        message_->setText(QStringLiteral("当前已是最新版本"));
        close_->show();
        for (QToolButton* b : {ignore_, later_, update_})
            b->hide();
        return;
    }
    if (const QString refusal = offer_refusal(*info_); !refusal.isEmpty()) {
        refuse(refusal);
        return;
    }
    if (offer_refused_before(*info_)) {
        refuse(bad_signature_text());
        return;
    }
    if (info_->isForceUpdate) {
        ignore_->hide();
        later_->hide();
    }
}

void update_guide_widget::refuse(const QString& text) {
    // Not an offer: nothing to install, so even a forced one may be closed;
    // said once, the start-up does not offer it again.
    refused_ = true;
    remember_refused_offer(*info_);
    for (QWidget* w :
         std::initializer_list<QWidget*>{ignore_, later_, update_, website_, cancel_, progress_})
        w->hide();
    message_->setText(text);
    message_->show();
    close_->show();
}

void update_guide_widget::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::gray);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool update_guide_widget::closable() const {
    return refused_ || !info_->isForceUpdate;
}

void update_guide_widget::closeEvent(QCloseEvent* event) {
    if (!closable())
        event->ignore();
    else
        event->accept();
}

void update_guide_widget::reject() {
    if (closable())
        QDialog::reject();
}

void update_guide_widget::ignore_current_version() {
    write_ignored_version(app_paths::instance().update_state_file(), info_->latestVersion);
    close();
}

void update_guide_widget::delay_update() {
    write_remind_time(app_paths::instance().update_state_file(),
                      shell_actions().now_seconds() + 345600); // four days
    close();
}

void update_guide_widget::update_now() {
    if (const QString refusal = offer_refusal(*info_); !refusal.isEmpty()) {
        refuse(refusal);
        return;
    }
    const app_paths& paths = app_paths::instance();
    installer_ = paths.installer_path(info_->latestVersion);
    if (paths.installer_matches(info_->latestVersion, info_->sha256)) {
        do_update();
        return;
    }
    // A file of the standard name that is not the installer stays untouched.
    if (QFile::exists(installer_))
        installer_ = paths.fallback_installer_path(info_->latestVersion);
    start_download();
}

void update_guide_widget::start_download() {
    for (QWidget* w : std::initializer_list<QWidget*>{ignore_, later_, update_, message_})
        w->hide();
    cancel_->show();
    progress_->setValue(0);
    progress_->show();
    download_ = new batch_download(this);
    download_->set_root(app_paths::instance().update_dir());
    download_->set_size_limit(info_->fileSize);
    connect(download_, &batch_download::task_finished, this, &update_guide_widget::do_update);
    connect(download_, &batch_download::task_progress, this,
            &update_guide_widget::download_progress);
    connect(download_, &batch_download::task_failed, this, &update_guide_widget::download_failed);
    download_->add_task(1, info_->fileId, installer_);
    download_->start();
}

void update_guide_widget::download_progress(QString, qint64 received_bytes, qint64 total_bytes) {
    if (total_bytes <= 0) {
        progress_->setValue(0);
        return;
    }
    progress_->setValue(
        static_cast<int>(std::clamp<qint64>(received_bytes * 100 / total_bytes, 0, 100)));
}

void update_guide_widget::do_update() {
    switch (check_installer(installer_, *info_)) {
    case installer_state_t::valid:
        break;
    case installer_state_t::damaged:
        QFile::remove(installer_); // a download that is not the offered file is not kept
        show_notice(this, QStringLiteral("安装包文件不完整，请重新下载"));
        return;
    case installer_state_t::bad_signature:
        QFile::remove(installer_);
        refuse(bad_signature_text());
        return;
    }
    // A downloaded script arrives without the execute bit.
    QFile::setPermissions(installer_,
                          QFile::permissions(installer_) | QFile::ExeOwner | QFile::ExeUser);
    if (!shell_actions().start_detached(installer_, installer_arguments(info_->isSilentInstall))) {
        spdlog::warn("start {} failed", utf8(installer_));
        return;
    }
    spdlog::warn("start install success");
    shell_actions().quit_application();
}

void update_guide_widget::download_failed() {
    progress_->hide();
    cancel_->hide();
    message_->setText(QStringLiteral("升级出现问题，请到官网下载或继续使用旧版本"));
    message_->show();
    website_->show();
    close_->show();
}

void update_guide_widget::visit_website() {
    close();
}

void update_guide_widget::cancel_download() {
    if (download_)
        download_->abort();
    close();
}

update_guide_widget* open_update_dialog(const version_update_info_spt& info, QWidget* parent) {
    auto mutex = std::make_unique<platform::named_mutex>(installer_mutex_name);
    if (!mutex->valid()) {
        spdlog::warn("installer mutex unavailable: {}", mutex->error_text());
        return nullptr;
    }
    auto* dialog = new update_guide_widget(info, parent);
    dialog->hold_mutex(std::move(mutex));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    return dialog;
}

} // namespace quorvel
