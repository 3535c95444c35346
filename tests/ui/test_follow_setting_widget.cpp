// The follow page writes its settings and announces them.
#include "app/event_bus.h"
#include "app/event_names.h"
#include "app/settings_store.h"
#include "model/data_center.h"
#include "ui/settings/follow_setting_widget.h"

#include <QCheckBox>
#include <QtTest>

using namespace quorvel;

class test_follow_setting_widget : public QObject {
    Q_OBJECT
private slots:
    void init();
    void unticking_one_application_writes_its_name();
    void select_all_writes_empty_or_every_name();
    void display_boxes_write_then_post();

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

QTEST_MAIN(test_follow_setting_widget)
#include "test_follow_setting_widget.moc"
