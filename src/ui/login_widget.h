#pragma once

#include "ui/widgets/base_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace quorvel {

// The login dialog: account and password, a progress line while the two
// login requests run, and login_success once the profile is stored.
class login_widget : public base_dialog {
    Q_OBJECT
public:
    explicit login_widget(QWidget* parent = nullptr);

    static QString title_for(const QString& version, const QString& base_address);
    // The dots shown while logging in, shared by every login dialog of the process.
    static int dot_counter();

    QLineEdit* user_edit() const { return user_; }
    QLineEdit* password_edit() const { return password_; }
    QPushButton* login_button() const { return login_; }
    QLabel* status_label() const { return status_; }
    // "离线使用": shown when the server cannot be reached and the account
    // may open its saved library.
    QPushButton* offline_button() const { return offline_; }

signals:
    void login_success();
    // The saved library is in the store and the client is offline.
    void offline_login();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void on_user_return();
    void on_login_clicked();
    void on_tick();
    void fail(const QString& reason);
    void offer_offline(const QString& account, const QString& password);
    void on_offline_clicked();
    void stop_timer();
    void keep_focus_in_fields();

    QLineEdit* user_;
    QLineEdit* password_;
    QPushButton* login_;
    QPushButton* offline_;
    QLabel* status_;
    QTimer* timer_ = nullptr;
};

// The status texts of dialogs.
QString progress_text(const QString& text);
QString success_text(const QString& text);
QString error_text(const QString& text, const QString& reason = QString());

} // namespace quorvel
