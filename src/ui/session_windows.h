#pragma once

#include "session/session_views.h"

namespace quorvel {

// The client's windows for a session: the login dialog, the progress of
// the synchronisation and the main window.
class session_windows : public session_views {
public:
    QObject* open_login(session& owner) override;
    QObject* open_sync_progress(session& owner, library_sync& sync) override;
    QObject* open_main_window(session& owner) override;
    void close_main_window(QObject* window) override;
    void bring_forward(QObject* window) override;
};

} // namespace quorvel
