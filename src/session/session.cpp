#include "session/session.h"

#include "model/data_center.h"
#include "session/offline_session.h"
#include "session/session_views.h"
#include "sync/library_sync.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <spdlog/spdlog.h>

namespace quorvel {

const char* name_of(session_phase phase) {
    switch (phase) {
    case session_phase::idle:
        return "idle";
    case session_phase::logging_in:
        return "logging in";
    case session_phase::synchronising:
        return "synchronising";
    case session_phase::running:
        return "running";
    case session_phase::offline:
        return "offline";
    case session_phase::quitting:
        return "quitting";
    }
    return "?";
}

session::session(session_views& views, QObject* parent) : QObject(parent), views_(views) {
    sync_factory_ = [](QObject* owner) { return new library_sync(owner); };
    // The offline library saves what this session synchronises and brings
    // it back online.
    offline_session::instance().follow(this);
}

session::~session() = default;

session_phase session::next(session_phase from, session_event event) {
    using p = session_phase;
    using e = session_event;
    if (event == e::quit)
        return p::quitting;
    switch (from) {
    case p::idle:
        return event == e::start ? p::logging_in : from;
    case p::logging_in:
        if (event == e::logged_in)
            return p::synchronising;
        return event == e::logged_in_offline ? p::offline : from;
    case p::synchronising:
        return event == e::synchronised ? p::running : from;
    case p::running:
        return event == e::log_out ? p::logging_in : from;
    case p::offline:
        if (event == e::server_back)
            return p::synchronising;
        return event == e::log_out ? p::logging_in : from;
    case p::quitting:
        return from;
    }
    return from;
}

bool session::handle(session_event event) {
    const session_phase from = phase_;
    const session_phase to = next(from, event);
    if (to == from)
        return false;
    phase_ = to;
    spdlog::info("session: {} -> {}", name_of(from), name_of(to));
    enter(from, event);
    emit phase_changed(to);
    return true;
}

void session::enter(session_phase from, session_event event) {
    switch (phase_) {
    case session_phase::idle:
        return;
    case session_phase::logging_in:
        if (event == session_event::log_out) {
            spdlog::info("log out");
            data_center::instance().clear(); // the file cache stays for the next login
            open_login();
            close_main_window();
        } else {
            open_login();
        }
        return;
    case session_phase::synchronising:
        if (from == session_phase::offline) {
            // The pages go with the main window: the store is refilled while
            // no view reads it. Closing the last window must not end the run.
            QGuiApplication::setQuitOnLastWindowClosed(false);
            close_main_window();
            QTimer::singleShot(0, this, [this] {
                if (phase_ != session_phase::synchronising)
                    return;
                emit main_window_closed_for_sync();
                open_synchronisation();
                QGuiApplication::setQuitOnLastWindowClosed(true);
            });
        } else {
            open_synchronisation();
        }
        return;
    case session_phase::running:
    case session_phase::offline:
        open_main_window();
        return;
    case session_phase::quitting:
        if (sync_)
            sync_->stop();
        close_main_window();
        QCoreApplication::quit();
        return;
    }
}

library_sync* session::synchronisation() const {
    return sync_;
}

void session::bring_forward() {
    QObject* shown = main_ ? main_.data() : progress_ ? progress_.data() : login_.data();
    views_.bring_forward(shown);
}

void session::open_login() {
    login_ = views_.open_login(*this);
}

void session::open_synchronisation() {
    sync_ = sync_factory_(this);
    // Watchers first (the offline save), then the main window opens, then
    // the progress closes: the run never lacks a window.
    emit synchronisation_started(sync_);
    connect(sync_, &library_sync::finished, this, &session::on_synchronised);
    progress_ = views_.open_sync_progress(*this, *sync_);
}

void session::on_synchronised() {
    if (sync_)
        sync_->deleteLater();
    handle(session_event::synchronised);
}

void session::open_main_window() {
    main_ = views_.open_main_window(*this);
}

void session::close_main_window() {
    if (main_)
        views_.close_main_window(main_);
    main_ = nullptr;
}

} // namespace quorvel
