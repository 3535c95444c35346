#pragma once

#include "platform/window_handle.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace quorvel::platform {

enum class window_event_kind { show, hide, location, foreground };

struct window_event_t {
    window_event_kind kind;
    window_handle_t window;
};

// One format the clipboard offers: its name on this system (a MIME type on
// X11; a registered name or "CF_…" on Windows) and its bytes.
struct clipboard_format_t {
    QString name;
    QByteArray bytes;
};

// Everything the clipboard offered at one moment, in the owner's order.
struct clipboard_content_t {
    QList<clipboard_format_t> formats;
    qint64 size() const {
        qint64 total = 0;
        for (const clipboard_format_t& f : formats)
            total += f.bytes.size();
        return total;
    }
};

enum class clipboard_read_t { ok, too_large, failed };

// What the program needs of the desktop: other processes' windows, focus and
// placement, simulated keys and clipboard formats. One implementation per
// system, chosen at build time; a recording fake for tests.
class desktop {
public:
    virtual ~desktop() = default;

    // ---- window queries ----
    virtual bool is_window(window_handle_t w) = 0;
    virtual bool is_visible(window_handle_t w) = 0;
    virtual bool is_minimised(window_handle_t w) = 0;
    virtual QString class_name(window_handle_t w) = 0;
    virtual QString title(window_handle_t w) = 0;
    virtual qint64 process_id(window_handle_t w) = 0;
    // The next window below in z-order (0 at the bottom).
    virtual window_handle_t next_below(window_handle_t w) = 0;
    virtual window_handle_t foreground_window() = 0;
    // The client area in screen pixels and the screen's scale factor.
    virtual bool client_rect(window_handle_t w, QRect* rect, qreal* scale) = 0;
    // The accessibility class name where the system has one; empty otherwise.
    virtual QString accessibility_class(window_handle_t) { return {}; }

    // ---- placement and focus ----
    // Makes the window the foreground window with the keyboard focus
    // (restoring it when minimised) and waits until it is; false on timeout.
    virtual bool bring_to_front(window_handle_t w) = 0;
    // Puts `window` above `target` without leaving it on top of everything.
    virtual void raise_above(window_handle_t window, window_handle_t target) = 0;
    virtual void set_topmost(window_handle_t w, bool on) = 0;
    virtual void set_tool_window(window_handle_t w) = 0;
    virtual void restore(window_handle_t w) = 0;

    // ---- keys ----
    enum class key_t { control, v, enter };
    virtual void key(key_t k, bool press) = 0;
    // Releases modifiers the user still holds (the Alt of a hotkey).
    virtual void release_held_modifiers() = 0;
    // The chords as key() sequences; a system with its own way of sending
    // one (Enter through SendInput on Windows) overrides it.
    virtual void paste_chord() {
        key(key_t::control, true);
        key(key_t::v, true);
        key(key_t::v, false);
        key(key_t::control, false);
    }
    virtual void enter() {
        key(key_t::enter, true);
        key(key_t::enter, false);
    }
    virtual void ctrl_enter() {
        key(key_t::control, true);
        enter();
        key(key_t::control, false);
    }

    // ---- clipboard ----
    virtual bool set_clipboard_text(const QString& text) = 0;
    virtual bool set_clipboard_files(const QStringList& paths) = 0;
    // Bytes under a named private format (the same name on every system).
    virtual bool set_clipboard_bytes(const QString& format_name, const QByteArray& bytes) = 0;
    // Every format the clipboard offers now, read from its owner. Above
    // max_bytes in all, nothing is kept and too_large is returned.
    virtual clipboard_read_t read_clipboard(qint64 max_bytes, clipboard_content_t* content) = 0;
    // Offers the content as ours, all formats at once; no formats empties it.
    virtual bool write_clipboard(const clipboard_content_t& content) = 0;
    // Changes whenever the clipboard's content changes, whoever changed it.
    virtual quint64 clipboard_sequence() = 0;
};

// Reports other processes' top-level windows being shown, hidden, moved and
// activated, from a thread of its own.
class window_event_source {
public:
    using sink_t = std::function<void(const window_event_t&)>;
    virtual ~window_event_source() = default;
    virtual bool start(sink_t sink) = 0;
    virtual void stop() = 0;
};

// The system's implementations.
std::unique_ptr<desktop> create_desktop();
std::unique_ptr<window_event_source> create_window_event_source();

} // namespace quorvel::platform
