// The main window on a real X display with a window manager, driven by real
// pointer input (xdotool): edge resizing, and tooltips while another window
// is active. Positions come from the X server, not from Qt: Qt's record of
// a window's position can lag behind the window manager's.
#include "model/records.h"
#include "resources/resources.h"
#include "ui/main_widget.h"

#include <QProcess>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>

using namespace quorvel;

namespace {

void xdotool(const QStringList& args) {
    QProcess::execute(QStringLiteral("xdotool"), args);
}

void pointer_to(const QPoint& p) {
    xdotool({"mousemove", QString::number(p.x()), QString::number(p.y())});
}

// The window's geometry as the X server has it.
QRect x_geometry(const QWidget& window) {
    QProcess p;
    p.start(QStringLiteral("xdotool"),
            {"getwindowgeometry", "--shell", QString::number(window.winId())});
    p.waitForFinished();
    QHash<QString, int> values;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> pair = line.split('=');
        if (pair.size() == 2)
            values[QString::fromLatin1(pair[0])] = pair[1].toInt();
    }
    return QRect(values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]);
}

// Presses at a global point, drags in steps to another and releases there.
void drag(const QPoint& from, const QPoint& to) {
    pointer_to(from);
    QTest::qWait(50);
    xdotool({"mousedown", "1"});
    QTest::qWait(50);
    const int steps = 4;
    for (int i = 1; i <= steps; ++i) {
        pointer_to(from + (to - from) * i / steps);
        QTest::qWait(30);
    }
    xdotool({"mouseup", "1"});
}

// Placed before it is first shown, as docking places it.
void show_at(main_widget& window, const QPoint& pos) {
    window.move(pos);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(x_geometry(window).topLeft(), pos);
    QTest::qWait(300); // the window manager's own messages have arrived
}

} // namespace

class test_frameless_x11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void main_window_resizes_by_each_edge_data();
    void main_window_resizes_by_each_edge();
    void tooltips_show_in_an_inactive_window();
};

void test_frameless_x11::initTestCase() {
    init_resources();
    register_meta_types();
}

void test_frameless_x11::main_window_resizes_by_each_edge_data() {
    QTest::addColumn<QPoint>("grip");  // in the window; -1 stands for the far edge
    QTest::addColumn<QPoint>("delta"); // of the pointer
    QTest::addColumn<QRect>("change"); // of x, y, width and height
    QTest::newRow("left") << QPoint(0, 150) << QPoint(-40, 30) << QRect(-40, 0, 40, 0);
    QTest::newRow("left inwards") << QPoint(0, 150) << QPoint(30, 0) << QRect(30, 0, -30, 0);
    QTest::newRow("right") << QPoint(-1, 150) << QPoint(40, 30) << QRect(0, 0, 40, 0);
    QTest::newRow("top") << QPoint(150, 0) << QPoint(30, -40) << QRect(0, -40, 0, 40);
    QTest::newRow("bottom") << QPoint(150, -1) << QPoint(30, 40) << QRect(0, 0, 0, 40);
    QTest::newRow("top left") << QPoint(0, 0) << QPoint(-30, -20) << QRect(-30, -20, 30, 20);
    QTest::newRow("bottom right") << QPoint(-1, -1) << QPoint(30, 20) << QRect(0, 0, 30, 20);
}

void test_frameless_x11::main_window_resizes_by_each_edge() {
    QFETCH(QPoint, grip);
    QFETCH(QPoint, delta);
    QFETCH(QRect, change);
    main_widget window;
    show_at(window, QPoint(300, 120));
    for (int round = 0; round < 2; ++round) { // the second drag works as the first
        const QRect before = x_geometry(window);
        const QPoint start =
            before.topLeft() + QPoint(grip.x() < 0 ? before.width() - 1 : grip.x(),
                                      grip.y() < 0 ? before.height() - 1 : grip.y());
        drag(start, start + delta);
        const QRect want(before.x() + change.x(), before.y() + change.y(),
                         before.width() + change.width(), before.height() + change.height());
        QTRY_COMPARE(x_geometry(window), want);
        QTRY_COMPARE(window.geometry(), want);
    }
}

void test_frameless_x11::tooltips_show_in_an_inactive_window() {
    main_widget window;
    show_at(window, QPoint(300, 120));
    QWidget other; // the chat window the agent works in
    other.setGeometry(700, 120, 300, 200);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!window.isActiveWindow());

    QToolButton* scripts = nullptr;
    for (QToolButton* b : window.findChildren<QToolButton*>())
        if (b->toolTip() == QStringLiteral("话术"))
            scripts = b;
    QVERIFY(scripts);
    const QPoint in_window = scripts->mapTo(&window, scripts->rect().center());
    pointer_to(x_geometry(window).topLeft() + in_window - QPoint(3, 3));
    QTest::qWait(50);
    pointer_to(x_geometry(window).topLeft() + in_window);
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 5000);
    QCOMPARE(QToolTip::text(), QStringLiteral("话术"));
    QVERIFY(!window.isActiveWindow());
}

QTEST_MAIN(test_frameless_x11)
#include "test_frameless_x11.moc"
