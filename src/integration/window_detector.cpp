#include "integration/window_detector.h"

#include "app/settings_store.h"
#include "model/data_center.h"

#include <QDebug>

namespace quorvel {

namespace {

const QStringList second_check_classes = {QStringLiteral("WeChatMainWndForPC"),
                                          QStringLiteral("Qt51514QWindowIcon"),
                                          QStringLiteral("WeWorkWindow")};
const QStringList second_check_titles = {QStringLiteral("微信"), QStringLiteral("WeiXin"),
                                         QStringLiteral("企业微信"), QStringLiteral("WeCom")};
const QStringList accessibility_classes = {QStringLiteral("WeWorkWindow"),
                                           QStringLiteral("mmui::MainWindow"),
                                           QStringLiteral("Qt51514QWindowIcon")};
const QString wechat = QStringLiteral("微信");
const QString wecom = QStringLiteral("企业微信");

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

bool window_detector::is_target_window(window_handle_t hwnd) {
    const bool alive = desktop_.is_window(hwnd);
    const QString klass = alive ? desktop_.class_name(hwnd).left(260).toLower() : QString();
    const QString title = alive ? desktop_.title(hwnd).toLower() : QString();

    const QHash<QString, QStringList>& server = data_center::instance().supported_apps();
    const QHash<QString, QStringList>& table = server.isEmpty() ? built_in_table() : server;
    QString name;
    for (auto it = table.constBegin(); it != table.constEnd() && name.isEmpty(); ++it)
        if (it->contains(klass) && it->contains(title))
            name = it.key();

    bool result = false;
    {
        QMutexLocker lock(&mutex_);
        if (ignored_.contains(name))
            result = false;
        else if (name == wechat || name == wecom)
            result = second_check(hwnd, klass, title);
        else
            result = !name.isEmpty();
    }
    if (result)
        qDebug() << klass << title;
    return result;
}

bool window_detector::second_check(window_handle_t hwnd, const QString& klass,
                                   const QString& title) {
    const bool title_ok = second_check_titles.contains(title, Qt::CaseInsensitive);
    const bool class_ok = second_check_classes.contains(klass, Qt::CaseInsensitive);
    const QString uia = desktop_.accessibility_class(hwnd);
    const bool uia_ok = !uia.isEmpty() && accessibility_classes.contains(uia, Qt::CaseInsensitive);
    return title_ok && (uia_ok || class_ok);
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
    target_ = hwnd;
    emit target_appeared(hwnd);
}

void window_detector::detect_hide(window_handle_t hwnd) {
    if (target_ && target_ == hwnd) {
        target_ = 0;
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
            target_ = hwnd;
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
