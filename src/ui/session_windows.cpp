#include "ui/session_windows.h"

#include "session/session.h"
#include "ui/login_widget.h"
#include "ui/main_widget.h"
#include "ui/sync_data_widget.h"

namespace quorvel {

QObject* session_windows::open_login(session& owner) {
    auto* login = new login_widget;
    QObject::connect(login, &login_widget::login_success, &owner, &session::logged_in);
    QObject::connect(login, &login_widget::offline_login, &owner, &session::logged_in_offline);
    login->setAttribute(Qt::WA_DeleteOnClose);
    login->show();
    return login;
}

QObject* session_windows::open_sync_progress(session&, library_sync& sync) {
    auto* dialog = new sync_data_widget(&sync);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
}

QObject* session_windows::open_main_window(session& owner) {
    auto* main = new main_widget;
    QObject::connect(main, &main_widget::log_out_requested, &owner, &session::log_out);
    main->show();
    return main;
}

void session_windows::close_main_window(QObject* window) {
    if (auto* main = qobject_cast<main_widget*>(window))
        main->quit();
}

void session_windows::bring_forward(QObject* window) {
    auto* widget = qobject_cast<QWidget*>(window);
    if (!widget)
        return;
    if (auto* main = qobject_cast<main_widget*>(widget))
        main->on_tray_icon_activated(QSystemTrayIcon::DoubleClick);
    widget->raise();
    widget->activateWindow();
}

} // namespace quorvel
