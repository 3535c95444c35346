#include "platform/fake/fake_desktop.h"

namespace quorvel::platform {

fake_desktop::fake_desktop() {
    clock_.start();
}

window_handle_t fake_desktop::add_window(const window_t& w) {
    const window_handle_t id = next_id_++;
    windows_.insert(id, w);
    stack_.append(id);
    return id;
}

void fake_desktop::remove_window(window_handle_t w) {
    windows_.remove(w);
    stack_.removeAll(w);
    if (foreground_ == w)
        foreground_ = 0;
}

void fake_desktop::record(const QString& name, const QVariantList& args) {
    const call_t call{clock_.nsecsElapsed(), name, args};
    {
        QMutexLocker lock(&mutex_);
        calls_.append(call);
    }
    if (observer_)
        observer_(call);
}

QList<fake_desktop::call_t> fake_desktop::calls() const {
    QMutexLocker lock(&mutex_);
    return calls_;
}

QStringList fake_desktop::call_names() const {
    QStringList names;
    for (const call_t& c : calls())
        names << c.name;
    return names;
}

void fake_desktop::clear_calls() {
    QMutexLocker lock(&mutex_);
    calls_.clear();
}

bool fake_desktop::is_window(window_handle_t w) {
    return windows_.contains(w);
}
bool fake_desktop::is_visible(window_handle_t w) {
    return windows_.value(w).visible && windows_.contains(w);
}
bool fake_desktop::is_minimised(window_handle_t w) {
    return windows_.value(w).minimised;
}
QString fake_desktop::class_name(window_handle_t w) {
    return windows_.value(w).class_name;
}
QString fake_desktop::title(window_handle_t w) {
    return windows_.value(w).title;
}
qint64 fake_desktop::process_id(window_handle_t w) {
    return windows_.contains(w) ? windows_.value(w).process : 0;
}
QString fake_desktop::accessibility_class(window_handle_t w) {
    return windows_.value(w).accessibility_class;
}

window_handle_t fake_desktop::next_below(window_handle_t w) {
    const int index = stack_.indexOf(w);
    return index > 0 ? stack_[index - 1] : 0;
}

window_handle_t fake_desktop::foreground_window() {
    return foreground_;
}

bool fake_desktop::client_rect(window_handle_t w, QRect* rect, qreal* scale) {
    if (!windows_.contains(w))
        return false;
    *rect = windows_.value(w).client_rect;
    *scale = windows_.value(w).scale;
    return true;
}

bool fake_desktop::bring_to_front(window_handle_t w) {
    record(QStringLiteral("bring_to_front"), {QVariant::fromValue(w)});
    if (!windows_.contains(w) || !focus_succeeds_)
        return false;
    windows_[w].minimised = false;
    foreground_ = w;
    stack_.removeAll(w);
    stack_.append(w);
    return true;
}

void fake_desktop::raise_above(window_handle_t window, window_handle_t target) {
    record(QStringLiteral("raise_above"),
           {QVariant::fromValue(window), QVariant::fromValue(target)});
}

void fake_desktop::set_topmost(window_handle_t w, bool on) {
    record(QStringLiteral("set_topmost"), {QVariant::fromValue(w), on});
}

void fake_desktop::set_tool_window(window_handle_t w) {
    record(QStringLiteral("set_tool_window"), {QVariant::fromValue(w)});
}

void fake_desktop::restore(window_handle_t w) {
    record(QStringLiteral("restore"), {QVariant::fromValue(w)});
    if (windows_.contains(w))
        windows_[w].minimised = false;
}

void fake_desktop::key(key_t k, bool press) {
    static const char* const names[] = {"control", "v", "enter"};
    record(QStringLiteral("key"), {QLatin1String(names[static_cast<int>(k)]), press});
}

void fake_desktop::release_held_modifiers() {
    record(QStringLiteral("release_held_modifiers"));
}

bool fake_desktop::set_clipboard_text(const QString& text) {
    record(QStringLiteral("clipboard_text"), {text});
    replace_clipboard({{{QStringLiteral("text/plain"), text.toUtf8()}}});
    return true;
}

bool fake_desktop::set_clipboard_files(const QStringList& paths) {
    record(QStringLiteral("clipboard_files"), {paths});
    replace_clipboard({{{QStringLiteral("text/uri-list"), paths.join('\n').toUtf8()}}});
    return true;
}

bool fake_desktop::set_clipboard_bytes(const QString& format_name, const QByteArray& bytes) {
    record(QStringLiteral("clipboard_bytes"), {format_name, bytes});
    replace_clipboard({{{format_name, bytes}}});
    return true;
}

clipboard_read_t fake_desktop::read_clipboard(qint64 max_bytes, clipboard_content_t* content) {
    record(QStringLiteral("clipboard_read"), {max_bytes});
    if (read_fails_)
        return clipboard_read_t::failed;
    const clipboard_content_t now = clipboard();
    if (now.size() > max_bytes)
        return clipboard_read_t::too_large;
    *content = now;
    return clipboard_read_t::ok;
}

bool fake_desktop::write_clipboard(const clipboard_content_t& content) {
    QStringList names;
    for (const clipboard_format_t& f : content.formats)
        names << f.name;
    record(QStringLiteral("clipboard_write"), {names});
    replace_clipboard(content);
    return true;
}

quint64 fake_desktop::clipboard_sequence() {
    QMutexLocker lock(&mutex_);
    return clipboard_sequence_;
}

void fake_desktop::user_copies(const clipboard_content_t& content) {
    replace_clipboard(content);
}

clipboard_content_t fake_desktop::clipboard() const {
    QMutexLocker lock(&mutex_);
    return clipboard_;
}

void fake_desktop::replace_clipboard(const clipboard_content_t& content) {
    QMutexLocker lock(&mutex_);
    clipboard_ = content;
    ++clipboard_sequence_;
}

bool fake_window_events::start(sink_t sink) {
    sink_ = std::move(sink);
    return true;
}

void fake_window_events::raise(window_event_kind kind, window_handle_t w) {
    if (sink_)
        sink_(window_event_t{kind, w});
}

} // namespace quorvel::platform
