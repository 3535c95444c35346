#include "model/data_center.h"
#include "model/session_state.h"
#include "session/session.h"
#include "session/session_views.h"
#include "sync/library_sync.h"

#include <QObject>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace quorvel;

namespace {

// Windows as plain objects; every call is written down in order.
class fake_views : public session_views {
public:
    QStringList calls;
    QPointer<QObject> main;

    QObject* open_login(session&) override { return made("login"); }
    QObject* open_sync_progress(session&, library_sync&) override { return made("sync"); }
    QObject* open_main_window(session&) override { return main = made("main"); }
    void close_main_window(QObject* window) override {
        calls << QStringLiteral("close ") + window->objectName();
        delete window;
    }
    void bring_forward(QObject* window) override {
        calls << QStringLiteral("forward ") + (window ? window->objectName() : QString("none"));
    }

private:
    QObject* made(const char* name) {
        calls << QStringLiteral("open ") + QLatin1String(name);
        auto* window = new QObject(&owner_);
        window->setObjectName(QLatin1String(name));
        return window;
    }
    QObject owner_;
};

const QHash<QString, session_event>& events_by_name() {
    static const QHash<QString, session_event> events = {
        {"start", session_event::start},
        {"logged_in", session_event::logged_in},
        {"logged_in_offline", session_event::logged_in_offline},
        {"synchronised", session_event::synchronised},
        {"server_back", session_event::server_back},
        {"log_out", session_event::log_out},
        {"quit", session_event::quit},
    };
    return events;
}

// A synchronisation that is never started: the test says when it is over.
library_sync* idle_sync(QObject* parent) {
    return new library_sync(parent);
}

} // namespace

Q_DECLARE_METATYPE(session_phase)

class test_session : public QObject {
    Q_OBJECT
private slots:
    void transitions_data();
    void transitions();
    void every_event_outside_its_phases_changes_nothing();
    void a_finished_synchronisation_opens_the_main_window();
    void log_out_forgets_the_login_and_the_library();
    void the_return_online_refills_the_store_between_the_windows();
    void a_second_start_brings_forward_what_is_shown();
};

// Each row: the events from a new session, the phase reached, and what the
// windows saw on the way.
void test_session::transitions_data() {
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<session_phase>("phase");
    QTest::addColumn<QStringList>("calls");
    using p = session_phase;
    QTest::newRow("built") << QStringList{} << p::idle << QStringList{};
    QTest::newRow("start") << QStringList{"start"} << p::logging_in << QStringList{"open login"};
    QTest::newRow("online login") << QStringList{"start", "logged_in"} << p::synchronising
                                  << QStringList{"open login", "open sync"};
    QTest::newRow("synchronised") << QStringList{"start", "logged_in", "synchronised"} << p::running
                                  << QStringList{"open login", "open sync", "open main"};
    QTest::newRow("offline login") << QStringList{"start", "logged_in_offline"} << p::offline
                                   << QStringList{"open login", "open main"};
    QTest::newRow("log out online")
        << QStringList{"start", "logged_in", "synchronised", "log_out"} << p::logging_in
        << QStringList{"open login", "open sync", "open main", "open login", "close main"};
    QTest::newRow("log out offline")
        << QStringList{"start", "logged_in_offline", "log_out"} << p::logging_in
        << QStringList{"open login", "open main", "open login", "close main"};
    QTest::newRow("log in again") << QStringList{"start", "logged_in_offline", "log_out",
                                                 "logged_in"}
                                  << p::synchronising
                                  << QStringList{"open login", "open main", "open login",
                                                 "close main", "open sync"};
    QTest::newRow("server back") << QStringList{"start", "logged_in_offline", "server_back"}
                                 << p::synchronising
                                 << QStringList{"open login", "open main", "close main",
                                                "open sync"};
    QTest::newRow("back online synchronised")
        << QStringList{"start", "logged_in_offline", "server_back", "synchronised"} << p::running
        << QStringList{"open login", "open main", "close main", "open sync", "open main"};
    QTest::newRow("quit while logging in")
        << QStringList{"start", "quit"} << p::quitting << QStringList{"open login"};
    QTest::newRow("quit while synchronising")
        << QStringList{"start", "logged_in", "quit"} << p::quitting
        << QStringList{"open login", "open sync"};
    QTest::newRow("quit running") << QStringList{"start", "logged_in", "synchronised", "quit"}
                                  << p::quitting
                                  << QStringList{"open login", "open sync", "open main",
                                                 "close main"};
    QTest::newRow("quit offline") << QStringList{"start", "logged_in_offline", "quit"}
                                  << p::quitting
                                  << QStringList{"open login", "open main", "close main"};
    QTest::newRow("nothing after quit") << QStringList{"start", "quit", "start", "logged_in"}
                                        << p::quitting << QStringList{"open login"};
    QTest::newRow("second login ignored")
        << QStringList{"start", "logged_in", "logged_in_offline"} << p::synchronising
        << QStringList{"open login", "open sync"};
    QTest::newRow("no log-out while synchronising")
        << QStringList{"start", "logged_in", "log_out"} << p::synchronising
        << QStringList{"open login", "open sync"};
    QTest::newRow("server back only offline")
        << QStringList{"start", "logged_in", "synchronised", "server_back"} << p::running
        << QStringList{"open login", "open sync", "open main"};
}

void test_session::transitions() {
    QFETCH(QStringList, events);
    QFETCH(session_phase, phase);
    QFETCH(QStringList, calls);
    fake_views views;
    session s(views);
    s.set_sync_factory(idle_sync);
    for (const QString& name : events) {
        if (name == "synchronised" && s.synchronisation())
            emit s.synchronisation()->finished(true); // as a real one ends
        else
            s.handle(events_by_name().value(name));
        // The return online opens the synchronisation once the main window is gone.
        QCoreApplication::processEvents();
    }
    QCOMPARE(s.phase(), phase);
    QCOMPARE(views.calls, calls);
}

// next() is the whole table: an event that does not apply keeps the phase.
void test_session::every_event_outside_its_phases_changes_nothing() {
    using p = session_phase;
    using e = session_event;
    const QHash<QPair<int, int>, p> moves = {
        {{int(p::idle), int(e::start)}, p::logging_in},
        {{int(p::logging_in), int(e::logged_in)}, p::synchronising},
        {{int(p::logging_in), int(e::logged_in_offline)}, p::offline},
        {{int(p::synchronising), int(e::synchronised)}, p::running},
        {{int(p::running), int(e::log_out)}, p::logging_in},
        {{int(p::offline), int(e::log_out)}, p::logging_in},
        {{int(p::offline), int(e::server_back)}, p::synchronising},
    };
    for (int from = int(p::idle); from <= int(p::quitting); ++from)
        for (const session_event event : events_by_name()) {
            const p expected =
                event == e::quit ? p::quitting : moves.value({from, int(event)}, p(from));
            QCOMPARE(session::next(p(from), event), expected);
        }
}

void test_session::a_finished_synchronisation_opens_the_main_window() {
    fake_views views;
    session s(views);
    s.set_sync_factory(idle_sync);
    s.start();
    s.logged_in();
    QPointer<library_sync> sync = s.synchronisation();
    QVERIFY(sync);
    QSignalSpy started(&s, &session::synchronisation_started);
    // An incomplete synchronisation opens the window too.
    emit sync->finished(false);
    QCOMPARE(s.phase(), session_phase::running);
    QVERIFY(views.main);
    QTRY_VERIFY(!sync); // gone once over
    QVERIFY(!s.synchronisation());
}

void test_session::log_out_forgets_the_login_and_the_library() {
    fake_views views;
    session s(views);
    s.set_sync_factory(idle_sync);
    s.start();
    s.logged_in_offline();
    session_state::instance().set_token("token");
    data_center::instance().replace_phrases({{"p", phrase_node_spt::create()}});
    s.log_out();
    QVERIFY(session_state::instance().token().isEmpty());
    QVERIFY(data_center::instance().phrases().isEmpty());
    QVERIFY(!views.main); // closed, and the login is open again
    QCOMPARE(views.calls.last(), QString("close main"));
    QCOMPARE(views.calls.count("open login"), 2);
}

void test_session::the_return_online_refills_the_store_between_the_windows() {
    fake_views views;
    session s(views);
    s.set_sync_factory(idle_sync);
    s.start();
    s.logged_in_offline();
    QStringList order;
    connect(&s, &session::main_window_closed_for_sync, this,
            [&] { order << views.calls.last() + ", store refilled"; });
    connect(&s, &session::synchronisation_started, this,
            [&](library_sync* sync) { order << QString("sync %1").arg(sync != nullptr); });
    s.server_back();
    QCOMPARE(views.calls.last(), QString("close main"));
    QVERIFY(order.isEmpty()); // not inside the window's close
    QTRY_COMPARE(order, (QStringList{"close main, store refilled", "sync 1"}));
    QCOMPARE(views.calls.last(), QString("open sync"));
}

void test_session::a_second_start_brings_forward_what_is_shown() {
    fake_views views;
    session s(views);
    s.set_sync_factory(idle_sync);
    s.bring_forward();
    s.start();
    s.bring_forward();
    s.logged_in();
    s.bring_forward();
    emit s.synchronisation()->finished(true);
    s.bring_forward();
    QCOMPARE(views.calls.filter("forward"),
             (QStringList{"forward none", "forward login", "forward sync", "forward main"}));
}

QTEST_MAIN(test_session)
#include "test_session.moc"
