// Recognising chat main windows, against the recording fake desktop.
#include "app/app_paths.h"
#include "app/settings_store.h"
#include "integration/window_detector.h"
#include "integration/window_event_watcher.h"
#include "model/data_center.h"
#include "model/records.h"
#include "platform/fake/fake_desktop.h"

#include <QSignalSpy>
#include <QtTest>

using namespace quorvel;
using namespace quorvel::platform;

class test_window_detector : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { // the window type travels in signals
        platform::register_window_handle_type();
        register_meta_types();
    }
    void init();
    void targets_data();
    void targets();
    void accessibility_class_confirms_without_class();
    void switched_off_applications_data();
    void switched_off_applications();
    void server_table_replaces_the_built_in_one();
    void server_patterns_follow_changing_titles();
    void window_above_the_target_in_one_process_is_ignored();
    void foreground_and_unforeground();
    void watcher_relays_events();

private:
    void set_unsupport(const QString& value);
};

void test_window_detector::init() {
    data_center::instance().replace_supported_apps({});
    QFile::remove(app_paths::instance().settings_file());
}

void test_window_detector::set_unsupport(const QString& value) {
    const auto settings = open_ini(app_paths::instance().settings_file());
    settings->setValue(setting_keys::follow_unsupport, value);
    settings->sync();
}

void test_window_detector::targets_data() {
    QTest::addColumn<QString>("klass");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("target");
    QTest::newRow("WeCom") << "WeWorkWindow" << QStringLiteral("企业微信") << true;
    QTest::newRow("WeCom english title") << "WeWorkWindow"
                                         << "WeCom" << true;
    QTest::newRow("WeChat win32") << "WeChatMainWndForPC" << QStringLiteral("微信") << true;
    QTest::newRow("WeChat titled WeChat") << "WeChatMainWndForPC"
                                          << "WeChat" << false;
    QTest::newRow("WeChat Qt titled Weixin") << "Qt51514QWindowIcon"
                                             << "Weixin" << true;
    QTest::newRow("WeChat Qt titled a contact")
        << "Qt51514QWindowIcon" << QStringLiteral("张三") << false;
    QTest::newRow("unknown window") << "XTerm"
                                    << "xterm" << false;
}

void test_window_detector::targets() {
    QFETCH(QString, klass);
    QFETCH(QString, title);
    QFETCH(bool, target);
    fake_desktop desktop;
    const window_handle_t w = desktop.add_window({klass, title});
    window_detector detector(desktop);
    QCOMPARE(detector.is_target_window(w), target);
    QVERIFY(!detector.is_target_window(0x9999)); // a vanished window
}

void test_window_detector::accessibility_class_confirms_without_class() {
    // A server-named class with a WeChat title: confirmed only by the accessibility class.
    data_center::instance().replace_supported_apps(
        {{QStringLiteral("微信"), {"chatframe", QStringLiteral("微信")}}});
    fake_desktop desktop;
    fake_desktop::window_t w{"ChatFrame", QStringLiteral("微信")};
    const window_handle_t plain = desktop.add_window(w);
    w.accessibility_class = "mmui::MainWindow";
    const window_handle_t confirmed = desktop.add_window(w);
    window_detector detector(desktop);
    QVERIFY(!detector.is_target_window(plain));
    QVERIFY(detector.is_target_window(confirmed));
}

void test_window_detector::switched_off_applications_data() {
    QTest::addColumn<QString>("unsupport");
    QTest::addColumn<bool>("wechat");
    QTest::addColumn<bool>("wecom");
    QTest::newRow("none") << "" << true << true;
    QTest::newRow("wechat") << QStringLiteral("微信") << false << true;
    QTest::newRow("wechat with trailing comma") << QStringLiteral("微信,") << false << true;
    QTest::newRow("both") << QStringLiteral("企业微信,微信") << false << false;
}

void test_window_detector::switched_off_applications() {
    QFETCH(QString, unsupport);
    QFETCH(bool, wechat);
    QFETCH(bool, wecom);
    fake_desktop desktop;
    const window_handle_t a = desktop.add_window({"WeChatMainWndForPC", QStringLiteral("微信")});
    const window_handle_t b = desktop.add_window({"WeWorkWindow", QStringLiteral("企业微信")});
    window_detector detector(desktop);
    set_unsupport(unsupport);
    detector.reload_ignore_app_list();
    QCOMPARE(detector.is_target_window(a), wechat);
    QCOMPARE(detector.is_target_window(b), wecom);
}

void test_window_detector::server_table_replaces_the_built_in_one() {
    fake_desktop desktop;
    const window_handle_t chat = desktop.add_window({"DingTalkMain", QStringLiteral("钉钉")});
    const window_handle_t wechat =
        desktop.add_window({"WeChatMainWndForPC", QStringLiteral("微信")});
    window_detector detector(desktop);
    QVERIFY(!detector.is_target_window(chat));
    data_center::instance().replace_supported_apps(
        {{QStringLiteral("钉钉"), {"dingtalkmain", QStringLiteral("钉钉")}}});
    QVERIFY(detector.is_target_window(chat));    // no second check for other applications
    QVERIFY(!detector.is_target_window(wechat)); // the built-in table is gone
    data_center::instance().replace_supported_apps(
        {{QStringLiteral("钉钉"), {"DingTalkMain", QStringLiteral("钉钉")}}});
    QVERIFY(detector.is_target_window(chat)); // entries match without case
}

void test_window_detector::server_patterns_follow_changing_titles() {
    fake_desktop desktop;
    const window_handle_t page = desktop.add_window({"Chromium", "QV Web Chat - Chromium"});
    const window_handle_t mail = desktop.add_window({"Chromium", "Mail - Chromium"});
    window_detector detector(desktop);
    const QString web = QStringLiteral("网页客服");
    data_center::instance().replace_supported_apps({{web, {"Chromium", "QV Web Chat - Chromium"}}});
    QVERIFY(detector.is_target_window(page)); // as xprop prints it
    desktop.window(page).title = "(1) QV Web Chat - Chromium";
    QVERIFY(!detector.is_target_window(page)); // the whole title, as before
    data_center::instance().replace_supported_apps({{web, {"chromium", "*qv web chat*"}}});
    QVERIFY(detector.is_target_window(page));
    QVERIFY(!detector.is_target_window(mail));
    data_center::instance().replace_supported_apps({{web, {"class:chromium"}}});
    QVERIFY(detector.is_target_window(mail));
    set_unsupport(web); // switched off by the name, whatever the entry
    detector.reload_ignore_app_list();
    QVERIFY(!detector.is_target_window(mail));
}

void test_window_detector::window_above_the_target_in_one_process_is_ignored() {
    fake_desktop desktop;
    fake_desktop::window_t main{"WeChatMainWndForPC", QStringLiteral("微信")};
    main.process = 7;
    const window_handle_t lower = desktop.add_window(main);
    const window_handle_t upper = desktop.add_window(main); // above, same process
    window_detector detector(desktop);
    QSignalSpy appeared(&detector, &window_detector::target_appeared);
    detector.detect_show(lower);
    QCOMPARE(detector.current_target(), lower);
    detector.detect_show(upper);
    detector.detect_foreground(upper);
    QCOMPARE(detector.current_target(), lower);
    QCOMPARE(appeared.count(), 1);
    QVERIFY(!detector.is_above_target(lower)); // never above itself

    // Another process's window above takes over.
    fake_desktop::window_t other{"WeWorkWindow", QStringLiteral("企业微信")};
    other.process = 8;
    const window_handle_t wecom = desktop.add_window(other);
    detector.detect_show(wecom);
    QCOMPARE(detector.current_target(), wecom);
    QSignalSpy gone(&detector, &window_detector::target_disappeared);
    detector.detect_hide(lower);
    QCOMPARE(gone.count(), 0);
    detector.detect_hide(wecom);
    QCOMPARE(gone.count(), 1);
    QCOMPARE(detector.current_target(), window_handle_t(0));
}

void test_window_detector::foreground_and_unforeground() {
    fake_desktop desktop;
    const window_handle_t chat = desktop.add_window({"WeWorkWindow", QStringLiteral("企业微信")});
    const window_handle_t editor = desktop.add_window({"Gedit", "notes"});
    fake_desktop::window_t hidden{"WeChatMainWndForPC", QStringLiteral("微信")};
    hidden.visible = false;
    const window_handle_t invisible = desktop.add_window(hidden);
    window_detector detector(desktop);
    QSignalSpy appeared(&detector, &window_detector::target_appeared);
    QSignalSpy foreground(&detector, &window_detector::target_foreground);
    QSignalSpy unforeground(&detector, &window_detector::target_unforeground);
    QSignalSpy moved(&detector, &window_detector::target_move);

    detector.detect_foreground(chat); // a new target: appeared, not foreground
    QCOMPARE(appeared.count(), 1);
    QCOMPARE(foreground.count(), 0);
    detector.detect_foreground(editor);
    QCOMPARE(unforeground.count(), 1);
    detector.detect_foreground(chat);
    QCOMPARE(foreground.count(), 1);
    detector.detect_foreground(invisible); // not visible: nothing at all
    QCOMPARE(appeared.count() + foreground.count() + unforeground.count(), 3);
    detector.detect_move(editor);
    detector.detect_move(chat);
    QCOMPARE(moved.count(), 1);
}

void test_window_detector::watcher_relays_events() {
    auto source = std::make_unique<fake_window_events>();
    fake_window_events* events = source.get();
    window_event_watcher* watcher = window_event_watcher::instance();
    watcher->set_source(std::move(source));
    QSignalSpy shown(watcher, &window_event_watcher::window_show);
    QSignalSpy foreground(watcher, &window_event_watcher::foreground_window_changed);
    watcher->on_watch_started();
    QVERIFY(watcher->hooked());
    events->raise(window_event_kind::show, 42);
    events->raise(window_event_kind::foreground, 43);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.first().first().value<window_handle_t>(), window_handle_t(42));
    QCOMPARE(foreground.count(), 1);
    watcher->on_watch_stoped();
    events->raise(window_event_kind::show, 44);
    QCOMPARE(shown.count(), 1);
}

QTEST_GUILESS_MAIN(test_window_detector)
#include "test_window_detector.moc"
