#include "ui/login_widget.h"

#include "model/data_center.h"
#include "model/session_state.h"
#include "net/base_url.h"
#include "net/request_center.h"
#include "net/sign_in.h"
#include "session/offline_session.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

int dots = 0; // continues from one login attempt to the next

const QString waiting = QStringLiteral("正在登录，请稍候");

} // namespace

QString progress_text(const QString& text) {
    return QStringLiteral("<span style = 'color: gray;'>%1</span>").arg(text);
}

QString success_text(const QString& text) {
    return QStringLiteral("<span style = 'color: green; font-weight: bold;'>%1</span>").arg(text);
}

QString error_text(const QString& text, const QString& reason) {
    if (reason.isEmpty())
        return QStringLiteral("<span style = 'color: red; font-weight: bold;'>%1</span>").arg(text);
    return QStringLiteral("<span style = 'color: red; font-weight: bold;'>%1，原因：%2</span>")
        .arg(text, reason);
}

QString login_widget::title_for(const QString& version, const QString& base_address) {
    return version + (base_address.startsWith(QLatin1String("http://192"))
                          ? QStringLiteral("（内网版）")
                          : QStringLiteral("（外网版）"));
}

int login_widget::dot_counter() {
    return dots;
}

login_widget::login_widget(QWidget* parent)
    : base_dialog(parent), user_(new QLineEdit), password_(new QLineEdit),
      login_(new QPushButton(QStringLiteral("登录"))),
      offline_(new QPushButton(QStringLiteral("离线使用"))), status_(new QLabel) {
    set_title(title_for(QCoreApplication::applicationVersion(), base_url()));

    auto* content = new QVBoxLayout;
    content->setContentsMargins(0, 0, 0, 0);

    auto* header = new QWidget;
    header->setStyleSheet(QStringLiteral("background-color: #1E92FF;"));
    auto* header_row = new QHBoxLayout(header);
    header_row->setAlignment(Qt::AlignCenter);
    auto* logo = new QLabel;
    logo->setFixedSize(98, 98);
    logo->setPixmap(QPixmap(QStringLiteral(":/images/icon/logo.png"))
                        .scaled(98, 98, Qt::KeepAspectRatio, Qt::FastTransformation));
    auto* caption = new QLabel(QStringLiteral("Quorvel   话术在手，回复不愁"));
    QFont caption_font = caption->font();
    caption_font.setPointSize(16);
    caption->setFont(caption_font);
    caption->setStyleSheet(QStringLiteral("color: white;"));
    header_row->addWidget(logo);
    header_row->addWidget(caption);

    auto* body = new QWidget;
    auto* body_layout = new QVBoxLayout(body);
    auto* column = new QVBoxLayout;
    column->setSpacing(20);
    user_->setPlaceholderText(QStringLiteral("请输入用户名"));
    user_->setFixedHeight(30);
    password_->setPlaceholderText(QStringLiteral("请输入密码"));
    password_->setEchoMode(QLineEdit::Password);
    password_->setFixedHeight(30);
    login_->setFixedHeight(30);
    QFont button_font = login_->font();
    button_font.setPointSize(12);
    login_->setFont(button_font);
    column->addWidget(user_);
    column->addWidget(password_);
    column->addWidget(login_);
    offline_->setFixedHeight(30);
    offline_->setAutoDefault(false);
    offline_->hide();
    column->addWidget(offline_);
    body_layout->addStretch();
    body_layout->addLayout(column);
    body_layout->addStretch();
    auto* status_row = new QHBoxLayout;
    status_row->setAlignment(Qt::AlignCenter);
    status_->setTextFormat(Qt::RichText);
    status_row->addWidget(status_);
    body_layout->addLayout(status_row);

    content->addWidget(header, 1);
    content->addWidget(body, 1);
    add_content_layout(content);
    setFixedSize(430, 370);

    connect(login_, &QPushButton::clicked, this, &login_widget::on_login_clicked);
    connect(offline_, &QPushButton::clicked, this, &login_widget::on_offline_clicked);
    // Return is handled by the fields themselves; as the dialog's default
    // button the login button would be clicked a second time.
    login_->setAutoDefault(false);
    connect(user_, &QLineEdit::returnPressed, this, &login_widget::on_user_return);
    connect(password_, &QLineEdit::returnPressed, login_, &QPushButton::click);
    // Without this the dialog gives the focus to its title bar's close button.
    user_->setFocus();
}

void login_widget::showEvent(QShowEvent* event) {
    base_dialog::showEvent(event);
    // Typing goes into the first field still to fill in.
    (user_->text().trimmed().isEmpty() ? user_ : password_)->setFocus(Qt::OtherFocusReason);
    activateWindow();
}

void login_widget::on_user_return() {
    if (password_->text().isEmpty())
        password_->setFocus(Qt::TabFocusReason);
    else
        login_->click();
}

void login_widget::on_login_clicked() {
    const QString account = user_->text().trimmed();
    const QString password = password_->text().trimmed();
    if (account.isEmpty() || password.isEmpty()) {
        status_->setText(error_text(QStringLiteral("请填写用户名和密码")));
        return;
    }
    keep_focus_in_fields();
    login_->setEnabled(false);
    status_->setText(progress_text(waiting));
    timer_ = new QTimer(this);
    timer_->setInterval(400);
    connect(timer_, &QTimer::timeout, this, &login_widget::on_tick);
    timer_->start();

    offline_->hide();

    sign_in(account, password, this, [this, account, password](const login_outcome_t& outcome) {
        if (outcome.failure == login_failure::unreachable) {
            offer_offline(account, password);
            return;
        }
        if (!outcome.ok()) {
            fail(login_failure_reason(outcome.failure));
            return;
        }
        request_center::instance()->get_login_info(
            QString(), this,
            [this, account, password](const user_login_info_spt& profile) {
                session_state::instance().set_login_user(profile);
                offline_session::instance().remember_login(account, password);
                stop_timer();
                emit login_success();
                close();
            },
            [this](const QString&) { fail(login_failure_reason(login_failure::server_error)); });
    });
}

// A button that is disabled or hidden hands the focus to the next one in
// the chain, the title bar's close button, where the next Space would end
// the client: the password field takes it instead.
void login_widget::keep_focus_in_fields() {
    if (QWidget* focused = focusWidget(); focused == login_ || focused == offline_)
        password_->setFocus(Qt::OtherFocusReason);
}

void login_widget::on_tick() {
    dots = (dots + 1) % 4;
    status_->setText(waiting + QString(dots, QLatin1Char('.')));
}

void login_widget::stop_timer() {
    if (!timer_)
        return;
    timer_->stop();
    timer_->deleteLater();
    timer_ = nullptr;
}

void login_widget::fail(const QString& reason) {
    stop_timer();
    login_->setEnabled(true);
    status_->setText(error_text(QStringLiteral("登录失败"), reason));
}

// No server: the saved library may stand in, with the password checked
// against the hash of the last online login.
void login_widget::offer_offline(const QString& account, const QString& password) {
    const QString unreachable = login_failure_reason(login_failure::unreachable);
    // Over an open main window (a renewed login) the store is in use.
    if (parentWidget()) {
        fail(unreachable);
        return;
    }
    const offline_session::access access = offline_session::instance().check(account, password);
    spdlog::info("server unreachable, offline login {}",
                 access == offline_session::access::allowed         ? "offered"
                 : access == offline_session::access::no_library    ? "refused: no saved library"
                 : access == offline_session::access::other_account ? "refused: another account's"
                                                                      " library"
                                                                    : "refused: wrong password");
    switch (access) {
    case offline_session::access::no_library:
    case offline_session::access::other_account:
        fail(unreachable + QStringLiteral("，本机没有该账号的离线资料"));
        return;
    case offline_session::access::wrong_password:
        fail(unreachable + QStringLiteral("，密码与上次在线登录时不符"));
        return;
    case offline_session::access::allowed:
        stop_timer();
        login_->setEnabled(true);
        status_->setText(error_text(unreachable + QStringLiteral("，可离线使用上次同步的资料")));
        offline_->show();
        offline_->setFocus(Qt::OtherFocusReason); // Space or Return takes it
        return;
    }
}

void login_widget::on_offline_clicked() {
    const QString account = user_->text().trimmed();
    const QString password = password_->text().trimmed();
    keep_focus_in_fields();
    offline_->hide();
    if (offline_session::instance().check(account, password) != offline_session::access::allowed) {
        fail(QStringLiteral("离线资料与填写的账号或密码不符"));
        return;
    }
    if (!offline_session::instance().start_offline(account, password)) {
        fail(QStringLiteral("离线资料无法读取"));
        return;
    }
    emit offline_login();
    close();
}

} // namespace quorvel
