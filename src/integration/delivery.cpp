#include "integration/delivery.h"

#include "app/app_paths.h"
#include "app/settings_store.h"
#include "sync/cache_manager.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

// The cached files a script pastes; the cache clean-up must not take them away meanwhile.
QStringList linked_files(const QString& html) {
    QStringList files;
    for (const segment_t& segment : split_segments(html))
        if (segment.first != 0)
            if (const QString path = resolve_link(segment.second.toUrl()); !path.isEmpty())
                files << path;
    return files;
}

// Whether a file segment that does not resolve names something this client
// must not paste: a file outside the cache, or one in it that is not a real
// cached file (a link pointing elsewhere). A cached file that is merely gone
// is not refused, only missing.
bool refused_link(const QString& wanted) {
    if (wanted.isEmpty())
        return false;
    if (!path_inside(wanted, app_paths::instance().cache_dir()))
        return true;
    return QFileInfo::exists(wanted);
}

QString shown_name(const QString& wanted, const QUrl& url) {
    const QString name = QFileInfo(wanted).fileName();
    return name.isEmpty() ? url.toString() : name;
}

bool keeping_clipboard() {
    return setting_on(setting::advance_keep_clipboard);
}

int restore_delay_ms() {
    return qBound(0, read_setting(setting::advance_clipboard_delay).number(), 60000);
}

} // namespace

// Only files of the cache are pasted. A file that is not on disk would paste
// as a broken file, and a file elsewhere on this computer must never reach
// the chat: both are left out with a log line, the second also in the
// user's sight.
segment_list delivery::pasteable(const segment_list& segments) {
    segment_list kept;
    QStringList refused;
    for (const segment_t& segment : segments) {
        if (segment.first != 0 && resolve_link(segment.second.toUrl()).isEmpty()) {
            const QUrl url = segment.second.toUrl();
            const QString wanted = link_path(url);
            if (refused_link(wanted) || (url.isLocalFile() && wanted.isEmpty())) {
                spdlog::warn("linked file of the script lies outside the cache, not pasted: {}",
                             url.toString().toStdString());
                refused << shown_name(wanted, url);
            } else {
                spdlog::warn("linked file of the script is not cached, left out: {}",
                             url.toString().toStdString());
            }
            continue;
        }
        kept << segment;
    }
    if (!refused.isEmpty())
        emit files_refused(refused);
    return kept;
}

// A sticker or document is pasted only as a file of the cache.
QString delivery::pasteable(const QString& path) {
    const QString file = cached_file(path);
    if (file.isEmpty()) {
        spdlog::warn("file is not a cached file, not pasted: {}", path.toStdString());
        emit files_refused({shown_name(path, QUrl())});
    }
    return file;
}

delivery::delivery(platform::desktop& desktop, QObject* parent)
    : QObject(parent), desktop_(desktop), keeper_(desktop) {}

delivery::busy_scope::busy_scope(delivery* d) : d_(d) {
    if (d_->depth_++ > 0)
        return;
    if (keeping_clipboard())
        d_->keeper_.keep();
    else
        d_->keeper_.drop();
}

delivery::busy_scope::~busy_scope() {
    if (--d_->depth_ > 0)
        return;
    // The paste has been taken once its keys are in; the delay is for a
    // chat application that reads the clipboard late.
    d_->keeper_.restore_after(restore_delay_ms());
    emit d_->finished();
}

const QHash<QString, delivery::paste_procedure>& delivery::paste_handlers() {
    static const QHash<QString, paste_procedure> handlers = {
        {QStringLiteral("WeWorkWindow"), &delivery::paste_segments},
        {QStringLiteral("WeChatMainWndForPC"), &delivery::paste_wechat_rich},
        {QStringLiteral("Qt51514QWindowIcon"), &delivery::paste_wechat_rich},
    };
    return handlers;
}

void delivery::wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

bool delivery::bring_to_front(window_handle_t target) {
    if (!desktop_.is_window(target))
        return false;
    const bool ok = desktop_.bring_to_front(target);
    wait(50);
    return ok;
}

void delivery::paste_chord() {
    // The Alt of a hotkey still held would turn Ctrl+V into Ctrl+Alt+V.
    desktop_.release_held_modifiers();
    desktop_.paste_chord();
}

void delivery::put_script(window_handle_t target, const QString& html) {
    const segment_list segments = pasteable(split_segments(html));
    const QString klass =
        desktop_.is_window(target) ? desktop_.class_name(target).left(260) : QString();
    bring_to_front(target);
    const paste_procedure procedure = paste_handlers().value(klass, &delivery::paste_segments);
    (this->*procedure)(target, segments);
}

void delivery::paste_segments(window_handle_t, const segment_list& segments) {
    for (const segment_t& segment : segments) {
        if (segment.first == 0) {
            copy_text_to_clipboard(expand_date(segment.second.toString()));
        } else {
            const QUrl url = segment.second.toUrl();
            if (url.isValid())
                copy_files_to_clipboard({resolve_link(url)});
        }
        paste_chord();
        wait(100);
    }
}

void delivery::paste_wechat_rich(window_handle_t, const segment_list& segments) {
    copy_wechat_rich(segments);
    paste_chord();
}

void delivery::send_file(window_handle_t target, const QString& path) {
    const QString file = pasteable(path);
    if (file.isEmpty())
        return;
    const busy_scope scope(this);
    const cache_hold hold({file});
    copy_file_to_clipboard(file);
    bring_to_front(target);
    paste_chord();
    wait(100);
    press_send_key();
}

void delivery::input_file(window_handle_t target, const QString& path) {
    const QString file = pasteable(path);
    if (file.isEmpty())
        return;
    const busy_scope scope(this);
    const cache_hold hold({file});
    copy_file_to_clipboard(file);
    bring_to_front(target);
    paste_chord();
}

void delivery::press_send_key() {
    if (setting_on(setting::kb_send))
        desktop_.enter();
    else
        desktop_.ctrl_enter();
}

void delivery::send_script(window_handle_t target, const QString& html) {
    const busy_scope scope(this);
    const cache_hold hold(linked_files(html));
    put_script(target, html);
    wait(100);
    press_send_key();
}

void delivery::input_script(window_handle_t target, const QString& html) {
    const busy_scope scope(this);
    const cache_hold hold(linked_files(html));
    put_script(target, html);
}

} // namespace quorvel
