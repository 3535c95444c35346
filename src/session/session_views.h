#pragma once

class QObject;

namespace quorvel {

class library_sync;
class session;

// The windows of a session, made by the layer above: the real pages in the
// client, fakes in tests. The session says when each opens and closes; a
// window reports back by calling the session (a login, a log-out). What an
// open_* returns is shown already; the session keeps it as a guarded pointer
// and never deletes it.
class session_views {
public:
    virtual ~session_views() = default;

    // The login dialog: it calls session::logged_in or logged_in_offline.
    virtual QObject* open_login(session& owner) = 0;
    // The progress of a synchronisation, with its stop button; showing it
    // starts the synchronisation.
    virtual QObject* open_sync_progress(session& owner, library_sync& sync) = 0;
    // The main window: its log-out calls session::log_out.
    virtual QObject* open_main_window(session& owner) = 0;
    // Ends the main window as its quit does (the docking is handed over).
    virtual void close_main_window(QObject* window) = 0;
    // A second start asked: what the session shows comes forward.
    virtual void bring_forward(QObject* window) = 0;
};

} // namespace quorvel
