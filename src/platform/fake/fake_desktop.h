#pragma once

#include "platform/desktop.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QVariantList>

namespace quorvel::platform {

// A desktop in memory for unit tests: tests declare windows and raise
// events; every call is recorded in order with a monotonic time stamp.
class fake_desktop : public desktop {
public:
    struct window_t {
        window_t(const QString& klass = {}, const QString& caption = {})
            : class_name(klass), title(caption) {}
        QString class_name;
        QString title;
        qint64 process = 1000;
        QRect client_rect{100, 100, 800, 600};
        qreal scale = 1.0;
        bool visible = true;
        bool minimised = false;
        QString accessibility_class;
    };
    struct call_t {
        qint64 at_ns; // since the fake was made
        QString name;
        QVariantList args;
    };

    fake_desktop();

    // Windows, listed bottom to top.
    window_handle_t add_window(const window_t& w);
    void remove_window(window_handle_t w);
    window_t& window(window_handle_t w) { return windows_[w]; }
    void set_foreground(window_handle_t w) { foreground_ = w; }
    void set_focus_succeeds(bool ok) { focus_succeeds_ = ok; }

    // The clipboard as another program (the user) leaves it: not recorded,
    // but it changes the sequence as any change does.
    void user_copies(const clipboard_content_t& content);
    clipboard_content_t clipboard() const;
    void set_clipboard_read_fails(bool fails) { read_fails_ = fails; }

    // Called with every call as it is recorded (a test looks at its own
    // state at that moment).
    void set_observer(std::function<void(const call_t&)> observer) {
        observer_ = std::move(observer);
    }

    QList<call_t> calls() const;
    QStringList call_names() const;
    void clear_calls();

    bool is_window(window_handle_t w) override;
    bool is_visible(window_handle_t w) override;
    bool is_minimised(window_handle_t w) override;
    QString class_name(window_handle_t w) override;
    QString title(window_handle_t w) override;
    qint64 process_id(window_handle_t w) override;
    window_handle_t next_below(window_handle_t w) override;
    window_handle_t foreground_window() override;
    bool client_rect(window_handle_t w, QRect* rect, qreal* scale) override;
    QString accessibility_class(window_handle_t w) override;
    bool bring_to_front(window_handle_t w) override;
    void raise_above(window_handle_t window, window_handle_t target) override;
    void set_topmost(window_handle_t w, bool on) override;
    void set_tool_window(window_handle_t w) override;
    void restore(window_handle_t w) override;
    void key(key_t k, bool press) override;
    void release_held_modifiers() override;
    bool set_clipboard_text(const QString& text) override;
    bool set_clipboard_files(const QStringList& paths) override;
    bool set_clipboard_bytes(const QString& format_name, const QByteArray& bytes) override;
    clipboard_read_t read_clipboard(qint64 max_bytes, clipboard_content_t* content) override;
    bool write_clipboard(const clipboard_content_t& content) override;
    quint64 clipboard_sequence() override;

private:
    void record(const QString& name, const QVariantList& args = {});
    void replace_clipboard(const clipboard_content_t& content);

    QHash<window_handle_t, window_t> windows_;
    QList<window_handle_t> stack_; // bottom to top
    window_handle_t foreground_ = 0;
    window_handle_t next_id_ = 0x100;
    bool focus_succeeds_ = true;
    clipboard_content_t clipboard_;
    quint64 clipboard_sequence_ = 0;
    bool read_fails_ = false;
    QElapsedTimer clock_;
    mutable QMutex mutex_;
    QList<call_t> calls_;
    std::function<void(const call_t&)> observer_;
};

// Events raised by hand.
class fake_window_events : public window_event_source {
public:
    bool start(sink_t sink) override;
    void stop() override { sink_ = nullptr; }
    void raise(window_event_kind kind, window_handle_t w);

private:
    sink_t sink_;
};

} // namespace quorvel::platform
