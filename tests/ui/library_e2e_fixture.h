#pragma once

// The library pages end to end on X11: quorvel-server's demo library
// synchronised as the agent, the stand-in chat window, and the main window
// docked beside it as when the agent switched to the chat.
#include "library_login.h"
#include "model/session_state.h"
#include "standin_fixture.h"
#include "ui/main_widget.h"

struct library_e2e_fixture {
    ~library_e2e_fixture() { delete main; }

    // Brings it all up; what failed, empty when nothing did.
    QString start(const QString& standin_program) {
        if (!demo.start())
            return "quorvel-server did not start";
        if (!log_in_and_sync(demo, "agent", "agent123"))
            return "logging in and synchronising failed";
        token = quorvel::session_state::instance().token();
        const quorvel::window_handle_t chat = standin.start(standin_program);
        if (chat == 0)
            return "the stand-in showed no window";
        main = new quorvel::main_widget;
        main->show();
        main->on_window_show(chat);
        QTest::qWait(300);
        return {};
    }

    server_fixture demo;
    QString token;
    standin_fixture standin;
    quorvel::main_widget* main = nullptr;
};
