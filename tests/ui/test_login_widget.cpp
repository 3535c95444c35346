// The login dialog against quorvel-server, and its progress dots.
#include "fixture_http_server.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/http_client.h"
#include "resources/resources.h"
#include "server_fixture.h"
#include "ui/login_widget.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

using namespace quorvel;

class test_login_widget : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void title_names_the_build_data();
    void title_names_the_build();
    void blank_fields_send_nothing_data();
    void blank_fields_send_nothing();
    void wrong_password_fails_and_allows_another_try();
    void failure_names_its_class_data();
    void failure_names_its_class();
    void success_stores_the_account_and_reports();
    void dots_cycle_and_continue();
    void typing_goes_into_the_fields_data();
    void typing_goes_into_the_fields();
    void space_after_a_failed_login_keeps_the_dialog_data();
    void space_after_a_failed_login_keeps_the_dialog();

private:
    QStringList watch_status(login_widget& dialog, int ms);

    server_fixture server_;
};

void test_login_widget::initTestCase() {
    init_resources();
    QCoreApplication::setApplicationVersion("1.0.0.1");
    QVERIFY(server_.start());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
}

void test_login_widget::title_names_the_build_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("title");
    QTest::newRow("intranet") << "http://192.168.1.5:8610" << QStringLiteral("2.1.0.3（内网版）");
    QTest::newRow("extranet") << "http://10.0.0.1" << QStringLiteral("2.1.0.3（外网版）");
    QTest::newRow("https 192") << "https://192.168.1.5" << QStringLiteral("2.1.0.3（外网版）");
}

void test_login_widget::title_names_the_build() {
    QFETCH(QString, address);
    QFETCH(QString, title);
    QCOMPARE(login_widget::title_for("2.1.0.3", address), title);
    login_widget dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("1.0.0.1（外网版）"));
    QCOMPARE(dialog.title(), dialog.windowTitle());
    QCOMPARE(dialog.size(), QSize(430, 370));
}

void test_login_widget::blank_fields_send_nothing_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("both empty") << ""
                                << "";
    QTest::newRow("user only spaces") << "   "
                                      << "agent123";
    QTest::newRow("no password") << "agent"
                                 << "";
}

void test_login_widget::blank_fields_send_nothing() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    data_center::instance().clear();
    login_widget dialog;
    dialog.user_edit()->setText(user);
    dialog.password_edit()->setText(password);
    dialog.login_button()->click();
    QCOMPARE(
        dialog.status_label()->text(),
        QStringLiteral("<span style = 'color: red; font-weight: bold;'>请填写用户名和密码</span>"));
    QVERIFY(dialog.login_button()->isEnabled());
    QTest::qWait(100);
    QVERIFY(session_state::instance().token().isEmpty()); // nothing was sent
}

void test_login_widget::wrong_password_fails_and_allows_another_try() {
    login_widget dialog;
    dialog.user_edit()->setText("agent");
    dialog.password_edit()->setText("wrong");
    dialog.login_button()->click();
    QVERIFY(!dialog.login_button()->isEnabled());
    QTRY_VERIFY(dialog.login_button()->isEnabled());
    QCOMPARE(dialog.status_label()->text(),
             QStringLiteral("<span style = 'color: red; font-weight: "
                            "bold;'>登录失败，原因：账号或密码错误</span>"));
}

// Retype, work offline or call the administrator: the dialog says which,
// never the server's own words.
void test_login_widget::failure_names_its_class_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QString>("reason");
    const QString server_error = QStringLiteral("服务器返回错误，请联系管理员");
    QTest::newRow("login refused")
        << 200 << QByteArray(R"({"code":401,"msg":"raw words","data":null})") << true
        << QStringLiteral("账号或密码错误");
    QTest::newRow("server failure code")
        << 200 << QByteArray(R"({"code":500,"msg":"raw words","data":null})") << true
        << server_error;
    QTest::newRow("proxy error page")
        << 502 << QByteArray("<html>raw words</html>") << true << server_error;
    QTest::newRow("not JSON") << 200 << QByteArray("raw words") << true << server_error;
    QTest::newRow("no token") << 200 << QByteArray(R"({"code":200,"msg":"raw words","data":{}})")
                              << true << server_error;
    QTest::newRow("nobody listening")
        << 0 << QByteArray() << false << QStringLiteral("无法连接服务器，本机没有该账号的离线资料");
}

void test_login_widget::failure_names_its_class() {
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, listening);
    QFETCH(QString, reason);
    fixture_http_server fixture;
    QVERIFY(fixture.listen());
    fixture.set_script([&](const fixture_http_server::request_t&) {
        return fixture_http_server::reply_t{status, body};
    });
    QString address = fixture.base_url();
    if (!listening) {
        QTcpServer closed; // a port that was free a moment ago, closed again
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        address = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
    }
    qputenv("QUORVEL_BASE_URL", address.toUtf8());
    login_widget dialog;
    dialog.user_edit()->setText("someone");
    dialog.password_edit()->setText("secret");
    dialog.login_button()->click();
    QTRY_VERIFY(dialog.login_button()->isEnabled());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    QCOMPARE(
        dialog.status_label()->text(),
        QStringLiteral("<span style = 'color: red; font-weight: bold;'>登录失败，原因：%1</span>")
            .arg(reason));
    QVERIFY(!dialog.offline_button()->isVisible());
}

void test_login_widget::success_stores_the_account_and_reports() {
    data_center::instance().clear();
    auto* dialog = new login_widget;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<login_widget> alive(dialog);
    QSignalSpy success(dialog, &login_widget::login_success);
    dialog->show();
    dialog->user_edit()->setText("  manager ");
    dialog->password_edit()->setText("manager123");
    dialog->login_button()->click();
    QCOMPARE(dialog->status_label()->text(),
             QStringLiteral("<span style = 'color: gray;'>正在登录，请稍候</span>"));
    QTRY_COMPARE(success.count(), 1);
    QCOMPARE(session_state::instance().account(), QString("manager"));
    QCOMPARE(session_state::instance().token().size(), 64);
    QVERIFY(session_state::instance().login_user());
    QTRY_VERIFY(!alive); // closed and deleted
}

// Opened without a click: typed text lands in the first empty field, Return
// moves on to the password and, with both filled in, logs in.
void test_login_widget::typing_goes_into_the_fields_data() {
    QTest::addColumn<QString>("prefilled");
    QTest::addColumn<QString>("typed"); // '\n' presses Return
    QTest::addColumn<QString>("account");
    QTest::addColumn<bool>("logged_in");
    QTest::newRow("account, Return, password, Return") << ""
                                                       << "manager\nmanager123\n"
                                                       << "manager" << true;
    QTest::newRow("account filled in: password first") << "manager"
                                                       << "manager123\n"
                                                       << "manager" << true;
    QTest::newRow("account, Return: no login yet") << ""
                                                   << "manager\n"
                                                   << "manager" << false;
}

void test_login_widget::typing_goes_into_the_fields() {
    QFETCH(QString, prefilled);
    QFETCH(QString, typed);
    QFETCH(QString, account);
    QFETCH(bool, logged_in);
    data_center::instance().clear();
    auto* dialog = new login_widget;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<login_widget> alive(dialog);
    QSignalSpy success(dialog, &login_widget::login_success);
    dialog->user_edit()->setText(prefilled);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QCOMPARE(QApplication::focusWidget(),
             prefilled.isEmpty() ? dialog->user_edit() : dialog->password_edit());
    const QStringList parts = typed.split('\n');
    for (int i = 0; i < parts.size(); ++i) {
        QTest::keyClicks(QApplication::focusWidget(), parts[i]);
        if (i + 1 < parts.size())
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    if (logged_in) {
        QTRY_COMPARE(success.count(), 1);
        QCOMPARE(session_state::instance().account(), account);
        QTRY_VERIFY(!alive);
    } else {
        QTest::qWait(200);
        QCOMPARE(success.count(), 0);
        QCOMPARE(dialog->user_edit()->text(), account);
        QCOMPARE(QApplication::focusWidget(), dialog->password_edit());
        QVERIFY(dialog->status_label()->text().isEmpty()); // nothing sent, nothing said
        delete dialog;
    }
}

// Server unreachable, no offline library: the button is disabled while the
// login runs, and the focus must not land on the title bar's close button,
// where the next Space would end the client.
void test_login_widget::space_after_a_failed_login_keeps_the_dialog_data() {
    QTest::addColumn<QString>("how"); // how the login is started
    QTest::newRow("mouse click on the button") << "click";
    QTest::newRow("Space on the focused button") << "space";
    QTest::newRow("Return in the password field") << "return";
}

void test_login_widget::space_after_a_failed_login_keeps_the_dialog() {
    QFETCH(QString, how);
    QTcpServer closed; // a port that was free a moment ago, closed again
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    qputenv("QUORVEL_BASE_URL", QStringLiteral("http://127.0.0.1:%1").arg(port).toUtf8());
    login_widget dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClicks(dialog.user_edit(), "someone");
    QTest::keyClick(dialog.user_edit(), Qt::Key_Return);
    QTest::keyClicks(dialog.password_edit(), "secret");
    if (how == "click") {
        QTest::mouseClick(dialog.login_button(), Qt::LeftButton);
    } else if (how == "space") {
        dialog.login_button()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(dialog.login_button(), Qt::Key_Space);
    } else {
        QTest::keyClick(dialog.password_edit(), Qt::Key_Return);
    }
    QVERIFY(!dialog.login_button()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(dialog.login_button()->isEnabled(), 10000);
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    QVERIFY2(dialog.status_label()->text().contains("本机没有该账号的离线资料"),
             qPrintable(dialog.status_label()->text()));
    QWidget* focused = QApplication::focusWidget();
    QVERIFY2(focused == dialog.user_edit() || focused == dialog.password_edit() ||
                 focused == dialog.login_button(),
             focused ? focused->metaObject()->className() : "no focus");
    QTest::keyClick(focused, Qt::Key_Space);
    QVERIFY(dialog.isVisible());
}

QStringList test_login_widget::watch_status(login_widget& dialog, int ms) {
    QStringList seen;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        const QString text = dialog.status_label()->text();
        if (seen.isEmpty() || seen.last() != text)
            seen << text;
        QTest::qWait(20);
    }
    return seen;
}

void test_login_widget::dots_cycle_and_continue() {
    fixture_http_server silent;
    QVERIFY(silent.listen());
    silent.set_script([](const fixture_http_server::request_t&) {
        return fixture_http_server::reply_t{200, {}, true};
    });
    qputenv("QUORVEL_BASE_URL", silent.base_url().toUtf8());
    const QString waiting = QStringLiteral("正在登录，请稍候");

    // A long attempt: the dots go 1, 2, 3, 0 and round again.
    http_client::set_default_inactivity_timeout(2000);
    const int start = login_widget::dot_counter();
    login_widget dialog;
    dialog.user_edit()->setText("agent");
    dialog.password_edit()->setText("agent123");
    dialog.login_button()->click();
    const QStringList seen = watch_status(dialog, 1750);
    QStringList expected{QStringLiteral("<span style = 'color: gray;'>%1</span>").arg(waiting)};
    for (int tick = 1; tick <= 4; ++tick)
        expected << waiting + QString((start + tick) % 4, '.');
    QCOMPARE(seen, expected);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.login_button()->isEnabled(), 5000);

    // The next attempt goes on from where the last one stopped.
    const int left_at = login_widget::dot_counter();
    http_client::set_default_inactivity_timeout(60000);
    dialog.login_button()->click();
    QTRY_VERIFY(dialog.status_label()->text() !=
                QStringLiteral("<span style = 'color: gray;'>%1</span>").arg(waiting));
    QCOMPARE(dialog.status_label()->text(), waiting + QString((left_at + 1) % 4, '.'));
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
}

QTEST_MAIN(test_login_widget)
#include "test_login_widget.moc"
