// The main window: sizes, toolbar states, re-login, hotkey actions, docking through the fake.
#include "app/app_paths.h"
#include "app/event_bus.h"
#include "app/event_names.h"
#include "app/settings_store.h"
#include "integration/current_desktop.h"
#include "model/data_center.h"
#include "model/records.h"
#include "platform/fake/fake_desktop.h"
#include "resources/resources.h"
#include "ui/auto_follow_widget.h"
#include "ui/float_widget.h"
#include "ui/login_widget.h"
#include "ui/main_widget.h"
#include "ui/main_widget_toolbar.h"
#include "ui/widgets/custom_toolbutton.h"

#include <QDesktopServices>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

using namespace quorvel;
using namespace quorvel::platform;

// Catches what QDesktopServices would open in the browser.
class url_catcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class test_main_widget : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void sizes_and_floating_icon();
    void toolbar_states_change_without_signals();
    void show_window_on_top_keeps_the_follow_flag();
    void two_relogins_open_one_dialog();
    void alt_z_hides_then_brings_back();
    void disabled_hotkey_does_nothing();
    void docks_beside_the_target_and_follows_it();
    void phrase_button_posts_send_script();
    void website_entry_opens_the_backend_start_page();

private:
    void set(const char* key, int value);
    fake_desktop desktop_;
};

void test_main_widget::initTestCase() {
    init_resources();
    register_meta_types();
    set_current_desktop(&desktop_);
}

void test_main_widget::init() {
    QFile::remove(app_paths::instance().settings_file());
}

void test_main_widget::set(const char* key, int value) {
    const auto s = open_ini(app_paths::instance().settings_file());
    s->setValue(QLatin1String(key), value);
    s->sync();
}

void test_main_widget::sizes_and_floating_icon() {
    main_widget w;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const int h = 2 * available.height() / 3;
    QCOMPARE(w.height(), h);
    QCOMPARE(w.width(), qMax(2 * h / 3, w.minimumWidth()));
    QCOMPARE(w.floating_icon()->pos(), QPoint(available.width() - 120 - 80, 240));
    QVERIFY(w.floating_icon()->isHidden());
    QCOMPARE(w.hotkeys().size(), 3);
    QVERIFY(w.testAttribute(Qt::WA_DeleteOnClose));
    w.show();
    QCOMPARE(w.toolbar()->pos(), QPoint(w.width() - 140, 0));
    QVERIFY(w.is_drag_area(QPoint(10, 5)));
}

void test_main_widget::toolbar_states_change_without_signals() {
    main_widget w;
    main_widget_toolbar* bar = w.toolbar();
    QSignalSpy sticky(bar, &main_widget_toolbar::sticky_requested);
    QSignalSpy follow(bar, &main_widget_toolbar::follow_requested);
    bar->show_pin_state(true);
    bar->show_follow_state(true);
    QVERIFY(bar->pin_button()->isChecked());
    QCOMPARE(bar->follow_button()->toolTip(), QStringLiteral("取消吸附"));
    QCOMPARE(sticky.count() + follow.count(), 0);
    bar->pin_button()->click(); // a user click
    QCOMPARE(sticky.count(), 1);
    QCOMPARE(sticky.first().first().toBool(), false);
}

void test_main_widget::show_window_on_top_keeps_the_follow_flag() {
    main_widget w;
    w.follow(true);
    QVERIFY(w.follow_enabled());
    desktop_.clear_calls();
    w.show_window_on_top();
    QVERIFY(w.follow_enabled());
    QVERIFY(!w.toolbar()->follow_button()->isChecked());
    QVERIFY(w.toolbar()->pin_button()->isChecked());
    QVERIFY(w.isVisible());
    QVERIFY(desktop_.call_names().contains("set_topmost"));
}

void test_main_widget::two_relogins_open_one_dialog() {
    main_widget w;
    w.show();
    event_bus::instance()->post(events::relogin);
    QTest::qWait(200);
    event_bus::instance()->post(events::relogin);
    QTRY_VERIFY_WITH_TIMEOUT(w.relogin_dialog(), 3000);
    QTest::qWait(1600); // the second request fires while the first dialog is open
    QCOMPARE(w.findChildren<login_widget*>().size(), 1);
    w.relogin_dialog()->close();
}

void test_main_widget::alt_z_hides_then_brings_back() {
    main_widget w;
    w.show();
    w.toggle_visible_hotkey();
    QVERIFY(!w.isVisible());
    QVERIFY(w.floating_icon()->isVisible());
    w.toggle_visible_hotkey();
    QVERIFY(w.isVisible());
    QVERIFY(w.floating_icon()->isHidden());
    const QRect available = w.screen()->availableGeometry();
    QCOMPARE(w.pos(), QPoint(available.width() - w.width() - 100, 100));
    QVERIFY(!w.follow_enabled());
}

void test_main_widget::disabled_hotkey_does_nothing() {
    set(setting_keys::follow_main_hotkey_visible, 0);
    set(setting_keys::follow_sub_hotkey_focus, 0);
    main_widget w;
    w.show();
    desktop_.clear_calls();
    w.toggle_visible_hotkey();
    w.focus_bar_hotkey();
    QVERIFY(w.isVisible());
    QVERIFY(desktop_.calls().isEmpty());
}

void test_main_widget::docks_beside_the_target_and_follows_it() {
    fake_desktop::window_t chat{"WeWorkWindow", QStringLiteral("企业微信")};
    chat.client_rect = QRect(100, 50, 800, 700);
    const window_handle_t target = desktop_.add_window(chat);
    desktop_.set_foreground(target);
    main_widget w;
    w.follow(true);
    QCOMPARE(w.target(), target);
    QVERIFY(w.isVisible());
    QCOMPARE(w.pos(), QPoint(900, 50));
    QCOMPARE(w.height(), 700 + w.bottom_bar()->height());
    QCOMPARE(w.bottom_bar()->pos(), QPoint(100, 750));
    QCOMPARE(w.bottom_bar()->width(), 800);

    desktop_.window(target).client_rect = QRect(200, 80, 800, 700); // the chat window moved
    w.on_window_move();
    QCOMPARE(w.pos(), QPoint(1000, 80));
    w.on_window_hide();
    QVERIFY(!w.isVisible());
    QVERIFY(!w.bottom_bar()->isVisible());
    desktop_.remove_window(target);
}

void test_main_widget::phrase_button_posts_send_script() {
    auto phrase = phrase_node_spt::create();
    phrase->id = "1";
    phrase->phraseContent = QStringLiteral("您好，在的～");
    data_center::instance().phrases = {{"1", phrase}};
    main_widget w;
    QStringList sent;
    QObject context;
    event_bus::instance()->subscribe(events::send_script, &context,
                                     [&](const QVariantList& a) { sent << a.first().toString(); });
    for (QToolButton* b : w.bottom_bar()->findChildren<QToolButton*>())
        if (b->text() == QStringLiteral("您好，在的～"))
            b->click();
    QCOMPARE(sent, QStringList{QStringLiteral("您好，在的～")});
}

void test_main_widget::website_entry_opens_the_backend_start_page() {
    qputenv("QUORVEL_BASE_URL", "http://127.0.0.1:18611");
    url_catcher catcher;
    QDesktopServices::setUrlHandler("http", &catcher, "open");
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    main_widget w;
    w.show();
    QTimer::singleShot(0, this, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction* action : menu->actions())
            if (action->text() == QStringLiteral("官网"))
                action->trigger();
        menu->close();
    });
    w.on_menu_clicked(w.mapToGlobal(QPoint(10, 10)));
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("https");
    qunsetenv("QUORVEL_BASE_URL");
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl("http://127.0.0.1:18611/")});
}

QTEST_MAIN(test_main_widget)
#include "test_main_widget.moc"
