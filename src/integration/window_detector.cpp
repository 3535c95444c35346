#include "integration/window_detector.h"

#include "app/settings_store.h"
#include "model/data_center.h"

#include <QDebug>
#include <atomic>

namespace quorvel {

namespace {

const QString wechat = QStringLiteral("微信");
const QString wecom = QStringLiteral("企业微信");

// The target of the detector that changed it last, for the settings page.
std::atomic<window_handle_t> followed{0};

} // namespace

const QHash<QString, QStringList>& window_detector::built_in_table() {
    static const QHash<QString, QStringList> table = {
        {wecom, {"weworkwindow", QStringLiteral("企业微信"), "wecom"}},
        {wechat,
         {"wechatmainwndforpc", "qt51514qwindowicon", "wechat", "weixin", QStringLiteral("微信"),
          "mmui::mainwindow"}},
    };
    return table;
}

window_detector::window_detector(platform::desktop& desktop, QObject* parent)
    : QObject(parent), desktop_(desktop) {
    reload_ignore_app_list();
}

window_detector::~window_detector() {
    set_target(0);
}

window_handle_t window_detector::followed_window() {
    return followed.load();
}

void window_detector::set_target(window_handle_t hwnd) {
    window_handle_t mine = target_;
    if (hwnd)
        followed.store(hwnd);
    else // a target another detector found since stays
        followed.compare_exchange_strong(mine, 0);
    target_ = hwnd;
}

bool window_detector::is_target_window(window_handle_t hwnd) {
    const bool alive = desktop_.is_window(hwnd);
    const QString klass = alive ? desktop_.class_name(hwnd).left(260) : QString();
    const QString title = alive ? desktop_.title(hwnd) : QString();

    const QHash<QString, QStringList>& server = data_center::instance().supported_apps();
    const QHash<QString, QStringList>& source = server.isEmpty() ? built_in_table() : server;
    if (source != table_source_) { // compiled once per list the server sends
        table_source_ = source;
        table_ = app_table(source);
    }
    const QString name = alive ? table_.application(klass, title) : QString();

    bool result = false;
    {
        QMutexLocker lock(&mutex_);
        if (name.isEmpty() || ignored_.contains(name))
            result = false;
        else if (app_table::needs_confirmation(name))
            result = app_table::confirm_built_in(klass, title, desktop_.accessibility_class(hwnd));
        else
            result = true;
    }
    if (result)
        qDebug() << klass << title;
    return result;
}

bool window_detector::is_above_target(window_handle_t hwnd) {
    if (!target_ || desktop_.process_id(hwnd) != desktop_.process_id(target_))
        return false;
    // Walk down the z-order; bounded, in case the system's list changes under us.
    window_handle_t below = desktop_.next_below(hwnd);
    for (int steps = 0; below && steps < 100000; ++steps) {
        if (below == target_)
            return true;
        below = desktop_.next_below(below);
    }
    return false;
}

void window_detector::detect_show(window_handle_t hwnd) {
    if (!is_target_window(hwnd) || is_above_target(hwnd) || hwnd == target_)
        return;
    set_target(hwnd);
    emit target_appeared(hwnd);
}

void window_detector::detect_hide(window_handle_t hwnd) {
    if (target_ && target_ == hwnd) {
        set_target(0);
        emit target_disappeared();
    }
}

void window_detector::detect_move(window_handle_t hwnd) {
    if (target_ && target_ == hwnd)
        emit target_move();
}

void window_detector::detect_foreground(window_handle_t hwnd) {
    if (!desktop_.is_visible(hwnd))
        return;
    if (is_target_window(hwnd) && !is_above_target(hwnd)) {
        if (hwnd == target_) {
            emit target_foreground();
        } else {
            set_target(hwnd);
            emit target_appeared(hwnd);
        }
        return;
    }
    emit target_unforeground();
}

void window_detector::reload_ignore_app_list() {
    QMutexLocker lock(&mutex_);
    // An unreadable file gives the default: no application is switched off.
    const QString value = read_setting(setting::follow_unsupport).text();
    ignored_ = value.isEmpty() ? QStringList() : value.split(QLatin1Char(','));
}

} // namespace quorvel
