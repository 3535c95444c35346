// The sending and advanced settings pages.
#include "platform/dropfiles.h"
#include "ui/settings/kb_setting_widget.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

using namespace quorvel;

class test_settings_pages : public QObject {
    Q_OBJECT
private slots:
    void kb_page_checks_stored_values_and_flushes();
    void advance_page_does_not_flush_and_tolerates_odd_values();
    void unreadable_file_shows_the_defaults();
    void clipboard_row_holds_switch_and_delay_data();
    void clipboard_row_holds_switch_and_delay();
    void dropfiles_block_layout();

private:
    QTemporaryDir dir_;
};

void test_settings_pages::kb_page_checks_stored_values_and_flushes() {
    const QString path = dir_.filePath("kb.cfg");
    settings_store settings(path);
    settings.write(setting::kb_send, 0);
    settings.write(setting::kb_dbclick, 7); // out of range: limited to 1
    kb_setting_widget page(settings);
    const auto groups = page.findChildren<QButtonGroup*>();
    QCOMPARE(groups.size(), 4);
    QCOMPARE(groups[0]->checkedId(), 0);
    QCOMPARE(groups[1]->checkedId(), 1);
    QCOMPARE(groups[2]->checkedId(), 1); // absent: default 1
    QCOMPARE(groups[0]->button(0)->text(), QString("Ctrl + Enter"));
    groups[0]->button(1)->click();
    groups[3]->button(0)->click();
    const auto reread = open_ini(path); // on disk at once
    QCOMPARE(reread->value("kb/send").toInt(), 1);
    QCOMPARE(reread->value("kb/hotkey").toInt(), 0);
}

void test_settings_pages::advance_page_does_not_flush_and_tolerates_odd_values() {
    const QString path = dir_.filePath("advance.cfg");
    {
        settings_store settings(path);
        settings.write(setting::advance_interval, 9);
        advance_setting_widget page(settings);
        const auto groups = page.findChildren<QButtonGroup*>();
        QCOMPARE(groups.size(), 4);
        QCOMPARE(groups[0]->checkedId(), -1); // no button for 9
        QCOMPARE(groups[0]->buttons().size(), 4);
        QCOMPARE(groups[1]->checkedId(), 1);
        groups[0]->button(3)->click();
        QFile file(path); // the file itself: settings objects of one process share their cache
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("interval=9")); // not yet written
    }
    QCOMPARE(open_ini(path)->value("advance/interval").toInt(), 3); // written on destruction
}

void test_settings_pages::unreadable_file_shows_the_defaults() {
    const QString path = dir_.filePath("malformed.cfg");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[kb\nsend=0\ndbclick=0\n");
    file.close();
    settings_store settings(path);
    kb_setting_widget page(settings);
    const auto groups = page.findChildren<QButtonGroup*>();
    QCOMPARE(groups[0]->checkedId(), 1);
    QCOMPARE(groups[1]->checkedId(), 1);
}

void test_settings_pages::clipboard_row_holds_switch_and_delay_data() {
    QTest::addColumn<QVariant>("stored_switch");
    QTest::addColumn<QVariant>("stored_delay");
    QTest::addColumn<int>("checked");
    QTest::addColumn<int>("delay");
    QTest::newRow("fresh file: on, 500 ms") << QVariant() << QVariant() << 1 << 500;
    QTest::newRow("switched off") << QVariant(0) << QVariant(1500) << 0 << 1500;
    QTest::newRow("on with no delay") << QVariant(1) << QVariant(0) << 1 << 0;
}

void test_settings_pages::clipboard_row_holds_switch_and_delay() {
    QFETCH(QVariant, stored_switch);
    QFETCH(QVariant, stored_delay);
    QFETCH(int, checked);
    QFETCH(int, delay);
    settings_store settings(dir_.filePath(QTest::currentDataTag()));
    if (stored_switch.isValid())
        settings.write(setting::advance_keep_clipboard, stored_switch.toInt());
    if (stored_delay.isValid())
        settings.write(setting::advance_clipboard_delay, stored_delay.toInt());
    advance_setting_widget page(settings);
    QButtonGroup* group = page.findChildren<QButtonGroup*>().last();
    auto* spin = page.findChild<QSpinBox*>("clipboard_delay");
    QVERIFY(spin);
    QCOMPARE(group->button(0)->text(), QStringLiteral("关闭"));
    QCOMPARE(group->checkedId(), checked);
    QCOMPARE(spin->value(), delay);
    QCOMPARE(spin->isEnabled(), checked == 1); // no delay to set while it is off

    group->button(1 - checked)->click();
    QCOMPARE(settings.read(setting::advance_keep_clipboard).number(), 1 - checked);
    QCOMPARE(spin->isEnabled(), checked == 0);
    spin->setValue(800);
    QCOMPARE(settings.read(setting::advance_clipboard_delay).number(), 800);
}

void test_settings_pages::dropfiles_block_layout() {
    const auto block = platform::dropfiles_block({u"C:\\a.pdf"}); // 8 characters
    QCOMPARE(block.size(), size_t(40));
    QCOMPARE(int(block[0]), 20);
    QCOMPARE(int(block[16]), 1); // wide
    QCOMPARE(int(block[20]), int('C'));
    QCOMPARE(int(block[36]) + int(block[37]) + int(block[38]) + int(block[39]), 0);
    QCOMPARE(platform::dropfiles_block({u"ab", u"c"}).size(), size_t(20 + 6 + 4 + 2));
}

QTEST_MAIN(test_settings_pages)
#include "test_settings_pages.moc"
