#include "app/app_paths.h"
#include "platform/installer.h"

#include <QCryptographicHash>
#include <QtTest>

using quorvel::app_paths;

namespace {
// Holds a NUL byte, so a hash over a C string would miss the tail.
const QByteArray installer_content("installer bytes\0\1more", 21);
} // namespace

class test_app_paths : public QObject {
    Q_OBJECT
private slots:
    void instance_lives_in_the_user_data_folder();
    void getters_create_only_their_own_folders();
    void installer_matches_data();
    void installer_matches();
};

void test_app_paths::instance_lives_in_the_user_data_folder() {
    const QString expected = qEnvironmentVariable("XDG_DATA_HOME") + "/quorvel/";
    QCOMPARE(app_paths::instance().root(), expected);
    QVERIFY(QFileInfo(expected).isDir());
}

void test_app_paths::getters_create_only_their_own_folders() {
    QTemporaryDir tmp;
    const QString root = tmp.path() + "/nested/root";
    app_paths paths(root);
    QCOMPARE(paths.root(), root + "/");
    QVERIFY(QFileInfo(root).isDir());

    QCOMPARE(paths.cache_dir(), root + "/cache/");
    QCOMPARE(paths.update_dir(), root + "/update/");
    QCOMPARE(paths.settings_file(), root + "/config/settings.cfg");
    QCOMPARE(paths.crash_dir(), root + "/crashrpt/");
    QCOMPARE(paths.log_dir(), root + "/logs/");
    QCOMPARE(paths.update_state_file(), root + "/update/st.cfg");
    QCOMPARE(paths.search_history_file(), root + "/kb/search.cfg");
    // Windows keeps ".exe"; elsewhere the system's installer extension.
    const QString suffix = QString::fromStdString(quorvel::platform::installer_suffix());
    QVERIFY(suffix == ".exe" || suffix == ".sh");
    QCOMPARE(paths.installer_path("1.2.3.4"), root + "/update/quorvel_1.2.3.4_installer" + suffix);
    QCOMPARE(paths.fallback_installer_path("1.2.3.4"), root + "/update/1.2.3.4" + suffix);

    for (const char* created : {"cache", "update", "config"})
        QVERIFY2(QFileInfo(root + "/" + created).isDir(), created);
    // The dump writer, the logger and the settings library create these.
    for (const char* left : {"crashrpt", "logs", "kb"})
        QVERIFY2(!QFileInfo::exists(root + "/" + left), left);
    QVERIFY(!QFileInfo::exists(paths.settings_file()));
}

void test_app_paths::installer_matches_data() {
    const QString right = QString::fromLatin1(
        QCryptographicHash::hash(installer_content, QCryptographicHash::Sha256).toHex());
    QTest::addColumn<bool>("write_file");
    QTest::addColumn<QString>("hash");
    QTest::addColumn<bool>("expected");
    QTest::newRow("missing file") << false << right << false;
    QTest::newRow("wrong hash") << true << QString(64, QLatin1Char('0')) << false;
    QTest::newRow("upper-case hash") << true << right.toUpper() << false;
    QTest::newRow("empty hash") << true << QString() << false;
    QTest::newRow("right hash") << true << right << true;
}

void test_app_paths::installer_matches() {
    QFETCH(bool, write_file);
    QFETCH(QString, hash);
    QFETCH(bool, expected);
    QTemporaryDir tmp;
    app_paths paths(tmp.path());
    if (write_file) {
        QFile file(paths.installer_path("2.0.0.1"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(installer_content);
    }
    QCOMPARE(paths.installer_matches("2.0.0.1", hash), expected);
    QVERIFY(!paths.installer_matches("2.0.0.2", hash)); // another version's file
}

QTEST_GUILESS_MAIN(test_app_paths)
#include "test_app_paths.moc"
