#pragma once

#include "integration/app_pattern.h"
#include "platform/desktop.h"
#include "platform/window_handle.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QStringList>

namespace quorvel {

// Decides whether a window is the main window of a supported chat
// application and keeps the current target.
class window_detector : public QObject {
    Q_OBJECT
public:
    window_detector(platform::desktop& desktop, QObject* parent = nullptr);
    ~window_detector() override;

    bool is_target_window(window_handle_t hwnd);
    bool is_above_target(window_handle_t hwnd);
    window_handle_t current_target() const { return target_; }
    // The chat window the client follows now, whichever detector found it; 0 for none.
    static window_handle_t followed_window();

    // The table used when the server sent none: application → identifiers.
    static const QHash<QString, QStringList>& built_in_table();

signals:
    void target_appeared(quorvel::window_handle_t hwnd);
    void target_disappeared();
    void target_move();
    void target_foreground();
    void target_unforeground();

public slots:
    void detect_show(quorvel::window_handle_t hwnd);
    void detect_hide(quorvel::window_handle_t hwnd);
    void detect_move(quorvel::window_handle_t hwnd);
    void detect_foreground(quorvel::window_handle_t hwnd);
    void reload_ignore_app_list();

private:
    void set_target(window_handle_t hwnd);

    platform::desktop& desktop_;
    window_handle_t target_ = 0;
    QHash<QString, QStringList> table_source_;
    app_table table_;
    QStringList ignored_;
    QMutex mutex_;
};

} // namespace quorvel
