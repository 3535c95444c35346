#include "platform/data_root.h"

#include <QtTest>

// The per-user data folder follows the XDG base-directory rules.
class test_data_root : public QObject {
    Q_OBJECT
private slots:
    void follows_environment_data();
    void follows_environment();
};

void test_data_root::follows_environment_data() {
    QTest::addColumn<QByteArray>("home");
    QTest::addColumn<QByteArray>("xdg_data_home");
    QTest::addColumn<QString>("expected");
    QTest::newRow("xdg set") << QByteArray("/h/u") << QByteArray("/x/data") << "/x/data";
    QTest::newRow("xdg trailing slash")
        << QByteArray("/h/u") << QByteArray("/x/data/") << "/x/data";
    QTest::newRow("xdg unset") << QByteArray("/h/u") << QByteArray() << "/h/u/.local/share";
    QTest::newRow("xdg relative is ignored")
        << QByteArray("/h/u") << QByteArray("rel/data") << "/h/u/.local/share";
    QTest::newRow("home trailing slash")
        << QByteArray("/h/u/") << QByteArray() << "/h/u/.local/share";
}

void test_data_root::follows_environment() {
    QFETCH(QByteArray, home);
    QFETCH(QByteArray, xdg_data_home);
    QFETCH(QString, expected);
    const QByteArray saved_home = qgetenv("HOME");
    const QByteArray saved_xdg = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", home);
    if (xdg_data_home.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", xdg_data_home);

    const QString root = QString::fromStdString(quorvel::platform::user_data_root());

    qputenv("HOME", saved_home);
    qputenv("XDG_DATA_HOME", saved_xdg);
    QCOMPARE(root, expected);
}

QTEST_APPLESS_MAIN(test_data_root)
#include "test_data_root.moc"
