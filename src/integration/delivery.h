#pragma once

#include "integration/clipboard_keeper.h"
#include "integration/composition.h"
#include "platform/desktop.h"

#include <QObject>
#include <functional>

namespace quorvel {

// Delivers scripts, stickers and documents into the chat window: focus,
// clipboard payload, paste chord and, for a send, the send key ("kb/send").
// The pauses between steps run a local event loop that ignores user input,
// so this process keeps serving its clipboard and two deliveries never interleave.
class delivery : public QObject {
    Q_OBJECT
public:
    explicit delivery(platform::desktop& desktop, QObject* parent = nullptr);

    // The main window's four send slots.
    void send_script(window_handle_t target, const QString& html);
    void input_script(window_handle_t target, const QString& html);
    void send_sticker(window_handle_t target, const QString& path) { send_file(target, path); }
    void send_clouddoc(window_handle_t target, const QString& path) { send_file(target, path); }

    bool bring_to_front(window_handle_t target);
    void put_script(window_handle_t target, const QString& html);
    void paste_segments(window_handle_t target, const segment_list& segments);
    void paste_wechat_rich(window_handle_t target, const segment_list& segments);
    void send_file(window_handle_t target, const QString& path);
    void input_file(window_handle_t target, const QString& path);
    void press_send_key();

    using paste_procedure = void (delivery::*)(window_handle_t, const segment_list&);
    // Exact window class → paste procedure; other classes paste segment by segment.
    static const QHash<QString, paste_procedure>& paste_handlers();

    // Waits without blocking this process's event loop (except user input).
    static void wait(int ms);

    // True from the first step of a delivery to its last key. The pauses
    // serve timers and queued signals: a window shown meanwhile could take
    // the keyboard focus, so shows wait for `finished`.
    bool busy() const { return depth_ > 0; }

    // Puts the user's clipboard back after deliveries ("advance/keep_clipboard").
    clipboard_keeper& keeper() { return keeper_; }

signals:
    void finished();
    // Files left out because they are not files of the cache, by name.
    void files_refused(const QStringList& names);

private:
    // Marks a delivery for its whole length; the outermost one keeps the
    // user's clipboard before it and has it restored after it.
    class busy_scope {
    public:
        explicit busy_scope(delivery* d);
        ~busy_scope();

    private:
        delivery* d_;
    };

    void paste_chord();
    segment_list pasteable(const segment_list& segments);
    QString pasteable(const QString& path);

    platform::desktop& desktop_;
    clipboard_keeper keeper_;
    int depth_ = 0;
};

} // namespace quorvel
