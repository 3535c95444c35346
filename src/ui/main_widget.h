#pragma once

#include "model/records.h"
#include "platform/global_hotkey.h"
#include "platform/window_handle.h"
#include "ui/login_widget.h"
#include "ui/widgets/base_widget.h"

#include <QPointer>
#include <QSharedPointer>
#include <QSystemTrayIcon>
#include <QVariantList>
#include <functional>

class QLabel;
class QStackedLayout;
class QVBoxLayout;

class QTimer;

namespace quorvel {

class doc_tab_widget;
class kb_tab_widget;
class sticker_tab_widget;

class auto_follow_widget;
class delivery;
class float_widget;
class main_notices;
class main_widget_toolbar;
class navigation_widget;
class settings_widget;
class update_guide_widget;
class window_detector;

// The one window while a user is logged in: the library pages, the
// navigation column and the toolbar; it docks beside the chat window,
// delivers what the pages send, owns the bar, the floating icon, the tray
// icon and the global hotkeys.
class main_widget : public base_widget {
    Q_OBJECT
public:
    explicit main_widget(QWidget* parent = nullptr);
    ~main_widget() override;

    bool is_drag_area(const QPoint& pos) const override;

    // For the pages until they exist, and for tests.
    static QString library_summary();
    kb_tab_widget* scripts_page() const { return scripts_; }
    doc_tab_widget* docs_page() const { return docs_; }
    sticker_tab_widget* stickers_page() const { return stickers_; }
    bool follow_enabled() const { return follow_; }
    window_handle_t target() const { return target_; }
    main_widget_toolbar* toolbar() const { return toolbar_; }
    auto_follow_widget* bottom_bar() const;
    bool pinned() const { return pinned_; }
    float_widget* floating_icon() const { return float_; }
    window_detector* detector() const { return detector_; }
    QSystemTrayIcon* tray_icon() const { return tray_; }
    login_widget* relogin_dialog() const { return login_; }
    settings_widget* setting_center() const;
    update_guide_widget* update_dialog() const;
    // The band that says the client works offline, or what the return
    // online changed; hidden otherwise.
    QLabel* connection_notice() const;
    // Hides the notice of a return online after a while (15 s).
    QTimer* notice_timer() const;
    // The band that names files a delivery left out because they are not
    // files of the cache; it hides by itself.
    QLabel* refusal_notice() const;
    delivery* deliverer() const { return delivery_; }
    const QList<QSharedPointer<global_hotkey>>& hotkeys() const { return hotkeys_; }

signals:
    // The log-out, for the session that owns this window.
    void log_out_requested();

public slots:
    void on_float_widget_double_clicked();
    void on_min_clicked();
    void show_setting_center();
    void on_menu_clicked(QPoint pos);
    void on_navigation_changed(int id);
    void on_follow_widget_resized(QSize old_size, QSize new_size);
    void on_tray_icon_activated(QSystemTrayIcon::ActivationReason reason);
    void send_script(const QVariantList& args);
    void input_script(const QVariantList& args);
    void send_sticker(const QVariantList& args);
    void send_clouddoc(const QVariantList& args);
    void input_file(const QVariantList& args);
    void set_window_top(bool enable);
    void show_window_on_top();
    void on_window_show(quorvel::window_handle_t hwnd);
    void on_window_hide();
    void on_window_move();
    void on_window_foreground();
    void on_window_unforeground();
    void on_contact_support();
    void notify_update();
    void delay_tasks();
    // The start-up offer of an update: at once when its installer is here,
    // else after a background download; never while working offline, where
    // it cannot be installed.
    void check_update_at_start();
    // Another user takes the desk: forget the login, back to the login dialog.
    void log_out();
    void relogin();
    // What the re-login timer runs: raise the open dialog or open one (once
    // a delivery in progress has finished).
    void open_relogin_dialog();
    void follow(bool enable);
    void dock_to_target();
    void quit();
    // The hotkey actions; each reads its switch at the moment of the press.
    void toggle_visible_hotkey();
    void focus_main_hotkey();
    void focus_bar_hotkey();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The start-up download is checked at once: a damaged or wrongly signed
    // installer is not kept.
    void installer_downloaded(const version_update_info_spt& info, const QString& installer);
    // What the user hid in follow mode; docking leaves it hidden.
    enum class user_hidden_t { none, main, all };

    // Runs now, or when the delivery in progress has finished.
    void when_idle(std::function<void()> action);
    void run_deferred();
    void place_docked();
    void hide_bar();
    void focus_scripts();
    void build_tray();
    void register_hotkeys();
    void leave_follow_mode();
    // Docks to the candidate when it is a chat window, else waits for one.
    void enter_follow_mode(window_handle_t candidate);
    void come_back_on_top(); // the tray double click
    void show_refused_files(const QStringList& names);

    main_widget_toolbar* toolbar_;
    // The bar refuses a window manager's close (it only hides) but the
    // pointer still must not dangle should it go some other way.
    QPointer<auto_follow_widget> bar_;
    navigation_widget* navigation_;
    QStackedLayout* pages_;
    kb_tab_widget* scripts_;
    doc_tab_widget* docs_;
    sticker_tab_widget* stickers_;
    float_widget* float_;
    window_detector* detector_;
    delivery* delivery_;
    QSystemTrayIcon* tray_ = nullptr;
    QList<QSharedPointer<global_hotkey>> hotkeys_;
    QPointer<login_widget> login_;
    QPointer<settings_widget> settings_;
    QPointer<update_guide_widget> update_;
    main_notices* notices_ = nullptr;
    bool follow_ = false;
    window_handle_t target_ = 0;
    bool pinned_ = false; // topmost only while the pin is checked
    user_hidden_t user_hidden_ = user_hidden_t::none;
    bool docking_ = false;
    bool dock_deferred_ = false;
    bool quitting_ = false;
    QList<std::function<void()>> deferred_;
};

} // namespace quorvel
