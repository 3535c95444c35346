// Where docking puts the bottom bar and the main window: beside the chat
// window's client area and wholly on its screen.
#include "integration/docking.h"
#include "platform/fake/fake_desktop.h"

#include <QtTest>

using namespace quorvel;
using namespace quorvel::platform;

class test_docking : public QObject {
    Q_OBJECT
private slots:
    void plans_data();
    void plans();
    void screen_of_the_target();
};

namespace {

const QRect full_hd(0, 0, 1920, 1080);

// A bar of one phrase row when 600 pixels or wider, two rows when narrower.
int bar_height(int width) {
    return width >= 600 ? 60 : 90;
}

} // namespace

void test_docking::plans_data() {
    QTest::addColumn<QRect>("physical");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QRect>("screen"); // the available area
    QTest::addColumn<bool>("sub_show");
    QTest::addColumn<bool>("main_show");
    QTest::addColumn<bool>("dockleft");
    QTest::addColumn<bool>("alive");
    QTest::addColumn<bool>("place_bar");
    QTest::addColumn<QRect>("bar");
    QTest::addColumn<bool>("place_main");
    QTest::addColumn<QRect>("main");       // position and height (width unused)
    const QRect client(100, 50, 800, 700); // (100, 50)–(900, 750)
    QTest::newRow("100 %") << client << 1.0 << full_hd << true << true << true << true << true
                           << QRect(100, 750, 800, 60) << true << QRect(900, 50, 0, 760);
    QTest::newRow("dock on the left")
        << QRect(600, 50, 800, 700) << 1.0 << full_hd << true << true << false << true << true
        << QRect(600, 750, 800, 60) << true << QRect(120, 50, 0, 760);
    QTest::newRow("150 %") << QRect(150, 75, 1200, 1050) << 1.5 << full_hd << true << true << true
                           << true << true << QRect(100, 750, 800, 60) << true
                           << QRect(900, 50, 0, 760);
    QTest::newRow("no bar") << client << 1.0 << full_hd << false << true << true << true << false
                            << QRect() << true << QRect(900, 50, 0, 700);
    QTest::newRow("no main window") << client << 1.0 << full_hd << true << false << true << true
                                    << true << QRect(100, 750, 800, 60) << false << QRect();
    QTest::newRow("target gone") << client << 1.0 << full_hd << true << true << true << false
                                 << false << QRect() << true
                                 << QRect(0, 0, 0, 60); // zero rectangle, bar height
    // No room on the left: the other side.
    QTest::newRow("left side off the screen")
        << client << 1.0 << full_hd << true << true << false << true << true
        << QRect(100, 750, 800, 60) << true << QRect(900, 50, 0, 760);
    QTest::newRow("near the right edge")
        << QRect(1500, 100, 400, 500) << 1.0 << full_hd << true << true << true << true << true
        << QRect(1500, 600, 400, 90) << true << QRect(1020, 100, 0, 590);
    // Maximised (the taskbar keeps 30 pixels): the main window inside the
    // right edge, the bar along the bottom edge beside it.
    QTest::newRow("maximised") << QRect(0, 0, 1920, 1050) << 1.0 << QRect(0, 0, 1920, 1050) << true
                               << true << true << true << true << QRect(0, 990, 1440, 60) << true
                               << QRect(1440, 0, 0, 1050);
    QTest::newRow("maximised, docked left")
        << QRect(0, 0, 1920, 1050) << 1.0 << QRect(0, 0, 1920, 1050) << true << true << false
        << true << true << QRect(480, 990, 1440, 60) << true << QRect(0, 0, 0, 1050);
    // Too tall for the bar under it: the bar along the inside bottom edge.
    QTest::newRow("tall") << QRect(100, 50, 800, 990) << 1.0 << full_hd << true << true << true
                          << true << true << QRect(100, 980, 800, 60) << true
                          << QRect(900, 50, 0, 990);
    QTest::newRow("above the top edge")
        << QRect(100, -40, 800, 500) << 1.0 << full_hd << true << true << true << true << true
        << QRect(100, 460, 800, 60) << true << QRect(900, 0, 0, 520);
    QTest::newRow("below the bottom edge")
        << QRect(100, 700, 800, 500) << 1.0 << full_hd << true << true << true << true << true
        << QRect(100, 1020, 800, 60) << true << QRect(900, 700, 0, 380);
    QTest::newRow("second screen")
        << QRect(2000, 100, 1000, 600) << 1.0 << QRect(1920, 0, 1280, 1024) << true << true << true
        << true << true << QRect(2000, 700, 520, 90) << true << QRect(2520, 100, 0, 690);
}

void test_docking::plans() {
    QFETCH(QRect, physical);
    QFETCH(qreal, ratio);
    QFETCH(QRect, screen);
    QFETCH(bool, sub_show);
    QFETCH(bool, main_show);
    QFETCH(bool, dockleft);
    QFETCH(bool, alive);
    fake_desktop desktop;
    fake_desktop::window_t w{"WeWorkWindow", QStringLiteral("企业微信")};
    w.client_rect = physical;
    const window_handle_t target = alive ? desktop.add_window(w) : window_handle_t(0x7777);
    dock_input_t in;
    in.target = target;
    in.screen = dock_screen_t{screen, screen, ratio};
    in.bar_height = 60;
    in.bar_height_for_width = bar_height;
    in.main_width = 480;
    in.sub_show = sub_show;
    in.main_show = main_show;
    in.main_dockleft = dockleft;
    const dock_plan_t plan = plan_dock(desktop, in);
    QTEST(plan.place_bar, "place_bar");
    QFETCH(QRect, bar);
    if (plan.place_bar) {
        QCOMPARE(plan.bar, bar);
        QVERIFY(screen.contains(plan.bar));
    }
    QTEST(plan.place_main, "place_main");
    QFETCH(QRect, main);
    if (plan.place_main) {
        QCOMPARE(plan.main_pos, main.topLeft());
        QCOMPARE(plan.main_height, main.height());
        QVERIFY(screen.contains(QRect(plan.main_pos, QSize(480, plan.main_height))));
    }
}

void test_docking::screen_of_the_target() {
    fake_desktop desktop;
    fake_desktop::window_t w{"WeWorkWindow", QStringLiteral("企业微信")};
    const QList<dock_screen_t> screens = {
        {full_hd, full_hd, 1.0}, {QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 994), 1.0}};
    w.client_rect = QRect(2000, 100, 1000, 600);
    QCOMPARE(target_screen(desktop, desktop.add_window(w), screens), 1);
    w.client_rect = QRect(1000, 100, 1000, 600); // mostly on the first screen
    QCOMPARE(target_screen(desktop, desktop.add_window(w), screens), 0);
    QCOMPARE(target_screen(desktop, 0x7777, screens), 0); // gone: the primary
    QCOMPARE(target_screen(desktop, 0x7777, {}), -1);
}

QTEST_APPLESS_MAIN(test_docking)
#include "test_docking.moc"
