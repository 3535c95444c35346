#include "app/app_paths.h"
#include "app/settings_store.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QtTest>

using namespace quorvel;

class test_settings_store : public QObject {
    Q_OBJECT
private slots:
    void first_start_writes_no_settings_file();
    void every_key_has_its_default_data();
    void every_key_has_its_default();
    void int_setting_values_data();
    void int_setting_values();
    void typed_read_converts_stored_text();
    void typed_keys_data();
    void typed_keys();
    void unreadable_file_is_told_apart_data();
    void unreadable_file_is_told_apart();
    void deferred_write_reaches_the_file_on_flush();
    void search_history_lists_the_history_group();
    void update_state_defaults_and_round_trip();

private:
    QTemporaryDir tmp_;
};

void test_settings_store::first_start_writes_no_settings_file() {
    const app_paths& paths = app_paths::instance();
    for (const setting_spec_t& spec : settings_file_specs())
        QCOMPARE(read_int_setting(QString::fromLatin1(spec.key)), 1);
    QVERIFY(QFileInfo(paths.root()).isDir());
    QVERIFY(QFileInfo(paths.root() + "config").isDir());
    QVERIFY(!QFileInfo::exists(paths.settings_file()));
}

void test_settings_store::every_key_has_its_default_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("expected");
    const QStringList ones = {"kb/send",
                              "kb/dbclick",
                              "kb/arrow",
                              "kb/hotkey",
                              "follow/main_show",
                              "follow/main_dockleft",
                              "follow/main_hotkey_visible",
                              "follow/main_hotkey_focus",
                              "follow/sub_show",
                              "follow/sub_hotkey_focus",
                              "clouddoc/download_switch",
                              "advance/interval",
                              "advance/qnmode",
                              "advance/sclick"};
    for (const QString& key : ones)
        QTest::newRow(qPrintable(key)) << key << QVariant(1);
    QTest::newRow("follow/unsupport") << "follow/unsupport" << QVariant(QString());
    QTest::newRow("clouddoc/download_size") << "clouddoc/download_size" << QVariant(20);
}

void test_settings_store::every_key_has_its_default() {
    QFETCH(QString, key);
    QFETCH(QVariant, expected);
    const auto settings = open_ini(tmp_.filePath("absent.cfg"));
    const QVariant value = read_setting(*settings, key);
    QCOMPARE(value, expected);
    QCOMPARE(setting_default(key), expected);
    QCOMPARE(read_int_setting(tmp_.filePath("absent.cfg"), key), 1);
}

void test_settings_store::int_setting_values_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("stored zero") << QByteArray("[kb]\nsend=0\n") << "kb/send" << 0;
    QTest::newRow("stored value") << QByteArray("[clouddoc]\ndownload_size=35\n")
                                  << "clouddoc/download_size" << 35;
    QTest::newRow("absent key") << QByteArray("[kb]\nsend=0\n") << "kb/arrow" << 1;
    QTest::newRow("non-numeric") << QByteArray("[clouddoc]\ndownload_size=abc\n")
                                 << "clouddoc/download_size" << 0;
    QTest::newRow("malformed file") << QByteArray("[kb\nsend=0\n") << "kb/send" << -1;
}

void test_settings_store::int_setting_values() {
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(int, expected);
    const QString path = tmp_.filePath(QString("int_%1.cfg").arg(QTest::currentDataTag()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QCOMPARE(read_int_setting(path, key), expected);
}

void test_settings_store::typed_read_converts_stored_text() {
    const QString path = tmp_.filePath("typed.cfg");
    {
        const auto writer = open_ini(path);
        writer->setValue("clouddoc/download_size", "lots");
        writer->setValue("follow/unsupport", QStringLiteral("微信,企业微信"));
        writer->setValue("kb/send", 0);
    }
    const auto settings = open_ini(path);
    QCOMPARE(read_setting(*settings, "clouddoc/download_size"), QVariant(0));
    QCOMPARE(read_setting(*settings, "follow/unsupport"),
             QVariant(QStringLiteral("微信,企业微信")));
    QCOMPARE(read_setting(*settings, "kb/send"), QVariant(0));
}

// Per key: the string in the file (existing files must read the same), the
// default when absent, and a value other than the default to write.
void test_settings_store::typed_keys_data() {
    QTest::addColumn<setting>("id");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("fallback");
    QTest::addColumn<QVariant>("written");
    const auto flag = [](setting id, const char* key) {
        QTest::newRow(key) << id << QString(key) << QVariant(1) << QVariant(0);
    };
    flag(setting::kb_send, "kb/send");
    flag(setting::kb_dbclick, "kb/dbclick");
    flag(setting::kb_arrow, "kb/arrow");
    flag(setting::kb_hotkey, "kb/hotkey");
    flag(setting::follow_main_show, "follow/main_show");
    flag(setting::follow_main_dockleft, "follow/main_dockleft");
    flag(setting::follow_main_hotkey_visible, "follow/main_hotkey_visible");
    flag(setting::follow_main_hotkey_focus, "follow/main_hotkey_focus");
    flag(setting::follow_sub_show, "follow/sub_show");
    flag(setting::follow_sub_hotkey_focus, "follow/sub_hotkey_focus");
    flag(setting::clouddoc_download_switch, "clouddoc/download_switch");
    flag(setting::advance_qnmode, "advance/qnmode");
    flag(setting::advance_sclick, "advance/sclick");
    QTest::newRow("follow/unsupport")
        << setting::follow_unsupport << "follow/unsupport" << QVariant(QString())
        << QVariant(QStringLiteral("微信,企业微信"));
    QTest::newRow("clouddoc/download_size")
        << setting::clouddoc_download_size << "clouddoc/download_size" << QVariant(20)
        << QVariant(35);
    QTest::newRow("advance/interval")
        << setting::advance_interval << "advance/interval" << QVariant(1) << QVariant(3);
}

void test_settings_store::typed_keys() {
    QFETCH(setting, id);
    QFETCH(QString, key);
    QFETCH(QVariant, fallback);
    QFETCH(QVariant, written);
    QCOMPARE(key_of(id), key);
    const QString path = tmp_.filePath(QString("typed_%1.cfg").arg(int(id)));

    settings_store store(path);
    const setting_value_t absent = store.read(id);
    QCOMPARE(absent.value, fallback);
    QCOMPARE(absent.origin, setting_origin::absent);
    QCOMPARE(read_setting(path, id).value, fallback);

    QSignalSpy changed(&store, &settings_store::changed);
    if (written.type() == QVariant::String)
        store.write(id, written.toString());
    else
        store.write(id, written.toInt());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().value<setting>(), id);

    QCOMPARE(store.read(id).value, written);
    const setting_value_t reread = read_setting(path, id); // a fresh reader: on disk
    QCOMPARE(reread.value, written);
    QCOMPARE(reread.origin, setting_origin::stored);
    QCOMPARE(open_ini(path)->value(key), written); // under the same key string
}

void test_settings_store::unreadable_file_is_told_apart_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("malformed") << "malformed.cfg"
                               << QByteArray("[kb\nsend=0\n[follow\nsub_show=0\n");
    QTest::newRow("a directory") << "folder.cfg" << QByteArray();
}

// Every key reads as its default, marked unreadable, while the plain integer
// read keeps its -1; for every reader, again and again.
void test_settings_store::unreadable_file_is_told_apart() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString path = tmp_.filePath(name);
    if (content.isEmpty()) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    for (const setting_spec_t& spec : settings_file_specs()) {
        const setting_value_t value = read_setting(path, spec.id);
        QCOMPARE(value.origin, setting_origin::unreadable);
        QVERIFY(!value.readable());
        QCOMPARE(value.value, spec.default_value);
    }
    // Every reader sees it, not only the first one to parse the file.
    QCOMPARE(read_int_setting(path, "kb/send"), -1);
    QCOMPARE(read_int_setting(path, "kb/send"), -1);
}

void test_settings_store::deferred_write_reaches_the_file_on_flush() {
    const QString path = tmp_.filePath("deferred.cfg");
    settings_store store(path);
    QSignalSpy changed(&store, &settings_store::changed);
    store.write(setting::advance_interval, 2, settings_store::persist::later);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(store.read(setting::advance_interval).number(), 2);
    QVERIFY(!QFile::exists(path));
    store.flush();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("interval=2"));
}

void test_settings_store::search_history_lists_the_history_group() {
    const QString path = tmp_.filePath("kb/search.cfg");
    QVERIFY(search_history(path).isEmpty());
    {
        const auto writer = open_ini(path);
        writer->setValue("history/101", 1700000000);
        writer->setValue("history/205", Q_INT64_C(1700000001));
        writer->setValue("other/999", 5);
    }
    const auto entries = search_history(path);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0], qMakePair(QString("101"), qint64(1700000000)));
    QCOMPARE(entries[1], qMakePair(QString("205"), qint64(1700000001)));
}

void test_settings_store::update_state_defaults_and_round_trip() {
    const QString path = tmp_.filePath("st.cfg");
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    QCOMPARE(read_ignored_version(path), QString());
    const qint64 remind = read_remind_time(path);
    QVERIFY(remind >= before - 1 && remind < QDateTime::currentSecsSinceEpoch());

    write_ignored_version(path, "1.0.0.9");
    write_remind_time(path, before + 345600);
    QCOMPARE(read_ignored_version(path), QString("1.0.0.9"));
    QCOMPARE(read_remind_time(path), before + 345600);
}

QTEST_GUILESS_MAIN(test_settings_store)
#include "test_settings_store.moc"
