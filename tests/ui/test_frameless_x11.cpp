// The main window on a real X display with a window manager, driven by real
// pointer input (xdotool): edge resizing, tooltips while another window is
// active, and reordering the bar's phrase manager by a drag. Positions come from the X server, not
// from Qt: Qt's record of a window's position can lag behind the window manager's.
#include "model/data_center.h"
#include "model/records.h"
#include "resources/resources.h"
#include "ui/auto_follow_widget.h"
#include "ui/kb/phrase_manager_widget.h"
#include "ui/library/drag_drop_listwidget.h"
#include "ui/main_widget.h"

#include <QMessageBox>
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
    void phrase_manager_reorders_by_a_real_drag();
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

// The bar's phrase manager, reordered by dragging one row's text onto another
// row. Drag and drop maps the pointer through the position Qt has for the
// dialog, so that position must be the one the window has on the screen.
void test_frameless_x11::phrase_manager_reorders_by_a_real_drag() {
    qputenv("QUORVEL_BASE_URL", "http://127.0.0.1:9"); // the new order is refused at once
    QHash<QString, phrase_node_spt> phrases;
    for (const char* id : {"1", "2", "3", "4"}) {
        auto p = phrase_node_spt::create();
        p->id = QLatin1String(id);
        p->sort = p->id.toInt();
        p->phraseContent = QStringLiteral("短语") + p->id;
        phrases.insert(p->id, p);
    }
    data_center::instance().clear();
    data_center::instance().replace_phrases(phrases);
    auto_follow_widget bar;
    bar.move(340, 347);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.phrase_settings();
    auto* dialog = qobject_cast<phrase_manager_widget*>(bar.phrase_manager());
    QVERIFY(dialog);
    // Placed by the program, not left to the window manager, whose placement
    // Qt may never hear of.
    const QPoint placed = dialog->geometry().topLeft();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QTest::qWait(300); // the window manager's own messages have arrived
    QCOMPARE(x_geometry(*dialog).topLeft(), placed);
    QCOMPARE(dialog->geometry().topLeft(), placed);
    QTimer closer; // answers the refusal's message box
    connect(&closer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Ok)->click();
    });
    closer.start(20);

    drag_drop_listwidget* list = dialog->list();
    const QPoint origin = x_geometry(*dialog).topLeft();
    auto on_row = [&](int row, int dy) {
        const QRect r = list->visualItemRect(list->item(row));
        return origin + list->viewport()->mapTo(dialog, QPoint(r.left() + 40, r.center().y() + dy));
    };
    const QPoint from = on_row(0, 0), to = on_row(2, 3);
    // The drag runs its own event loop: the pointer moves from another process.
    QString moves;
    for (int i = 1; i <= 8; ++i) {
        const QPoint p = from + (to - from) * i / 8;
        moves += QStringLiteral("xdotool mousemove %1 %2; sleep 0.05; ").arg(p.x()).arg(p.y());
    }
    QProcess::startDetached(
        QStringLiteral("/bin/sh"),
        {"-c", QStringLiteral("xdotool mousemove %1 %2; sleep 0.1; xdotool mousedown 1; sleep 0.1; "
                              "%3xdotool mouseup 1")
                   .arg(from.x())
                   .arg(from.y())
                   .arg(moves)});
    auto ids = [list] {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << phrase_manager_widget::phrase_of(list->item(i))->id;
        return out;
    };
    QTRY_COMPARE_WITH_TIMEOUT(ids(), (QStringList{"2", "3", "1", "4"}), 10000);
}

QTEST_MAIN(test_frameless_x11)
#include "test_frameless_x11.moc"
