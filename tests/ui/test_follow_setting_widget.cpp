// The follow page writes its settings and announces them.
#include "app/event_bus.h"
#include "app/event_names.h"
#include "app/settings_store.h"
#include "integration/current_desktop.h"
#include "integration/window_detector.h"
#include "model/data_center.h"
#include "platform/fake/fake_desktop.h"
#include "ui/settings/follow_setting_widget.h"

#include <QCheckBox>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

using namespace quorvel;
using platform::fake_desktop;

class test_follow_setting_widget : public QObject {
    Q_OBJECT
private slots:
    void init();
    void unticking_one_application_writes_its_name();
    void select_all_writes_empty_or_every_name();
    void display_boxes_write_then_post();
    void identify_window_data();
    void identify_window();
    void identify_again_after_switching();

private:
    QCheckBox* box(follow_setting_widget& page, const QString& text, int nth = 0);

    QTemporaryDir dir_;
    QString path_;
};

void test_follow_setting_widget::init() {
    data_center::instance().replace_supported_apps({});
    path_ = dir_.filePath(QString("follow-%1.cfg").arg(QTest::currentTestFunction()));
}

QCheckBox* test_follow_setting_widget::box(follow_setting_widget& page, const QString& text,
                                           int nth) {
    int seen = 0;
    for (QCheckBox* b : page.findChildren<QCheckBox*>())
        if (b->text() == text && seen++ == nth)
            return b;
    return nullptr;
}

void test_follow_setting_widget::unticking_one_application_writes_its_name() {
    settings_store settings(path_);
    QStringList posted;
    QObject context;
    event_bus::instance()->subscribe(
        events::follow_supported_app_changed, &context, [&](const QVariantList&) {
            posted << open_ini(path_)->value("follow/unsupport").toString();
        });
    {
        follow_setting_widget page(settings);
        QCOMPARE(page.application_boxes().size(), 2);
        QVERIFY(page.select_all()->isChecked());
        box(page, QStringLiteral("企业微信"))->click();
        QCOMPARE(settings.read(setting::follow_unsupport).text(), QStringLiteral("企业微信"));
        QVERIFY(!page.select_all()->isChecked());
        QCOMPARE(posted, QStringList{QStringLiteral("企业微信")}); // written before the event
    }
    follow_setting_widget reopened(settings);
    QVERIFY(box(reopened, QStringLiteral("微信"))->isChecked());
    QVERIFY(!box(reopened, QStringLiteral("企业微信"))->isChecked());
}

void test_follow_setting_widget::select_all_writes_empty_or_every_name() {
    settings_store settings(path_);
    follow_setting_widget page(settings);
    page.select_all()->click(); // off
    const QStringList names = settings.read(setting::follow_unsupport).text().split(',');
    QCOMPARE(QSet<QString>(names.begin(), names.end()),
             (QSet<QString>{QStringLiteral("微信"), QStringLiteral("企业微信")}));
    for (QCheckBox* b : page.application_boxes())
        QVERIFY(!b->isChecked());
    page.select_all()->click(); // on
    QCOMPARE(settings.read(setting::follow_unsupport).text(), QString());
    for (QCheckBox* b : page.application_boxes())
        QVERIFY(b->isChecked());
}

void test_follow_setting_widget::display_boxes_write_then_post() {
    settings_store settings(path_);
    QVariantList main_show, sub_show;
    QObject context;
    event_bus::instance()->subscribe(events::follow_main_show, &context,
                                     [&](const QVariantList& a) { main_show = a; });
    event_bus::instance()->subscribe(events::follow_sub_show, &context,
                                     [&](const QVariantList& a) { sub_show = a; });
    follow_setting_widget page(settings);
    box(page, QStringLiteral("吸附时显示"), 0)->click(); // the main window's
    box(page, QStringLiteral("吸附时显示"), 1)->click(); // the bar's
    box(page, QStringLiteral("按ALT+Q时聚集主窗口"))->click();
    QCOMPARE(main_show, QVariantList{0});
    QCOMPARE(sub_show, QVariantList{0});
    const auto reread = open_ini(path_);
    QCOMPARE(reread->value("follow/main_show").toInt(), 0);
    QCOMPARE(reread->value("follow/sub_show").toInt(), 0);
    QCOMPARE(reread->value("follow/main_hotkey_focus").toInt(), 0);
}

void test_follow_setting_widget::identify_window_data() {
    QTest::addColumn<bool>("docked");     // a detector follows the chat page
    QTest::addColumn<bool>("own_active"); // the active window is one of ours
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("klass"); // empty: nothing found
    QTest::addColumn<QString>("class_entry");
    QTest::addColumn<QString>("window_entry");
    const QString chat_entry = "QV Web Chat - Chromium=Chromium,QV Web Chat - Chromium";
    QTest::newRow("docked beside the chat page")
        << true << false << QStringLiteral("正在吸附的窗口") << "Chromium"
        << "Chromium=class:Chromium" << chat_entry;
    QTest::newRow("docked, our own window active")
        << true << true << QStringLiteral("正在吸附的窗口") << "Chromium"
        << "Chromium=class:Chromium" << chat_entry;
    QTest::newRow("not docked: the active window")
        << false << false << QStringLiteral("最近使用的其他程序窗口") << "Mousepad"
        << "Mousepad=class:Mousepad"
        << "*notes - Mousepad=Mousepad,*notes - Mousepad";
    QTest::newRow("not docked, our own window active")
        << false << true << QStringLiteral("没有找到窗口") << ""
        << ""
        << "";
}

void test_follow_setting_widget::identify_window() {
    QFETCH(bool, docked);
    QFETCH(bool, own_active);
    QFETCH(QString, source);
    QFETCH(QString, klass);
    QFETCH(QString, class_entry);
    QFETCH(QString, window_entry);
    data_center::instance().replace_supported_apps(
        {{QStringLiteral("网页客服"), {"chromium", "*qv web chat*"}}});
    fake_desktop desktop;
    set_current_desktop(&desktop);
    const auto chat = desktop.add_window({"Chromium", "QV Web Chat - Chromium"});
    fake_desktop::window_t editor{"Mousepad", "*notes - Mousepad"};
    if (own_active)
        editor.process = QCoreApplication::applicationPid();
    const auto active = desktop.add_window(editor);
    desktop.set_foreground(active);
    window_detector detector(desktop);
    if (docked)
        detector.detect_show(chat);
    QCOMPARE(window_detector::followed_window(), docked ? chat : 0);

    settings_store settings(path_);
    follow_setting_widget page(settings);
    auto* shown_class = page.findChild<QLabel*>("identified_class");
    auto* shown_title = page.findChild<QLabel*>("identified_title");
    auto* copy_class = page.findChild<QToolButton*>("copy_class_entry");
    auto* copy_window = page.findChild<QToolButton*>("copy_window_entry");
    QVERIFY(shown_class && shown_title && copy_class && copy_window);
    QVERIFY(page.findChild<QLabel*>("identified_source")->text().startsWith(source));
    QCOMPARE(shown_class->text(), klass);
    QCOMPARE(copy_class->isEnabled(), !class_entry.isEmpty());
    QCOMPARE(copy_window->isEnabled(), !window_entry.isEmpty());
    if (!class_entry.isEmpty()) {
        copy_class->click();
        QCOMPARE(desktop.call_names().last(), QString("clipboard_text"));
        QCOMPARE(desktop.calls().last().args.value(0).toString(), class_entry);
        copy_window->click();
        QCOMPARE(desktop.calls().last().args.value(0).toString(), window_entry);
        auto* copied = page.findChild<QLabel*>("copied_entry");
        QVERIFY(!copied->isHidden());
        QVERIFY(copied->text().contains(window_entry));
    }
    set_current_desktop(nullptr);
}

void test_follow_setting_widget::identify_again_after_switching() {
    fake_desktop desktop;
    set_current_desktop(&desktop);
    settings_store settings(path_);
    follow_setting_widget page(settings);
    auto* copy_class = page.findChild<QToolButton*>("copy_class_entry");
    QVERIFY(!copy_class->isEnabled()); // nothing to name yet
    const auto w = desktop.add_window({"QQ", "<b>QQ</b>"});
    desktop.set_foreground(w);
    page.findChild<QToolButton*>("identify_window")->click();
    QCOMPARE(page.findChild<QLabel*>("identified_title")->text(), QString("<b>QQ</b>"));
    QCOMPARE(page.findChild<QLabel*>("identified_title")->textFormat(), Qt::PlainText);
    QVERIFY(copy_class->isEnabled());
    desktop.remove_window(w); // gone: nothing left to copy
    page.findChild<QToolButton*>("identify_window")->click();
    QVERIFY(!copy_class->isEnabled());
    QCOMPARE(page.findChild<QLabel*>("identified_class")->text(), QString());
    set_current_desktop(nullptr);
}

QTEST_MAIN(test_follow_setting_widget)
#include "test_follow_setting_widget.moc"
