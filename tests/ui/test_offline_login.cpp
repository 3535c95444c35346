// Working without the server: the library saved after an online login opens
// the client offline, and the client goes back online by itself.
#include "integration/current_desktop.h"
#include "model/data_center.h"
#include "model/record_json.h"
#include "model/records.h"
#include "model/session_state.h"
#include "net/actions/script_actions.h"
#include "net/connection_state.h"
#include "platform/fake/fake_desktop.h"
#include "resources/resources.h"
#include "server_fixture.h"
#include "session/offline_session.h"
#include "session/session.h"
#include "sync/library_file.h"
#include "sync/password_hash.h"
#include "ui/auto_follow_widget.h"
#include "ui/login_widget.h"
#include "ui/main_widget.h"
#include "ui/session_windows.h"
#include "ui/sync_data_widget.h"

#include <QApplication>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>
#include <memory>

using namespace quorvel;
using platform::fake_desktop;

namespace {

QString text_of(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

void add_tree(QStringList& out, const QString& name, const category_tree_t* tree) {
    if (!tree)
        return;
    for (auto it = tree->constBegin(); it != tree->constEnd(); ++it)
        for (const category_node_spt& child : it->children)
            out << name + ' ' + it.key() + " > " + text_of(to_json(*child));
}

template <class Map> void add_items(QStringList& out, const QString& name, const Map& items) {
    for (auto it = items.constBegin(); it != items.constEnd(); ++it)
        for (const auto& item : it.value())
            out << name + ' ' + it.key() + ": " + text_of(to_json(*item));
}

// Categories, scripts, stickers and documents as the pages see them.
QStringList library_lines() {
    const data_center& dc = data_center::instance();
    QStringList out;
    for (library_kind library : {library_kind::scripts, library_kind::stickers})
        for (int part = 0; part < protocol::part_count; ++part)
            for (const QString& dept : part == 2 ? dc.tree_departments(library) : QStringList{""})
                add_tree(out, QString("tree %1/%2/%3").arg(int(library)).arg(part).arg(dept),
                         dc.category_tree(library, part, dept));
    add_tree(out, "doc tree", &dc.doc_categories());
    add_items(out, "script", dc.scripts_by_category());
    add_items(out, "sticker", dc.stickers_by_category());
    add_items(out, "doc", dc.docs_by_category());
    out.sort();
    return out;
}

template <class Window> Window* shown() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(w); window && window->isVisible())
            return window;
    return nullptr;
}

main_widget* open_main() {
    return shown<main_widget>();
}

bool has_script_with(const QString& content) {
    for (const auto& list : data_center::instance().scripts_by_category())
        for (const script_node_spt& s : list)
            if (s->speechContent.contains(content))
                return true;
    return false;
}

} // namespace

class test_offline_login : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void online_login_saves_the_library();
    void unreachable_server_login_data();
    void unreachable_server_login();
    void another_accounts_file_does_not_open();
    void offline_start_shows_the_saved_library();
    void changes_are_refused_offline();
    void back_online_by_itself_with_the_server_changes();
    void a_stopped_synchronisation_after_logging_in_again_keeps_the_file();
    void cleanupTestCase();

private:
    // A new session, as a start makes it: the login dialog is open.
    login_widget* start_session();
    login_widget* try_login(const QString& account, const QString& password);

    fake_desktop desktop_;
    server_fixture server_;
    session_windows windows_;
    std::unique_ptr<session> session_;
    QStringList online_library_;
    QString personal_category_;
};

void test_offline_login::initTestCase() {
    init_resources();
    register_meta_types();
    set_current_desktop(&desktop_);
    QVERIFY(server_.start());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    offline_session::set_retry_delays(100, 400);
}

void test_offline_login::cleanupTestCase() {
    if (main_widget* main = open_main())
        main->quit();
}

login_widget* test_offline_login::start_session() {
    session_ = std::make_unique<session>(windows_);
    session_->start();
    return shown<login_widget>();
}

// A login dialog as the start shows it, after one click on "登录".
login_widget* test_offline_login::try_login(const QString& account, const QString& password) {
    login_widget* dialog = start_session();
    if (!dialog)
        return nullptr;
    dialog->user_edit()->setText(account);
    dialog->password_edit()->setText(password);
    dialog->login_button()->click();
    return dialog;
}

void test_offline_login::online_login_saves_the_library() {
    QSignalSpy saved(&offline_session::instance(), &offline_session::saved);
    QVERIFY(try_login("agent", "agent123"));
    QTRY_VERIFY_WITH_TIMEOUT(open_main(), 30000);
    QTRY_COMPARE(saved.count(), 1);
    online_library_ = library_lines();
    QVERIFY(online_library_.size() > 10);
    const auto* personal =
        data_center::instance().top_categories(library_kind::scripts, 1, QString());
    QVERIFY(personal && !personal->isEmpty());
    personal_category_ = personal->first()->id;

    // A copy of the file does not log anyone in: no password, no token.
    QFile file(library_file::path_for("agent"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.contains("agent123"));
    QVERIFY(!bytes.contains(session_state::instance().token().toUtf8()));

    open_main()->quit();
    QTRY_VERIFY(!open_main());
    server_.stop();
}

void test_offline_login::unreachable_server_login_data() {
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("offered");
    QTest::newRow("wrong password")
        << "agent"
        << "agent124"
        << "登录失败，原因：无法连接服务器，密码与上次在线登录时不符" << false;
    QTest::newRow("account never saved")
        << "manager"
        << "manager123"
        << "登录失败，原因：无法连接服务器，本机没有该账号的离线资料" << false;
    QTest::newRow("saved account") << "agent"
                                   << "agent123"
                                   << "无法连接服务器，可离线使用上次同步的资料" << true;
}

void test_offline_login::unreachable_server_login() {
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(QString, status);
    QFETCH(bool, offered);
    data_center::instance().clear();
    login_widget* dialog = try_login(account, password);
    QVERIFY(dialog);
    QTRY_VERIFY_WITH_TIMEOUT(dialog->login_button()->isEnabled(), 10000);
    QVERIFY2(dialog->status_label()->text().contains(status),
             qPrintable(dialog->status_label()->text()));
    QCOMPARE(dialog->offline_button()->isVisible(), offered);
    QVERIFY(!connection_state::instance().offline());
    QVERIFY(data_center::instance().scripts_by_category().isEmpty());
    dialog->close();
}

// A manager's file copied under the agent's file name: the manager's
// password must not open it as the agent's library.
void test_offline_login::another_accounts_file_does_not_open() {
    const QString agent_file = library_file::path_for("agent");
    const QString kept = agent_file + ".kept";
    QVERIFY(QFile::copy(agent_file, kept));
    // The agent's own file comes back, also when a check below fails.
    const auto restore = qScopeGuard([&] {
        QFile::remove(agent_file);
        QFile::rename(kept, agent_file);
    });
    {
        // The saved library made the manager's: its account, profile and password.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "manager_file");
        db.setDatabaseName(agent_file);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("UPDATE meta SET value = 'manager' WHERE key = 'account'"));
        QVERIFY(q.exec("UPDATE meta SET value = replace(value, '\"account\":\"agent\"',"
                       " '\"account\":\"manager\"') WHERE key = 'profile'"));
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase("manager_file");
    QVERIFY(library_file(agent_file)
                .set_password_hash(hash_password("manager123", hash_cost::cheapest)));
    QCOMPARE(library_file(agent_file).account(), QString("manager"));

    data_center::instance().clear();
    login_widget* dialog = try_login("agent", "manager123");
    QVERIFY(dialog);
    QTRY_VERIFY_WITH_TIMEOUT(dialog->login_button()->isEnabled(), 10000);
    QVERIFY2(dialog->status_label()->text().contains("本机没有该账号的离线资料"),
             qPrintable(dialog->status_label()->text()));
    QVERIFY(!dialog->offline_button()->isVisible());
    dialog->close();
    // Nor does a direct start open it.
    QVERIFY(!offline_session::instance().start_offline("agent", "manager123"));
    QVERIFY(!connection_state::instance().offline());
    QVERIFY(data_center::instance().scripts_by_category().isEmpty());
    QVERIFY(session_state::instance().account().isEmpty());
}

void test_offline_login::offline_start_shows_the_saved_library() {
    login_widget* dialog = try_login("agent", "agent123");
    QVERIFY(dialog);
    QSignalSpy offline_login(dialog, &login_widget::offline_login);
    QTRY_VERIFY_WITH_TIMEOUT(dialog->offline_button()->isVisible(), 10000);
    dialog->offline_button()->click();
    QCOMPARE(offline_login.count(), 1);
    QVERIFY(connection_state::instance().offline());
    QCOMPARE(library_lines(), online_library_);
    QCOMPARE(session_state::instance().account(), QString("agent"));

    QTRY_VERIFY(open_main());
    main_widget* main = open_main();
    QVERIFY(main->connection_notice()->isVisible());
    QVERIFY(main->connection_notice()->text().startsWith("离线使用中"));
    QCOMPARE(main->windowTitle(), QString("Quorvel（离线）"));
}

void test_offline_login::changes_are_refused_offline() {
    script_actions actions;
    action_result_t result;
    bool called = false;
    actions.create_script({personal_category_, 1, QString(), "<p>离线时写的</p>", "离线时写的"},
                          [&](const action_result_t& r) {
                              result = r;
                              called = true;
                          });
    QTRY_VERIFY(called);
    QVERIFY(!result.ok);
    QCOMPARE(result.error, connection_state::offline_message());
    QVERIFY(!has_script_with("离线时写的"));
}

void test_offline_login::back_online_by_itself_with_the_server_changes() {
    QSignalSpy reconnected(&offline_session::instance(), &offline_session::reconnected);
    // The offline window follows the chat window; the window of the return takes that over.
    fake_desktop::window_t chat_window{"WeWorkWindow", QStringLiteral("企业微信")};
    chat_window.client_rect = QRect(50, 40, 400, 300);
    const window_handle_t chat = desktop_.add_window(chat_window);
    desktop_.set_foreground(chat);
    main_widget* offline_main = open_main();
    QVERIFY(offline_main);
    offline_main->follow(true);
    QCOMPARE(offline_main->target(), chat);
    // The client must not come back before the server has the new script.
    offline_session::set_retry_delays(600000, 600000);
    QVERIFY(server_.restart());
    const QString token = server_.login("agent", "agent123");
    const auto created = server_.post("/tavorine/clientKb/createSpeech",
                                      {{"classifyId", personal_category_},
                                       {"classifyType", "1"},
                                       {"deptId", ""},
                                       {"speechContent", "<p>服务器上新加的</p>"},
                                       {"speechContentKeywords", "新加"},
                                       {"customShortcuts", "unknown"}},
                                      token);
    QCOMPARE(created.code(), 200);
    QCOMPARE(reconnected.count(), 0);

    offline_session::set_retry_delays(100, 400);
    QTRY_COMPARE_WITH_TIMEOUT(reconnected.count(), 1, 30000);
    QVERIFY(!connection_state::instance().offline());
    QVERIFY(has_script_with("服务器上新加的"));
    QVERIFY(!has_script_with("离线时写的")); // nothing was queued
    QVERIFY2(offline_session::instance().change_summary().contains("话术 新增 1"),
             qPrintable(offline_session::instance().change_summary()));
    QTRY_VERIFY(open_main());
    main_widget* main = open_main();
    QCOMPARE(main->windowTitle(), QString("Quorvel"));
    QVERIFY(main->follow_enabled());
    QCOMPARE(main->target(), chat);
    QVERIFY(main->bottom_bar()->isVisible());
    QCOMPARE(main->pos(), QPoint(450, 40)); // docked beside it again
    QVERIFY(main->connection_notice()->text().startsWith("已重新连接服务器"));
    // The green band is news of the return and goes by itself; shortened here.
    QVERIFY(main->connection_notice()->isVisibleTo(main));
    QVERIFY(main->notice_timer()->isActive());
    main->notice_timer()->setInterval(50); // restarts the running timer
    QTRY_VERIFY(!main->connection_notice()->isVisibleTo(main));

    // The file follows: a new offline start would show the new script.
    offline_session::instance().flush(); // the save after it is written in the background
    data_center::instance().clear();
    QVERIFY(library_file(library_file::path_for("agent")).load_into(data_center::instance()));
    QVERIFY(has_script_with("服务器上新加的"));
    desktop_.remove_window(chat);
}

// Logged out and in again, the synchronisation stopped at once: the store
// holds only a part of the library, and no later change may save that over
// the whole one.
void test_offline_login::a_stopped_synchronisation_after_logging_in_again_keeps_the_file() {
    main_widget* main = open_main();
    QVERIFY(main);
    offline_session::instance().flush();
    QCoreApplication::processEvents();         // every save so far is reported
    const QStringList whole = library_lines(); // as the file holds it
    QSignalSpy saved(&offline_session::instance(), &offline_session::saved);
    main->log_out();
    login_widget* dialog = nullptr;
    QTRY_VERIFY((dialog = shown<login_widget>()));
    bool over = false;
    connect(dialog, &login_widget::login_success, this, [&] {
        sync_data_widget* sync = shown<sync_data_widget>();
        QVERIFY(sync);
        connect(sync, &sync_data_widget::synchronised, this, [&] { over = true; });
        sync->stop_button()->click();
    });
    dialog->user_edit()->setText("agent");
    dialog->password_edit()->setText("agent123");
    dialog->login_button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(over, 30000);
    QTRY_VERIFY(open_main());

    // A change of the store, as work in the main window makes one.
    data_center& dc = data_center::instance();
    dc.replace_phrases(dc.phrases());
    offline_session::instance().flush(); // writes what a pending save would
    QCoreApplication::processEvents();
    QCOMPARE(saved.count(), 0);
    dc.clear();
    QVERIFY(library_file(library_file::path_for("agent")).load_into(dc));
    QCOMPARE(library_lines(), whole);
}

QTEST_MAIN(test_offline_login)
#include "test_offline_login.moc"
