// Where docking puts the bottom bar and the main window.
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
};

void test_docking::plans_data() {
    QTest::addColumn<QRect>("physical");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<bool>("sub_show");
    QTest::addColumn<bool>("main_show");
    QTest::addColumn<bool>("dockleft");
    QTest::addColumn<bool>("alive");
    QTest::addColumn<bool>("place_bar");
    QTest::addColumn<QRect>("bar"); // position and width (height unused)
    QTest::addColumn<bool>("place_main");
    QTest::addColumn<QRect>("main");       // position and height (width unused)
    const QRect client(100, 50, 800, 700); // (100, 50)–(900, 750)
    QTest::newRow("100 %") << client << 1.0 << true << true << true << true << true
                           << QRect(100, 750, 800, 0) << true << QRect(900, 50, 0, 760);
    QTest::newRow("dock on the left") << client << 1.0 << true << true << false << true << true
                                      << QRect(100, 750, 800, 0) << true << QRect(-380, 50, 0, 760);
    QTest::newRow("150 %") << QRect(150, 75, 1200, 1050) << 1.5 << true << true << true << true
                           << true << QRect(100, 750, 800, 0) << true << QRect(900, 50, 0, 760);
    QTest::newRow("no bar") << client << 1.0 << false << true << true << true << false << QRect()
                            << true << QRect(900, 50, 0, 700);
    QTest::newRow("no main window") << client << 1.0 << true << false << true << true << true
                                    << QRect(100, 750, 800, 0) << false << QRect();
    QTest::newRow("target gone") << client << 1.0 << true << true << true << false << false
                                 << QRect() << true
                                 << QRect(900 - 900, 0, 0, 60); // zero rectangle, bar height
}

void test_docking::plans() {
    QFETCH(QRect, physical);
    QFETCH(qreal, ratio);
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
    in.bar_ratio = in.main_ratio = ratio;
    in.bar_height = 60;
    in.main_width = 480;
    in.sub_show = sub_show;
    in.main_show = main_show;
    in.main_dockleft = dockleft;
    const dock_plan_t plan = plan_dock(desktop, in);
    QTEST(plan.place_bar, "place_bar");
    QFETCH(QRect, bar);
    if (plan.place_bar) {
        QCOMPARE(plan.bar_pos, bar.topLeft());
        QCOMPARE(plan.bar_width, bar.width());
    }
    QTEST(plan.place_main, "place_main");
    QFETCH(QRect, main);
    if (plan.place_main) {
        QCOMPARE(plan.main_pos, main.topLeft());
        QCOMPARE(plan.main_height, main.height());
    }
}

QTEST_APPLESS_MAIN(test_docking)
#include "test_docking.moc"
