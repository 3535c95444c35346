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
    void installer_paths_stay_in_the_update_folder_data();
    void installer_paths_stay_in_the_update_folder();
    void make_private_tightens_what_earlier_runs_left();
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

void test_app_paths::installer_paths_stay_in_the_update_folder_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("named");
    QTest::newRow("dotted numbers") << "99.0.1" << true;
    QTest::newRow("climbs out") << "99.0/../../x" << false;
    QTest::newRow("climbs out far") << "99.0/../../../../../../tmp/x" << false;
    QTest::newRow("parent only") << ".." << false;
    QTest::newRow("absolute") << "/tmp/x" << false;
    QTest::newRow("backslashes") << "99.0\\..\\..\\x" << false;
    QTest::newRow("sub folder") << "99/0" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "99.0-rc1" << false;
}

void test_app_paths::installer_paths_stay_in_the_update_folder() {
    QFETCH(QString, version);
    QFETCH(bool, named);
    QTemporaryDir tmp;
    app_paths paths(tmp.path() + "/root");
    for (const QString& path :
         {paths.installer_path(version), paths.fallback_installer_path(version)}) {
        QCOMPARE(!path.isEmpty(), named);
        if (named)
            QCOMPARE(QFileInfo(path).absolutePath() + "/", paths.update_dir());
    }
    QVERIFY(!paths.installer_matches(version, QString(64, QLatin1Char('0'))));
}

// Folders rwx------, files rw------- (an owner's execute bit kept); a link
// out of the tree leaves its target alone.
void test_app_paths::make_private_tightens_what_earlier_runs_left() {
    QTemporaryDir tmp;
    const QString root = tmp.path() + "/quorvel";
    const QFile::Permissions open_dir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                        QFile::ExeOther;
    const QFile::Permissions open_file =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    const QStringList files = {"offline/0123abcd.db",
                               "config/settings.cfg",
                               "logs/1_x.log",
                               "cache/public/a.png",
                               ".hidden",
                               "update/quorvel_2.0_installer.sh"};
    for (const QString& file : files) {
        QVERIFY(QDir().mkpath(QFileInfo(root + "/" + file).absolutePath()));
        QFile f(root + "/" + file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(QFile::setPermissions(f.fileName(), open_file));
    }
    const QString installer = root + "/update/quorvel_2.0_installer.sh";
    QVERIFY(QFile::setPermissions(installer, open_file | QFile::ExeOwner | QFile::ExeOther));
    const QString outside = tmp.path() + "/outside.txt";
    QFile(outside).open(QIODevice::WriteOnly);
    QVERIFY(QFile::setPermissions(outside, open_file));
    QVERIFY(QFile::link(outside, root + "/cache/link.txt"));
    QStringList dirs = {"", "/offline", "/config", "/logs", "/cache", "/cache/public", "/update"};
    for (const QString& dir : dirs)
        QVERIFY(QFile::setPermissions(root + dir, open_dir));

    QVERIFY(app_paths(root).make_private());

    const auto bits = [](const QString& path) {
        return QFileInfo(path).permissions() &
               ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    };
    for (const QString& dir : dirs)
        QCOMPARE(bits(root + dir), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const QString& file : files)
        QCOMPARE(bits(root + "/" + file),
                 file.endsWith(".sh") ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                      : QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(bits(outside), open_file);
}

QTEST_GUILESS_MAIN(test_app_paths)
#include "test_app_paths.moc"
