// The frameless bases and the small widgets.
#include "app/qt_translations.h"
#include "resources/resources.h"
#include "ui/widgets/base_dialog.h"
#include "ui/widgets/base_widget.h"
#include "ui/widgets/custom_toolbutton.h"
#include "ui/widgets/custom_tree_menu.h"
#include "ui/widgets/flow_layout.h"
#include "ui/widgets/toggle_switch.h"

#include <QFontMetrics>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

using namespace quorvel;

namespace {

void mouse(QWidget* w, QEvent::Type type, const QPoint& pos,
           Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent event(type, pos, w->mapToGlobal(pos), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton
                                                         : Qt::MouseButtons(Qt::LeftButton),
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// A plain window whose top 30 pixels move it, as the main window's do.
class draggable : public base_widget {
public:
    bool is_drag_area(const QPoint& pos) const override { return pos.y() < 30; }
};

} // namespace

class test_widget_kit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { init_resources(); }
    void edge_margins_data();
    void edge_margins();
    void resizing_stops_at_the_smallest_extent();
    void window_resizes_from_its_edge();
    void dialog_edges_do_nothing_and_title_bar_moves_it();
    void state_icons_come_from_the_pictures();
    void flow_layout_wraps();
    void tooltip_wraps_beyond_half_the_screen();
    void switch_geometry();
    void tree_popup_height_is_clamped_data();
    void tree_popup_height_is_clamped();
    void message_boxes_speak_chinese();
};

void test_widget_kit::edge_margins_data() {
    QTest::addColumn<int>("margin");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("edges");
    QTest::newRow("window 1 px from left")
        << base_widget::edge_margin << QPoint(1, 50) << int(edge_left);
    QTest::newRow("window 2 px from left") << base_widget::edge_margin << QPoint(2, 50) << 0;
    QTest::newRow("dialog 2 px from left")
        << base_dialog::edge_margin << QPoint(2, 50) << int(edge_left);
    QTest::newRow("dialog 3 px from left") << base_dialog::edge_margin << QPoint(3, 50) << 0;
    QTest::newRow("bottom right corner") << 2 << QPoint(99, 99) << int(edge_right | edge_bottom);
    QTest::newRow("top left corner") << 2 << QPoint(0, 0) << int(edge_top | edge_left);
}

void test_widget_kit::edge_margins() {
    QFETCH(int, margin);
    QFETCH(QPoint, pos);
    QTEST(edges_at(pos, QSize(100, 100), margin), "edges");
}

void test_widget_kit::resizing_stops_at_the_smallest_extent() {
    const QRect frame(100, 100, 200, 150);
    QCOMPARE(
        resized_geometry(frame, edge_left, QPoint(900, 0), base_widget::smallest_extent).left(),
        frame.right() - 4);
    QCOMPARE(resized_geometry(frame, edge_bottom, QPoint(0, -50), 6).bottom(), frame.top() + 6);
    QCOMPARE(resized_geometry(frame, edge_left | edge_top, QPoint(50, 60), 4),
             QRect(QPoint(50, 60), frame.bottomRight()));
    // The window's own limits hold the opposite edge in place.
    QCOMPARE(resized_geometry(frame, edge_left, QPoint(250, 0), 4, QSize(120, 0)),
             QRect(QPoint(180, 100), frame.bottomRight()));
    QCOMPARE(resized_geometry(frame, edge_top, QPoint(0, 0), 4, QSize(), QSize(500, 200)),
             QRect(QPoint(100, 50), frame.bottomRight()));
    QCOMPARE(resized_geometry(frame, edge_top | edge_bottom, QPoint(0, 400), 4, QSize(0, 150),
                              QSize(500, 150)),
             frame); // a fixed height
    QCOMPARE(cursor_for_edges(edge_top | edge_left), Qt::SizeFDiagCursor);
    QCOMPARE(cursor_for_edges(edge_right | edge_top), Qt::SizeBDiagCursor);
    QCOMPARE(cursor_for_edges(edge_left), Qt::SizeHorCursor);
    QCOMPARE(cursor_for_edges(0), Qt::ArrowCursor);
}

void test_widget_kit::window_resizes_from_its_edge() {
    draggable window;
    window.setGeometry(100, 100, 300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect before = window.geometry();
    mouse(&window, QEvent::MouseButtonPress, QPoint(299, 100)); // right edge
    mouse(&window, QEvent::MouseMove, QPoint(339, 100));
    mouse(&window, QEvent::MouseButtonRelease, QPoint(339, 100));
    QCOMPARE(window.geometry().width(), before.width() + 40);

    const QPoint top_left = window.pos();
    mouse(&window, QEvent::MouseButtonPress, QPoint(50, 10)); // drag area
    mouse(&window, QEvent::MouseMove, QPoint(70, 25));
    mouse(&window, QEvent::MouseButtonRelease, QPoint(70, 25));
    QCOMPARE(window.pos(), top_left + QPoint(20, 15));
}

void test_widget_kit::dialog_edges_do_nothing_and_title_bar_moves_it() {
    base_dialog dialog;
    dialog.set_title(QStringLiteral("标题"));
    dialog.setGeometry(200, 200, 300, 200);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(dialog.min_button()->isHidden() && dialog.max_button()->isHidden() &&
            !dialog.close_button()->isHidden());
    QCOMPARE(dialog.title_bar()->height(), 30);

    const QRect before = dialog.geometry();
    mouse(&dialog, QEvent::MouseButtonPress, QPoint(299, 100));
    mouse(&dialog, QEvent::MouseMove, QPoint(350, 120));
    mouse(&dialog, QEvent::MouseButtonRelease, QPoint(350, 120));
    QCOMPARE(dialog.geometry(), before); // not resizable

    mouse(&dialog, QEvent::MouseButtonPress, QPoint(100, 150)); // below the title bar
    mouse(&dialog, QEvent::MouseMove, QPoint(130, 170));
    mouse(&dialog, QEvent::MouseButtonRelease, QPoint(130, 170));
    QCOMPARE(dialog.geometry(), before);

    const QPoint in_title = dialog.title_bar()->geometry().center();
    mouse(&dialog, QEvent::MouseButtonPress, in_title);
    mouse(&dialog, QEvent::MouseMove, in_title + QPoint(30, 40));
    mouse(&dialog, QEvent::MouseButtonRelease, in_title + QPoint(30, 40));
    QCOMPARE(dialog.pos(), before.topLeft() + QPoint(30, 40));
}

void test_widget_kit::state_icons_come_from_the_pictures() {
    custom_toolbutton button;
    set_state_icon(&button, "icon/pin");
    const QIcon icon = button.icon();
    QVERIFY(!icon.isNull());
    const QImage hot = icon.pixmap(24, QIcon::Active, QIcon::On).toImage();
    const QImage normal = icon.pixmap(24, QIcon::Normal, QIcon::On).toImage();
    QVERIFY(!hot.isNull() && !normal.isNull());
    QVERIFY(hot != normal); // the states look different
    set_state_icon(&button, "icon/pin_selected");
    QVERIFY(button.icon().pixmap(24, QIcon::Normal, QIcon::On).toImage() != normal);
    for (const char* picture :
         {":/images/icon/logo.png", ":/quorvel/icon/kefu.jpg", ":/images/icon/pdf_small.png",
          ":/images/icon/script_param.png", ":/images/icon/magic_off_hot.png"})
        QVERIFY2(!QPixmap(picture).isNull(), picture);
}

void test_widget_kit::flow_layout_wraps() {
    flow_layout_widget host(5, 4, 6);
    QList<QWidget*> boxes;
    for (int i = 0; i < 5; ++i) {
        auto* box = new QWidget;
        box->setFixedSize(40, 20);
        host.layout_of()->addWidget(box);
        boxes << box;
    }
    auto* first = new QWidget;
    first->setFixedSize(40, 20);
    host.insert_widget(0, first);
    QCOMPARE(host.layout_of()->itemAt(0)->widget(), first);

    // 6 boxes of 40 with 4 between fit three to a 140-wide row (5 + 40 + 4 + 40 + 4 + 40 = 133).
    QCOMPARE(host.layout_of()->heightForWidth(140), 5 + 20 + 6 + 20 + 5);
    host.resize(140, 200);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QCOMPARE(boxes[1]->pos(), QPoint(93, 5)); // the third item ends the first row
    QCOMPARE(boxes[2]->pos(), QPoint(5, 5 + 20 + 6));
    // Narrower than one item: every item on its own row, the first never wraps.
    QCOMPARE(host.layout_of()->heightForWidth(20), 5 + 6 * 20 + 5 * 6 + 5);
}

void test_widget_kit::tooltip_wraps_beyond_half_the_screen() {
    const int half = QGuiApplication::primaryScreen()->availableGeometry().width() / 2;
    const QFontMetrics metrics(QToolTip::font());
    QString text;
    while (metrics.boundingRect(text + "话").width() <= half)
        text += "话";
    QCOMPARE(wrap_tooltip_text(text), text); // not more than half
    const QString longer = text + "话";
    QCOMPARE(wrap_tooltip_text(longer), QString(longer).insert(longer.length() / 2, "\n\r"));
    QString huge;
    while (metrics.boundingRect(huge).width() < 2 * half + 10)
        huge += "长";
    QCOMPARE(wrap_tooltip_text(huge), huge); // the whole screen wide or more: unchanged
}

void test_widget_kit::switch_geometry() {
    toggle_switch sw;
    sw.resize(44, 20);
    QCOMPARE(sw.corner_radius(), 10);
    QCOMPARE(sw.knob_center(), QPoint(10, 10));
    QSignalSpy toggled(&sw, &toggle_switch::toggled);
    sw.show();
    QTest::mouseClick(&sw, Qt::LeftButton);
    QVERIFY(sw.isChecked());
    QCOMPARE(sw.knob_center(), QPoint(34, 10));
    QVERIFY(toggled.count() >= 1);
    const QImage image = sw.grab().toImage();
    QCOMPARE(QColor(image.pixel(4, 10)), QColor(46, 204, 113)); // the green body on the left
}

void test_widget_kit::tree_popup_height_is_clamped_data() {
    QTest::addColumn<int>("reported");
    QTest::addColumn<int>("height");
    QTest::newRow("small") << 40 << 128;
    QTest::newRow("fits") << 300 << 300;
    QTest::newRow("large") << 900 << 600;
}

void test_widget_kit::tree_popup_height_is_clamped() {
    QFETCH(int, reported);
    QFETCH(int, height);
    auto* menu = new custom_tree_menu;
    menu->fill([reported](QTreeWidget* tree) {
        auto* parent = new QTreeWidgetItem(tree, {QStringLiteral("分类")});
        new QTreeWidgetItem(parent, {QStringLiteral("子分类")});
        return reported;
    });
    QCOMPARE(menu->height(), height);
    QVERIFY(menu->tree()->topLevelItem(0)->isExpanded());
    delete menu;
}

void test_widget_kit::message_boxes_speak_chinese() {
    QVERIFY(install_qt_translations(qApp));
    QMessageBox box(QMessageBox::Information, QStringLiteral("Quorvel"), QStringLiteral("失败"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
}

QTEST_MAIN(test_widget_kit)
#include "test_widget_kit.moc"
