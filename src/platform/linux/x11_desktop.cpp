#include "platform/desktop.h"
#include "platform/linux/x11_clipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <mutex>

// Xlib last: its macros (Bool, None, Status) break Qt headers.
#include "platform/linux/x11_support.h"
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace quorvel::platform {

namespace {

using namespace x11;

class x11_desktop : public desktop {
public:
    x11_desktop() {
        install_error_handler();
        display_ = XOpenDisplay(nullptr);
    }
    ~x11_desktop() override {
        if (display_)
            XCloseDisplay(display_);
    }

    bool is_window(window_handle_t w) override {
        std::lock_guard<std::mutex> lock(mutex_);
        XWindowAttributes attributes{};
        return display_ && w && XGetWindowAttributes(display_, w, &attributes);
    }

    bool is_visible(window_handle_t w) override {
        std::lock_guard<std::mutex> lock(mutex_);
        XWindowAttributes attributes{};
        return display_ && w && XGetWindowAttributes(display_, w, &attributes) &&
               attributes.map_state == IsViewable;
    }

    bool is_minimised(window_handle_t w) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!display_ || !w)
            return false;
        const auto state = cardinals(display_, w, "WM_STATE", atom(display_, "WM_STATE"));
        if (!state.empty() && state[0] == IconicState)
            return true;
        const auto net_state = cardinals(display_, w, "_NET_WM_STATE", XA_ATOM);
        return std::find(net_state.begin(), net_state.end(),
                         atom(display_, "_NET_WM_STATE_HIDDEN")) != net_state.end();
    }

    QString class_name(window_handle_t w) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return display_ && w ? window_class(display_, w) : QString();
    }

    QString title(window_handle_t w) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return display_ && w ? window_title(display_, w) : QString();
    }

    qint64 process_id(window_handle_t w) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return display_ && w ? window_pid(display_, w) : 0;
    }

    window_handle_t next_below(window_handle_t w) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!display_)
            return 0;
        const auto stack = client_stack(display_); // bottom to top
        const auto it = std::find(stack.begin(), stack.end(), static_cast<Window>(w));
        return it == stack.end() || it == stack.begin() ? 0 : *(it - 1);
    }

    window_handle_t foreground_window() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!display_)
            return 0;
        if (const Window active = active_window(display_))
            return active;
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        return focus > 1 ? client_of(display_, toplevel_of(display_, focus)) : 0;
    }

    bool client_rect(window_handle_t w, QRect* rect, qreal* scale) override {
        std::lock_guard<std::mutex> lock(mutex_);
        XWindowAttributes attributes{};
        if (!display_ || !w || !XGetWindowAttributes(display_, w, &attributes))
            return false;
        int x = 0, y = 0;
        Window child = 0;
        if (!XTranslateCoordinates(display_, w, DefaultRootWindow(display_), 0, 0, &x, &y, &child))
            return false;
        *rect = QRect(x, y, attributes.width, attributes.height);
        *scale = 1.0;
        return true;
    }

    bool bring_to_front(window_handle_t w) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!display_ || !w)
                return false;
            if (has_window_manager(display_)) {
                // Source 2: a pager-like request, which the window manager honours
                // and which also restores a minimised window.
                send_wm_message(display_, w, "_NET_ACTIVE_WINDOW", 2, CurrentTime, 0);
            } else {
                XMapRaised(display_, w);
                XSetInputFocus(display_, w, RevertToParent, CurrentTime);
                XFlush(display_);
            }
        }
        // A fixed delay is not enough: wait until the window is active and has
        // the keyboard focus, serving our own events (clipboard) meanwhile.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 1000) {
            if (has_focus(w))
                return true;
            if (QCoreApplication::instance())
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            QThread::usleep(500);
        }
        return false;
    }

    void raise_above(window_handle_t window, window_handle_t target) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (display_ && window)
            send_wm_message(display_, window, "_NET_RESTACK_WINDOW", 2, static_cast<long>(target),
                            Above);
    }

    void set_topmost(window_handle_t w, bool on) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (display_ && w)
            set_wm_state(display_, w, on, {"_NET_WM_STATE_ABOVE"});
    }

    void set_tool_window(window_handle_t w) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (display_ && w)
            set_wm_state(display_, w, true,
                         {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"});
    }

    void restore(window_handle_t w) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!display_ || !w)
            return;
        if (has_window_manager(display_))
            send_wm_message(display_, w, "_NET_ACTIVE_WINDOW", 2, CurrentTime, 0);
        else
            XMapWindow(display_, w);
        XFlush(display_);
    }

    void key(key_t k, bool press) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!display_)
            return;
        const KeySym sym = k == key_t::control ? XK_Control_L : k == key_t::v ? XK_v : XK_Return;
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, sym), press ? True : False,
                          CurrentTime);
        XFlush(display_);
    }

    void release_held_modifiers() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!display_)
            return;
        char keys[32] = {};
        XQueryKeymap(display_, keys);
        XModifierKeymap* modifiers = XGetModifierMapping(display_);
        if (!modifiers)
            return;
        for (int i = 0; i < 8 * modifiers->max_keypermod; ++i) {
            const KeyCode code = modifiers->modifiermap[i];
            if (code && (keys[code / 8] & (1 << (code % 8))))
                XTestFakeKeyEvent(display_, code, False, CurrentTime);
        }
        XFreeModifiermap(modifiers);
        XFlush(display_);
    }

    bool set_clipboard_text(const QString& text) override {
        auto* data = new QMimeData;
        data->setText(text);
        return put(data);
    }

    bool set_clipboard_files(const QStringList& paths) override {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        QByteArray gnome = "copy";
        for (const QString& path : paths) {
            const QUrl url = QUrl::fromLocalFile(path);
            urls << url;
            gnome += '\n' + url.toEncoded();
        }
        data->setUrls(urls); // text/uri-list
        data->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
        return put(data);
    }

    bool set_clipboard_bytes(const QString& format_name, const QByteArray& bytes) override {
        auto* data = new QMimeData;
        // The same name Windows registers, carried the way Qt names it on X11.
        data->setData(QStringLiteral("application/x-qt-windows-mime;value=\"%1\"").arg(format_name),
                      bytes);
        return put(data);
    }

    clipboard_read_t read_clipboard(qint64 max_bytes, clipboard_content_t* content) override {
        return clipboard_.read(max_bytes, content);
    }
    bool write_clipboard(const clipboard_content_t& content) override {
        return clipboard_.write(content);
    }
    quint64 clipboard_sequence() override { return clipboard_.sequence(); }

private:
    bool has_focus(window_handle_t w) {
        std::lock_guard<std::mutex> lock(mutex_);
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        if (focus <= 1)
            return false;
        const Window focused_top = toplevel_of(display_, focus);
        const bool focus_ok =
            focused_top && (focused_top == static_cast<Window>(w) ||
                            client_of(display_, focused_top) == static_cast<Window>(w));
        if (!has_window_manager(display_))
            return focus_ok;
        return focus_ok && active_window(display_) == static_cast<Window>(w);
    }

    bool put(QMimeData* data) { return clipboard_.put(data); }

    std::mutex mutex_;
    x11_clipboard clipboard_;
    Display* display_ = nullptr;
};

} // namespace

std::unique_ptr<desktop> create_desktop() {
    return std::make_unique<x11_desktop>();
}

} // namespace quorvel::platform
