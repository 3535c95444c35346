// The main window on X11 with a window manager, beside the stand-in chat
// application: docking positions on the screen, the chat window keeping the
// focus, the pin's state across hiding and showing, and the focus hotkeys.
#include "app/app_paths.h"
#include "app/settings_store.h"
#include "integration/current_desktop.h"
#include "integration/docking.h"
#include "model/records.h"
#include "resources/resources.h"
#include "standin_fixture.h"
#include "ui/auto_follow_widget.h"
#include "ui/float_widget.h"
#include "ui/kb/kb_tab_widget.h"
#include "ui/main_widget.h"
#include "ui/main_widget_toolbar.h"
#include "ui/widgets/custom_toolbutton.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QtTest>

using namespace quorvel;

namespace {

void run(const QString& program, const QStringList& args) {
    QProcess::execute(program, args);
}

QString wm_state(window_handle_t w) {
    QProcess p;
    p.start("xprop", {"-id", QString::number(w), "_NET_WM_STATE"});
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Where a window really is (the server's view, not the toolkit's request).
QRect placed(window_handle_t w) {
    QRect r;
    qreal scale = 1.0;
    current_desktop().client_rect(w, &r, &scale);
    return r;
}

window_handle_t handle_of(QWidget* w) {
    return static_cast<window_handle_t>(w->winId());
}

bool stacked_above(window_handle_t upper, window_handle_t lower) {
    for (window_handle_t w = current_desktop().next_below(upper); w;
         w = current_desktop().next_below(w))
        if (w == lower)
            return true;
    return false;
}

} // namespace

class test_main_widget_x11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void pin_state_holds_across_hide_and_show();
    void docks_on_the_chat_window_screen_data();
    void docks_on_the_chat_window_screen();
    void chat_window_keeps_the_focus();
    void hotkeys_put_the_focus_where_they_promise();

private:
    bool docked_on_screen(QString* why);
    void set_dockleft(bool on);

    standin_fixture standin_;
    window_handle_t chat_ = 0;
    main_widget* main_ = nullptr;
};

void test_main_widget_x11::initTestCase() {
    QVERIFY2(qgetenv("QT_QPA_PLATFORM") == "xcb", "runs on a real X display");
    init_resources();
    register_meta_types();
    main_ = new main_widget;
    main_->show();
    chat_ = standin_.start(QUORVEL_STANDIN);
    QVERIFY(chat_);
    QTest::qWait(300);
}

void test_main_widget_x11::cleanupTestCase() {
    delete main_;
}

void test_main_widget_x11::set_dockleft(bool on) {
    const auto s = open_ini(app_paths::instance().settings_file());
    s->setValue(QLatin1String(setting_keys::follow_main_dockleft), on ? 1 : 0);
    s->sync();
}

// Not pinned: never above other applications, whatever hides and shows the
// window; no taskbar entry from the first show on.
void test_main_widget_x11::pin_state_holds_across_hide_and_show() {
    const window_handle_t w = handle_of(main_);
    auto state_is = [&](bool above) {
        const QString state = wm_state(w);
        return state.contains("_NET_WM_STATE_SKIP_TASKBAR") &&
               state.contains("_NET_WM_STATE_ABOVE") == above;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(state_is(false), qPrintable(wm_state(w)), 5000);
    main_->toolbar()->pin_button()->click();
    QTRY_VERIFY2_WITH_TIMEOUT(state_is(true), qPrintable(wm_state(w)), 5000);
    main_->hide();
    main_->show();
    QTRY_VERIFY2_WITH_TIMEOUT(state_is(true), qPrintable(wm_state(w)), 5000);
    main_->toolbar()->pin_button()->click();
    QTRY_VERIFY2_WITH_TIMEOUT(state_is(false), qPrintable(wm_state(w)), 5000);
    for (int i = 0; i < 6; ++i) {
        if (i % 2) {
            main_->hide();
            main_->show();
        } else {
            main_->on_min_clicked();
            main_->on_float_widget_double_clicked();
        }
        QTRY_VERIFY(main_->isVisible());
        QTest::qWait(100);
        QTRY_VERIFY2_WITH_TIMEOUT(state_is(false), qPrintable(wm_state(w)), 5000);
    }
}

void test_main_widget_x11::docks_on_the_chat_window_screen_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<bool>("dockleft");
    QTest::newRow("restored") << "move" << QPoint(60, 80) << true;
    QTest::newRow("near the right edge") << "move" << QPoint(900, 100) << true;
    QTest::newRow("near the left edge, docked left") << "move" << QPoint(0, 100) << false;
    QTest::newRow("near the bottom edge") << "move" << QPoint(300, 500) << true;
    QTest::newRow("maximised") << "maximise" << QPoint() << true;
    QTest::newRow("restored again") << "maximise" << QPoint() << true;
    QTest::newRow("maximised, docked left") << "maximise" << QPoint() << false;
    QTest::newRow("restored, docked left") << "maximise" << QPoint() << false;
    QTest::newRow("near the top edge") << "move" << QPoint(300, 0) << true;
}

// Both windows wholly on the screen, the main window beside the client area
// (or along its inside edge), the bar under it (or along its inside bottom).
bool test_main_widget_x11::docked_on_screen(QString* why) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect client = placed(chat_);
    const QRect main = placed(handle_of(main_));
    const QRect bar = placed(handle_of(main_->bottom_bar()));
    const QRect visible = client & screen;
    *why = QStringLiteral("client %1,%2 %3x%4; main %5,%6 %7x%8; bar %9,%10 %11x%12")
               .arg(client.x())
               .arg(client.y())
               .arg(client.width())
               .arg(client.height())
               .arg(main.x())
               .arg(main.y())
               .arg(main.width())
               .arg(main.height())
               .arg(bar.x())
               .arg(bar.y())
               .arg(bar.width())
               .arg(bar.height());
    if (!main_->isVisible() || !main_->bottom_bar()->isVisible())
        return false;
    const bool beside = main.left() == client.right() + 1 || main.right() + 1 == client.left();
    const bool inside = main.right() == visible.right() || main.left() == visible.left();
    const bool under = bar.top() == client.bottom() + 1;
    const bool along_bottom = bar.bottom() == visible.bottom();
    // Not topmost, but above the chat window: a maximised one covers the place.
    const bool on_top = stacked_above(handle_of(main_), chat_) &&
                        stacked_above(handle_of(main_->bottom_bar()), chat_);
    return screen.contains(main) && screen.contains(bar) && (beside || inside) &&
           main.top() == visible.top() && (under || along_bottom) && !main.intersects(bar) &&
           on_top;
}

void test_main_widget_x11::docks_on_the_chat_window_screen() {
    QFETCH(QString, action);
    QFETCH(QPoint, to);
    QFETCH(bool, dockleft);
    set_dockleft(dockleft);
    if (!main_->follow_enabled()) { // as a user does: the follow button, then the chat window
        main_->follow(true);
        current_desktop().bring_to_front(chat_);
    }
    if (action == "move") {
        run("xdotool", {"windowmove", QString::number(chat_), QString::number(to.x()),
                        QString::number(to.y())});
    } else { // a double click on the title bar, as a user maximises and restores
        const QRect client = placed(chat_);
        run("xdotool",
            {"mousemove", QString::number(client.center().x() - 100),
             QString::number(client.top() - 8), "click", "--repeat", "2", "--delay", "80", "1"});
        QTRY_VERIFY_WITH_TIMEOUT(placed(chat_).size() != client.size(), 5000);
    }
    QString why;
    QTRY_VERIFY2_WITH_TIMEOUT(docked_on_screen(&why), qPrintable(why), 5000);
}

// Shown when the chat window comes back, the assistant does not take the
// keyboard focus from it.
void test_main_widget_x11::chat_window_keeps_the_focus() {
    set_dockleft(true);
    QVERIFY(main_->follow_enabled());
    run("xdotool", {"windowminimize", QString::number(chat_)});
    QTRY_VERIFY_WITH_TIMEOUT(!main_->isVisible(), 5000);
    current_desktop().bring_to_front(chat_); // restores it
    QTRY_VERIFY_WITH_TIMEOUT(main_->isVisible() && main_->bottom_bar()->isVisible(), 5000);
    QTest::qWait(500); // the focus moved about 20 ms after the show
    QCOMPARE(current_desktop().foreground_window(), chat_);
    QVERIFY(!QApplication::activeWindow());
}

// Alt+E: typing goes into the bar's search field; Alt+Q: into the scripts page.
void test_main_widget_x11::hotkeys_put_the_focus_where_they_promise() {
    QVERIFY(main_->bottom_bar()->isVisible());
    current_desktop().bring_to_front(chat_);
    QLineEdit* search = main_->bottom_bar()->search_field();
    run("xdotool", {"key", "alt+e"});
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::focusWidget() == search && search->hasFocus(), 5000);
    run("xdotool", {"type", "abc"});
    QTRY_COMPARE_WITH_TIMEOUT(search->text(), QStringLiteral("abc"), 5000);

    current_desktop().bring_to_front(chat_);
    run("xdotool", {"key", "alt+q"});
    QTRY_VERIFY_WITH_TIMEOUT(main_->isActiveWindow() && QApplication::focusWidget() &&
                                 main_->scripts_page()->isAncestorOf(QApplication::focusWidget()),
                             5000);
}

QTEST_MAIN(test_main_widget_x11)
#include "test_main_widget_x11.moc"
