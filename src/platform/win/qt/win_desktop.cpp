// The desktop on Windows: type conversions around the Qt-free core.
#include "platform/desktop.h"

#include "platform/win/automation.h"
#include "platform/win/clipboard.h"
#include "platform/win/focus.h"
#include "platform/win/keys.h"
#include "platform/win/window_query.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>

namespace quorvel::platform {

namespace {

win32::hwnd_t hwnd(window_handle_t w) {
    return static_cast<win32::hwnd_t>(w);
}

QString text(const std::wstring& s) {
    return QString::fromStdWString(s);
}

// Keeps our own messages flowing while the target takes the foreground: data
// that Qt put on the clipboard is rendered on request.
void settle(win32::hwnd_t target, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms && win32::foreground_window() != target) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::usleep(500);
    }
}

class win_desktop final : public desktop {
public:
    bool is_window(window_handle_t w) override { return win32::is_window(hwnd(w)); }
    bool is_visible(window_handle_t w) override { return win32::is_visible(hwnd(w)); }
    bool is_minimised(window_handle_t w) override { return win32::is_minimised(hwnd(w)); }
    QString class_name(window_handle_t w) override { return text(win32::class_name(hwnd(w))); }
    QString title(window_handle_t w) override { return text(win32::title(hwnd(w))); }
    qint64 process_id(window_handle_t w) override { return win32::process_id(hwnd(w)); }
    window_handle_t next_below(window_handle_t w) override { return win32::next_below(hwnd(w)); }
    window_handle_t foreground_window() override { return win32::foreground_window(); }

    bool client_rect(window_handle_t w, QRect* rect, qreal* scale) override {
        win32::rect_t r;
        if (!win32::client_rect_on_screen(hwnd(w), &r))
            return false;
        *rect = QRect(QPoint(int(r.left), int(r.top)), QPoint(int(r.right) - 1, int(r.bottom) - 1));
        *scale = win32::window_dpi(hwnd(w)) / 96.0;
        return true;
    }

    QString accessibility_class(window_handle_t w) override {
        return text(win32::automation_class_name(hwnd(w)));
    }

    bool bring_to_front(window_handle_t w) override {
        return win32::bring_to_front(hwnd(w), settle);
    }
    void raise_above(window_handle_t window, window_handle_t) override {
        win32::raise_to_top(hwnd(window));
    }
    void set_topmost(window_handle_t w, bool on) override { win32::set_topmost(hwnd(w), on); }
    void set_tool_window(window_handle_t w) override { win32::set_tool_window(hwnd(w)); }
    void restore(window_handle_t w) override { win32::restore(hwnd(w)); }

    void key(key_t k, bool press) override {
        switch (k) {
        case key_t::control:
            win32::key_event(win32::vk_control, press);
            break;
        case key_t::v:
            win32::key_event(win32::vk_v, press);
            break;
        case key_t::enter:
            win32::key_event(win32::vk_return, press);
            break;
        }
    }
    void release_held_modifiers() override { win32::release_held_modifiers(); }
    void paste_chord() override { win32::paste_chord(); }
    void enter() override { win32::send_enter(); }
    void ctrl_enter() override { win32::ctrl_enter_chord(); }

    bool set_clipboard_text(const QString& t) override { return win32::set_text(t.toStdWString()); }
    bool set_clipboard_files(const QStringList& paths) override {
        std::vector<std::wstring> native;
        for (const QString& path : paths)
            native.push_back(QDir::toNativeSeparators(path).toStdWString());
        return win32::set_files(native);
    }
    bool set_clipboard_bytes(const QString& format_name, const QByteArray& bytes) override {
        return win32::set_bytes(format_name.toStdWString(), bytes.toStdString());
    }
    clipboard_read_t read_clipboard(qint64 max_bytes, clipboard_content_t* content) override {
        std::vector<win32::clipboard_block_t> blocks;
        switch (win32::read_all(static_cast<size_t>(max_bytes), &blocks)) {
        case win32::read_result::too_large:
            return clipboard_read_t::too_large;
        case win32::read_result::failed:
            return clipboard_read_t::failed;
        case win32::read_result::ok:
            break;
        }
        content->formats.clear();
        for (const win32::clipboard_block_t& b : blocks)
            content->formats.append(
                {text(b.name), QByteArray(b.bytes.data(), int(b.bytes.size()))});
        return clipboard_read_t::ok;
    }
    bool write_clipboard(const clipboard_content_t& content) override {
        std::vector<win32::clipboard_block_t> blocks;
        for (const clipboard_format_t& f : content.formats)
            blocks.push_back({f.name.toStdWString(), f.bytes.toStdString()});
        return win32::write_all(blocks);
    }
    quint64 clipboard_sequence() override { return win32::clipboard_sequence(); }
};

} // namespace

std::unique_ptr<desktop> create_desktop() {
    return std::make_unique<win_desktop>();
}

} // namespace quorvel::platform
