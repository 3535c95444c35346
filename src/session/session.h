#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

namespace quorvel {

class library_sync;
class session_views;

// Where the user's session is (docs/design.md draws the transitions).
enum class session_phase {
    idle,          // built, not started
    logging_in,    // the login dialog is open
    synchronising, // the library is fetched, its progress shown
    running,       // the main window, online
    offline,       // the main window over the saved library
    quitting,      // the event loop ends
};

// What moves the session on.
enum class session_event {
    start,
    logged_in,         // online login with profile
    logged_in_offline, // the saved library is in the store
    synchronised,      // the synchronisation is over (complete or not)
    server_back,       // offline, the server took the login again
    log_out,
    quit,
};

const char* name_of(session_phase phase);

// Owns the user's session from the login to the quit, like an application
// object owns start and shutdown: its phase and the transitions, which
// window is open, and the synchronisation. It shows no window itself: the
// session_views make them.
class session : public QObject {
    Q_OBJECT
public:
    explicit session(session_views& views, QObject* parent = nullptr);
    ~session() override;

    // The phase an event leads to; the same phase when it does not apply.
    static session_phase next(session_phase from, session_event event);

    session_phase phase() const { return phase_; }
    // Applies an event: the transition and what the new phase opens or
    // closes. False (nothing done) when the event does not apply.
    bool handle(session_event event);

    // The events by name, as the windows report them.
    void start() { handle(session_event::start); }
    void logged_in() { handle(session_event::logged_in); }
    void logged_in_offline() { handle(session_event::logged_in_offline); }
    void log_out() { handle(session_event::log_out); }
    void server_back() { handle(session_event::server_back); }
    void quit() { handle(session_event::quit); }
    // A second start asked for us.
    void bring_forward();

    // The running synchronisation; null outside synchronising.
    library_sync* synchronisation() const;

    // Makes the synchronisation (tests give one that fetches nothing).
    using sync_factory_t = std::function<library_sync*(QObject* parent)>;
    void set_sync_factory(sync_factory_t factory) { sync_factory_ = std::move(factory); }

signals:
    void phase_changed(quorvel::session_phase phase);
    // A synchronisation began; the offline library watches it.
    void synchronisation_started(quorvel::library_sync* sync);
    // Between closing the main window and synchronising again after the
    // server came back: the store may be refilled.
    void main_window_closed_for_sync();

private:
    void enter(session_phase from, session_event event);
    void open_login();
    void open_synchronisation();
    void open_main_window();
    void close_main_window();
    void on_synchronised();

    session_views& views_;
    session_phase phase_ = session_phase::idle;
    QPointer<QObject> login_;
    QPointer<QObject> progress_;
    QPointer<QObject> main_;
    QPointer<library_sync> sync_;
    sync_factory_t sync_factory_;
};

} // namespace quorvel
