#pragma once

#include <QWidget>

class QToolButton;

namespace quorvel {

// "账号设置": who is logged in, the management page, and signing out.
class account_setting_widget : public QWidget {
    Q_OBJECT
public:
    explicit account_setting_widget(QWidget* parent = nullptr);

    QToolButton* manage_button() const { return manage_; }
    QToolButton* logout_button() const { return logout_; }

signals:
    // The desk changes hands: forget the login, back to the login dialog.
    void logout_requested();

public slots:
    void visit_manage_page();

private:
    QToolButton* manage_;
    QToolButton* logout_;
};

} // namespace quorvel
