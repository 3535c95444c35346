#include "ui/main_widget.h"

#include "session/offline_session.h"
#include "ui/docs/doc_tab_widget.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/kb_tab_widget.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/stickers/sticker_tab_widget.h"

#include "app/app_paths.h"
#include "app/event_bus.h"
#include "app/event_names.h"
#include "app/settings_store.h"
#include "integration/current_desktop.h"
#include "integration/delivery.h"
#include "integration/docking.h"
#include "integration/script_files.h"
#include "integration/window_detector.h"
#include "integration/window_event_watcher.h"
#include "model/data_center.h"
#include "net/base_url.h"
#include "net/connection_state.h"
#include "sync/batch_download.h"
#include "sync/report_upload.h"
#include "ui/auto_follow_widget.h"
#include "ui/contact_support_dialog.h"
#include "ui/float_widget.h"
#include "ui/login_widget.h"
#include "ui/main_notices.h"
#include "ui/main_widget_toolbar.h"
#include "ui/settings/settings_widget.h"
#include "ui/sync_data_widget.h"
#include "ui/update/update_guide_widget.h"
#include "ui/update/update_notice.h"
#include "ui/widgets/custom_toolbutton.h"

#include <QDebug>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QStackedLayout>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>
#include <utility>

namespace quorvel {

namespace {

int category_count(const category_tree_t& tree) {
    int count = 0;
    for (auto it = tree.constBegin(); it != tree.constEnd(); ++it)
        count += it->node ? 1 : 0;
    return count;
}

template <class T> int items_in_part(const QHash<QString, QList<T>>& lists, const QString& part) {
    int count = 0;
    for (const QList<T>& list : lists)
        for (const T& item : list)
            count += item->classifyType == part ? 1 : 0;
    return count;
}

window_handle_t handle_of(QWidget* w) {
    return static_cast<window_handle_t>(w->winId());
}

// The follow mode of the last main window to quit. The window that replaces
// it (the return online, a new login) takes it over, so the user keeps the
// docking without turning it on again.
struct follow_handover_t {
    bool follow = false;
    window_handle_t target = 0;
};

follow_handover_t& follow_handover() {
    static follow_handover_t handover;
    return handover;
}

} // namespace

QString main_widget::library_summary() {
    const data_center& dc = data_center::instance();
    const QStringList names = {QStringLiteral("公共"), QStringLiteral("个人"),
                               QStringLiteral("部门")};
    QStringList lines;
    for (int part = 0; part < 3; ++part) {
        const QString type = QString::number(part);
        int script_categories = 0;
        for (const category_tree_t* tree : dc.part_trees(library_kind::scripts, part))
            script_categories += category_count(*tree);
        lines << QStringLiteral("%1：话术分类 %2，话术 %3，表情 %4，文档 %5")
                     .arg(names[part])
                     .arg(script_categories)
                     .arg(items_in_part(dc.scripts_by_category(), type))
                     .arg(items_in_part(dc.stickers_by_category(), type))
                     .arg(items_in_part(dc.docs_by_category(), type));
    }
    lines << QStringLiteral("快捷短语 %1").arg(dc.phrases().size());
    return lines.join(QLatin1Char('\n'));
}

main_widget::main_widget(QWidget* parent)
    : base_widget(parent), toolbar_(nullptr), bar_(nullptr), navigation_(nullptr),
      pages_(new QStackedLayout), scripts_(nullptr), docs_(nullptr), stickers_(nullptr),
      float_(nullptr), detector_(nullptr), delivery_(new delivery(current_desktop(), this)) {
    setWindowTitle(QStringLiteral("Quorvel"));
    // Topmost only while the pin is checked (applied at every show). Shown
    // beside the chat window, it must not take the keyboard focus from it.
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(5, 5, 5, 5);
    auto* first_row = new QHBoxLayout;
    first_row->setContentsMargins(0, 0, 0, 0);
    auto* navigation_column = new QVBoxLayout;
    navigation_column->setContentsMargins(0, 0, 0, 0);
    first_row->addLayout(pages_);
    first_row->addLayout(navigation_column);
    outer->addLayout(first_row);
    // Below the pages, so that the pages keep their place when it shows.
    notices_ = new main_notices(this, outer);
    connect(delivery_, &delivery::files_refused, this, &main_widget::show_refused_files);
    outer->addLayout(new QHBoxLayout);

    scripts_ = new kb_tab_widget(this);
    docs_ = new doc_tab_widget(this);
    stickers_ = new sticker_tab_widget(this);
    for (QWidget* page : {static_cast<QWidget*>(scripts_), static_cast<QWidget*>(docs_),
                          static_cast<QWidget*>(stickers_)})
        pages_->addWidget(page);
    int min_width = 0;
    for (int i = 0; i < pages_->count(); ++i)
        min_width = qMax(min_width, pages_->widget(i)->sizeHint().width());
    setMinimumWidth(min_width);
    pages_->setCurrentIndex(0);

    float_ = new float_widget(this);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen)
        float_->move(screen->availableGeometry().width() - float_->width() - 80, 240);
    float_->hide();

    navigation_ = new navigation_widget(this);
    navigation_->setMouseTracking(true);
    navigation_column->addWidget(navigation_);

    toolbar_ = new main_widget_toolbar(this);
    toolbar_->setMouseTracking(true);
    toolbar_->raise();
    // The pages begin under the toolbar's band (the drag area), so no tab
    // strip runs under the toolbar at any width.
    outer->setContentsMargins(5, toolbar_->height(), 5, 5);
    connect(toolbar_, &main_widget_toolbar::minimize_requested, this, &main_widget::on_min_clicked);
    connect(toolbar_, &main_widget_toolbar::sticky_requested, this, &main_widget::set_window_top);
    connect(toolbar_, &main_widget_toolbar::follow_requested, this, &main_widget::follow);
    connect(toolbar_, &main_widget_toolbar::setting_requested, this,
            &main_widget::show_setting_center);
    connect(toolbar_, &main_widget_toolbar::menu_requested, this, &main_widget::on_menu_clicked);

    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        const int h = 2 * primary->availableGeometry().height() / 3;
        resize(2 * h / 3, h);
    }

    bar_ = new auto_follow_widget(this);
    bar_->setAttribute(Qt::WA_DeleteOnClose);
    bar_->setAttribute(Qt::WA_ShowWithoutActivating);
    bar_->installEventFilter(this);
    connect(navigation_, &navigation_widget::on_select_changed, this, [this](int id) {
        pages_->setCurrentIndex(id);
        toolbar_->raise();
    });
    connect(navigation_, &navigation_widget::settings_requested, this,
            &main_widget::show_setting_center);
    connect(bar_, &auto_follow_widget::size_changed, this, &main_widget::on_follow_widget_resized);

    connect(delivery_, &delivery::finished, this, &main_widget::run_deferred);

    detector_ = new window_detector(current_desktop(), this);
    window_event_watcher* watcher = window_event_watcher::instance();
    connect(watcher, &window_event_watcher::window_show, detector_, &window_detector::detect_show,
            Qt::QueuedConnection);
    connect(watcher, &window_event_watcher::window_hide, detector_, &window_detector::detect_hide,
            Qt::QueuedConnection);
    connect(watcher, &window_event_watcher::window_position_changed, detector_,
            &window_detector::detect_move, Qt::QueuedConnection);
    connect(watcher, &window_event_watcher::foreground_window_changed, detector_,
            &window_detector::detect_foreground, Qt::QueuedConnection);
    connect(detector_, &window_detector::target_appeared, this, &main_widget::on_window_show);
    connect(detector_, &window_detector::target_disappeared, this, &main_widget::on_window_hide);
    connect(detector_, &window_detector::target_move, this, &main_widget::on_window_move);
    connect(detector_, &window_detector::target_foreground, this,
            &main_widget::on_window_foreground);
    connect(detector_, &window_detector::target_unforeground, this,
            &main_widget::on_window_unforeground);
    connect(float_, &float_widget::double_clicked, this,
            &main_widget::on_float_widget_double_clicked);

    event_bus* bus = event_bus::instance();
    bus->subscribe(events::send_script, this, [this](const QVariantList& a) { send_script(a); });
    bus->subscribe(events::input_script, this, [this](const QVariantList& a) { input_script(a); });
    bus->subscribe(events::send_sticker, this, [this](const QVariantList& a) { send_sticker(a); });
    bus->subscribe(events::send_clouddoc, this,
                   [this](const QVariantList& a) { send_clouddoc(a); });
    bus->subscribe(events::input_file, this, [this](const QVariantList& a) { input_file(a); });
    bus->subscribe(events::relogin, this, [this](const QVariantList&) { relogin(); });

    build_tray();

    bus->subscribe(events::follow_main_show, this, [this](const QVariantList& a) {
        if (a.size() != 1 || !target_)
            return;
        if (a.first().toInt() == 0) {
            hide();
            float_->show();
        } else if (follow_) {
            dock_to_target();
        }
    });
    bus->subscribe(events::follow_sub_show, this, [this](const QVariantList& a) {
        if (a.size() != 1)
            return;
        if (a.first().toInt() == 0)
            hide_bar();
        else if (target_ && follow_)
            dock_to_target();
    });
    bus->subscribe(events::follow_main_dockleft, this, [this](const QVariantList&) {
        if (target_ && follow_)
            dock_to_target();
    });
    bus->subscribe(events::follow_supported_app_changed, detector_,
                   [this](const QVariantList&) { detector_->reload_ignore_app_list(); });

    register_hotkeys();
    watcher->on_watch_started();
    QTimer::singleShot(3000, this, &main_widget::delay_tasks);
    const follow_handover_t handover = std::exchange(follow_handover(), {});
    if (handover.follow)
        enter_follow_mode(handover.target);
}

main_widget::~main_widget() {
    window_event_watcher::instance()->on_watch_stoped();
}

auto_follow_widget* main_widget::bottom_bar() const {
    return bar_.data();
}

bool main_widget::is_drag_area(const QPoint& pos) const {
    return pos.y() < toolbar_->height() || navigation_->geometry().contains(pos);
}

void main_widget::showEvent(QShowEvent* event) {
    base_widget::showEvent(event);
    // No taskbar entry. Not Qt::Tool: a tool window does not keep the
    // application running once the synchronisation dialog has closed. Both
    // states are set before the window is mapped (the show event comes first)
    // and again at every show, which would otherwise bring back old ones.
    current_desktop().set_tool_window(handle_of(this));
    current_desktop().set_topmost(handle_of(this), pinned_);
}

bool main_widget::eventFilter(QObject* watched, QEvent* event) {
    // A window manager's close only hides the bar; it goes at quit. The type is
    // checked first: the bar's own destructor sends events here too, and reading
    // the guarded pointer then casts a half-destroyed object.
    if (event->type() == QEvent::Close && watched == bar_ && !quitting_) {
        event->ignore();
        bar_->hide();
        return true;
    }
    return base_widget::eventFilter(watched, event);
}

void main_widget::resizeEvent(QResizeEvent* event) {
    base_widget::resizeEvent(event);
    if (toolbar_) {
        toolbar_->move(width() - toolbar_->width(), 0);
        toolbar_->raise();
    }
}

void main_widget::build_tray() {
    // A desktop without a system tray simply has no icon.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    tray_ = new QSystemTrayIcon(QIcon(QStringLiteral(":/images/icon/logo.png")), this);
    tray_->setToolTip(QStringLiteral("Quorvel"));
    auto* menu = new QMenu(this);
    menu->addAction(QStringLiteral("切换为置顶显示"), this, &main_widget::show_window_on_top);
    menu->addAction(QStringLiteral("设置"), this, &main_widget::show_setting_center);
    menu->addAction(QStringLiteral("帮助"));
    menu->addAction(QStringLiteral("联系客服"), this, &main_widget::on_contact_support);
    menu->addAction(QStringLiteral("退出"), this, &main_widget::quit);
    tray_->setContextMenu(menu);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    on_tray_icon_activated(reason);
            });
    tray_->show();
}

void main_widget::register_hotkeys() {
    const std::pair<const char*, void (main_widget::*)()> table[] = {
        {"Alt+Z", &main_widget::toggle_visible_hotkey},
        {"Alt+Q", &main_widget::focus_main_hotkey},
        {"Alt+E", &main_widget::focus_bar_hotkey},
    };
    for (const auto& [sequence, action] : table) {
        auto hotkey = QSharedPointer<global_hotkey>::create(this);
        hotkey->setShortcut(QKeySequence(QLatin1String(sequence)), true);
        hotkeys_ << hotkey;
        if (hotkey->isRegistered())
            connect(hotkey.data(), &global_hotkey::activated, this, action);
    }
}

void main_widget::toggle_visible_hotkey() {
    if (!setting_on(setting::follow_main_hotkey_visible))
        return;
    if (!isVisible()) {
        if (follow_ && target_) { // back beside the chat window, with the bar
            user_hidden_ = user_hidden_t::none;
            float_->hide();
            dock_to_target();
        }
        if (!isVisible())
            come_back_on_top();
        return;
    }
    hide();
    float_->show();
    if (follow_)
        user_hidden_ = user_hidden_t::main;
}

// Typing after the hotkey goes where it promises: the scripts list (arrow
// keys choose, Enter sends) or the bar's search field.
void main_widget::focus_main_hotkey() {
    if (!setting_on(setting::follow_main_hotkey_focus))
        return;
    current_desktop().bring_to_front(handle_of(this));
    activateWindow();
    focus_scripts();
}

void main_widget::focus_bar_hotkey() {
    if (!setting_on(setting::follow_sub_hotkey_focus) || !bar_ || !bar_->isVisible())
        return;
    current_desktop().bring_to_front(handle_of(bar_));
    bar_->activateWindow();
    bar_->search_field()->setFocus(Qt::ShortcutFocusReason);
}

void main_widget::focus_scripts() {
    QWidget* page = pages_->currentWidget();
    QWidget* target = nullptr;
    if (page == scripts_)
        if (auto* view = qobject_cast<kb_item_widget*>(scripts_->stack()->currentWidget()))
            target = view->current_tree();
    for (QWidget* child : page->findChildren<QWidget*>())
        if (!target && child->isVisible() && (child->focusPolicy() & Qt::TabFocus))
            target = child;
    (target ? target : page)->setFocus(Qt::ShortcutFocusReason);
}

void main_widget::hide_bar() {
    if (bar_)
        bar_->hide();
}

void main_widget::leave_follow_mode() {
    follow_ = false;
    user_hidden_ = user_hidden_t::none;
    toolbar_->pin_button()->setVisible(true);
    toolbar_->show_follow_state(false);
    hide_bar();
}

void main_widget::on_float_widget_double_clicked() {
    float_->hide();
    if (follow_) { // docked again when there is a chat window
        user_hidden_ = user_hidden_t::none;
        dock_to_target();
        if (isVisible())
            return;
    }
    if (isMinimized())
        showNormal();
    show();
}

void main_widget::on_min_clicked() {
    if (follow_) { // follow mode stays: the icon brings both windows back docked
        user_hidden_ = user_hidden_t::all;
        hide_bar();
        hide();
        float_->show();
        return;
    }
    leave_follow_mode();
    hide();
    float_->show();
}

settings_widget* main_widget::setting_center() const {
    return settings_;
}

update_guide_widget* main_widget::update_dialog() const {
    return update_;
}

void main_widget::show_setting_center() {
    if (settings_) {
        settings_->raise();
        settings_->activateWindow();
        return;
    }
    settings_ = new settings_widget(this);
    connect(settings_, &settings_widget::logout_requested, this, &main_widget::log_out,
            Qt::QueuedConnection);
    settings_->show();
}

void main_widget::on_menu_clicked(QPoint pos) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("官网"), [] { QDesktopServices::openUrl(QUrl(website_url())); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("退出"), this, &main_widget::quit);
    menu.exec(pos);
}

void main_widget::on_navigation_changed(int) {}

void main_widget::on_follow_widget_resized(QSize old_size, QSize new_size) {
    if (docking_)
        return;
    if (follow_ && target_) { // the column and the bar must still fit the screen
        dock_to_target();
        return;
    }
    setFixedHeight(height() + new_size.height() - old_size.height());
}

void main_widget::come_back_on_top() {
    leave_follow_mode();
    set_window_top(true);
    toolbar_->show_pin_state(true);
    if (QScreen* s = screen()) {
        setMinimumHeight(2 * s->availableGeometry().height() / 3);
        move(s->availableGeometry().width() - width() - 100, 100);
        show();
    }
    float_->hide();
}

void main_widget::on_tray_icon_activated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick)
        come_back_on_top();
}

// A script's files that are not cached are fetched first; what cannot be
// fetched is left out of the paste.
void main_widget::send_script(const QVariantList& args) {
    if (args.isEmpty())
        return;
    const QString html = args.first().toString();
    fetch_missing_script_files(html, this, [this, html] { delivery_->send_script(target_, html); });
}

void main_widget::input_script(const QVariantList& args) {
    if (args.isEmpty())
        return;
    const QString html = args.first().toString();
    fetch_missing_script_files(html, this,
                               [this, html] { delivery_->input_script(target_, html); });
}

void main_widget::send_sticker(const QVariantList& args) {
    if (!args.isEmpty())
        delivery_->send_sticker(target_, args.first().toString());
}

void main_widget::send_clouddoc(const QVariantList& args) {
    if (!args.isEmpty())
        delivery_->send_clouddoc(target_, args.first().toString());
}

void main_widget::input_file(const QVariantList& args) {
    if (!args.isEmpty())
        delivery_->input_file(target_, args.first().toString());
}

void main_widget::set_window_top(bool enable) {
    pinned_ = enable;
    current_desktop().set_topmost(handle_of(this), enable);
}

void main_widget::show_window_on_top() {
    set_window_top(true);
    toolbar_->show_pin_state(true);
    toolbar_->show_follow_state(false);
    show();
}

void main_widget::follow(bool enable) {
    if (!enable) {
        leave_follow_mode();
        return;
    }
    enter_follow_mode(current_desktop().foreground_window());
}

void main_widget::enter_follow_mode(window_handle_t candidate) {
    follow_ = true;
    user_hidden_ = user_hidden_t::none;
    float_->hide();
    // Docked, the window is raised above the chat window, never topmost.
    set_window_top(false);
    toolbar_->show_pin_state(false);
    toolbar_->pin_button()->setVisible(false);
    toolbar_->show_follow_state(true);
    hide();
    if (candidate && detector_->is_target_window(candidate)) {
        target_ = candidate;
        dock_to_target();
    } else {
        hide_bar();
    }
}

void main_widget::dock_to_target() {
    if (!follow_ || !target_)
        return;
    if (delivery_->busy()) { // a show now could take the focus from the paste
        if (!dock_deferred_) {
            dock_deferred_ = true;
            when_idle([this] {
                dock_deferred_ = false;
                dock_to_target();
            });
        }
        return;
    }
    place_docked();
}

void main_widget::place_docked() {
    QList<dock_screen_t> screens;
    QList<QScreen*> all = QGuiApplication::screens();
    all.removeOne(QGuiApplication::primaryScreen());
    all.prepend(QGuiApplication::primaryScreen()); // the fallback comes first
    for (QScreen* s : all)
        if (s)
            screens << dock_screen_t{s->geometry(), s->availableGeometry(), s->devicePixelRatio()};
    const int screen = target_screen(current_desktop(), target_, screens);
    if (screen < 0)
        return;
    dock_input_t in;
    in.target = target_;
    in.screen = screens[screen];
    if (bar_) {
        in.bar_height = bar_->height();
        in.bar_height_for_width = [bar = bar_.data()](int w) { return bar->content_height(w); };
    }
    in.main_width = width();
    in.sub_show = setting_on(setting::follow_sub_show);
    in.main_show = setting_on(setting::follow_main_show);
    in.main_dockleft = setting_on(setting::follow_main_dockleft);
    const dock_plan_t plan = plan_dock(current_desktop(), in);
    docking_ = true;
    if (plan.place_bar && bar_ && user_hidden_ != user_hidden_t::all) {
        bar_->setFixedSize(plan.bar.size());
        bar_->move(plan.bar.topLeft());
        bar_->show();
    }
    if (plan.place_main && user_hidden_ == user_hidden_t::none) {
        if (isMinimized())
            showNormal();
        move(plan.main_pos);
        setFixedHeight(plan.main_height);
        show();
    }
    docking_ = false;
    // Not topmost, so above the chat window by stacking (a maximised chat
    // window would otherwise cover both); raised without taking the focus.
    if (isVisible())
        current_desktop().raise_above(handle_of(this), target_);
    if (bar_ && bar_->isVisible())
        current_desktop().raise_above(handle_of(bar_), target_);
}

void main_widget::on_window_show(window_handle_t hwnd) {
    target_ = hwnd;
    if (follow_)
        dock_to_target();
    qDebug() << "on window show";
}

void main_widget::on_window_hide() {
    target_ = 0;
    if (follow_) {
        hide_bar();
        hide();
    }
    qDebug() << "on window hide";
}

void main_widget::on_window_move() {
    dock_to_target();
    qDebug() << "on window move";
}

void main_widget::on_window_foreground() {
    qDebug() << "on_window_foreground";
    if (!follow_ || !target_)
        return;
    when_idle([this] {
        if (!follow_ || !target_)
            return;
        // Not shown yet when follow mode came on while this window was already
        // the target: activating it shows and docks.
        dock_to_target();
        if (isVisible())
            current_desktop().raise_above(handle_of(this), target_);
    });
}

void main_widget::on_window_unforeground() {
    qDebug() << "on_window_unforeground";
}

void main_widget::on_contact_support() {
    auto* dialog = new contact_support_dialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void main_widget::notify_update() {
    const version_update_info_spt info = data_center::instance().version_info();
    if (!info || update_ || connection_state::instance().offline() || !update_reminder_due(*info))
        return;
    update_ = open_update_dialog(info, this);
}

void main_widget::delay_tasks() {
    upload_reports(this);
    check_update_at_start();
}

void main_widget::check_update_at_start() {
    // A saved offer comes back with the offline library.
    if (connection_state::instance().offline()) {
        spdlog::info("[main_widget] no update offer while working offline");
        return;
    }
    const version_update_info_spt info = data_center::instance().version_info();
    switch (startup_update_step(info)) {
    case startup_update_t::none:
        return;
    case startup_update_t::notify:
        notify_update();
        return;
    case startup_update_t::download:
        break;
    }
    const QString installer = app_paths::instance().installer_path(info->latestVersion);
    auto* download = new batch_download(this);
    download->set_root(app_paths::instance().update_dir());
    download->set_size_limit(info->fileSize);
    connect(download, &batch_download::task_finished, this,
            [this, info, installer] { installer_downloaded(info, installer); });
    connect(download, &batch_download::task_failed, this,
            [] { spdlog::warn("[main_widget] download installer failed!"); });
    connect(download, &batch_download::all_tasks_finished, download, &QObject::deleteLater);
    download->add_task(1, info->fileId, installer);
    download->start();
}

void main_widget::installer_downloaded(const version_update_info_spt& info,
                                       const QString& installer) {
    switch (check_installer(installer, *info)) {
    case installer_state_t::valid:
        break;
    case installer_state_t::damaged:
        QFile::remove(installer); // the dialog downloads it again
        break;
    case installer_state_t::bad_signature:
        QFile::remove(installer);
        remember_refused_offer(*info); // the dialog says why, once
        break;
    }
    notify_update();
}

void main_widget::log_out() {
    emit log_out_requested(); // the session forgets the login and opens the login dialog
}

void main_widget::relogin() {
    QTimer::singleShot(1500, this, &main_widget::open_relogin_dialog);
}

void main_widget::open_relogin_dialog() {
    when_idle([this] {
        if (login_) {
            login_->raise();
            login_->activateWindow();
            return;
        }
        login_ = new login_widget(this);
        login_->setAttribute(Qt::WA_DeleteOnClose);
        // Modal without a nested event loop, so nothing waits inside a timer.
        login_->setWindowModality(Qt::ApplicationModal);
        login_->show();
    });
}

void main_widget::when_idle(std::function<void()> action) {
    if (delivery_->busy())
        deferred_ << std::move(action);
    else
        action();
}

void main_widget::run_deferred() {
    const QList<std::function<void()>> actions = std::exchange(deferred_, {});
    for (const auto& action : actions)
        action();
}

QLabel* main_widget::connection_notice() const {
    return notices_->connection_notice();
}

QTimer* main_widget::notice_timer() const {
    return notices_->notice_timer();
}

QLabel* main_widget::refusal_notice() const {
    return notices_->refusal_notice();
}

void main_widget::show_refused_files(const QStringList& names) {
    const QString text = notices_->show_refused_files(names);
    // Sent from the bar or a hotkey, this window may be out of sight.
    if (!isVisible() && tray_ && tray_->isVisible() && QSystemTrayIcon::supportsMessages())
        tray_->showMessage(QStringLiteral("Quorvel"), text, QSystemTrayIcon::Warning, 8000);
}

void main_widget::quit() {
    quitting_ = true;
    follow_handover() = {follow_, target_};
    leave_follow_mode();
    if (bar_)
        bar_->deleteLater();
    show();
    close();
}

} // namespace quorvel
