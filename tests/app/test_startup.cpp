// The entry point: registration mode, the single-instance lock.
#include "app/startup.h"
#include "platform/autorun.h"

#include <QProcess>
#include <QtTest>

using namespace quorvel;

class test_startup : public QObject {
    Q_OBJECT
private slots:
    void argument_parsing_data();
    void argument_parsing();
    void registration_mode_data();
    void registration_mode();
    void second_instance_exits_and_a_killed_one_does_not_block();

private:
    static QString autostart_file() {
        return qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/quorvel.desktop";
    }
};

void test_startup::argument_parsing_data() {
    QTest::addColumn<QByteArray>("argument");
    QTest::addColumn<long>("number");
    QTest::newRow("add") << QByteArray("10016") << 10016L;
    QTest::newRow("spaces and sign") << QByteArray(" \t+10016") << 10016L;
    QTest::newRow("digits then text") << QByteArray("10017abc") << 10017L;
    QTest::newRow("negative") << QByteArray("-10016") << -10016L;
    QTest::newRow("text") << QByteArray("abc") << 0L;
    QTest::newRow("empty") << QByteArray("") << 0L;
    QTest::newRow("sign only") << QByteArray("+") << 0L;
}

void test_startup::argument_parsing() {
    QFETCH(QByteArray, argument);
    QFETCH(long, number);
    QCOMPARE(parse_registration_argument(argument.constData()), number);
}

void test_startup::registration_mode_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("after");
    QTest::newRow("10016 adds") << "10016" << false << true;
    QTest::newRow("10017 removes") << "10017" << true << false;
    QTest::newRow("42 changes nothing (on)") << "42" << true << true;
    QTest::newRow("abc changes nothing (off)") << "abc" << false << false;
    QTest::newRow("' +10016' adds") << " +10016" << false << true;
}

void test_startup::registration_mode() {
    QFETCH(QString, argument);
    QFETCH(bool, before);
    QFETCH(bool, after);
    if (before)
        QVERIFY(platform::set_autorun("/opt/other/quorvel"));
    else
        QVERIFY(platform::remove_autorun());
    QProcess program;
    program.start(QUORVEL_PATH, {argument});
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QFile::exists(autostart_file()), after);
    if (after && !before) {
        QFile entry(autostart_file());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        QVERIFY2(text.contains("Exec=\"" QUORVEL_PATH "\""), qPrintable(text));
        QVERIFY(platform::autorun_enabled());
    }
}

void test_startup::second_instance_exits_and_a_killed_one_does_not_block() {
    QProcess first;
    first.start(QUORVEL_PATH, QStringList());
    QVERIFY(first.waitForStarted());
    QVERIFY(!first.waitForFinished(2000)); // it runs, showing its login dialog

    QProcess second;
    second.start(QUORVEL_PATH, QStringList());
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 1);
    QCOMPARE(first.state(), QProcess::Running); // untouched

    first.kill(); // SIGKILL: no chance to clean up
    QVERIFY(first.waitForFinished(10000));

    QProcess third;
    third.start(QUORVEL_PATH, QStringList());
    QVERIFY(third.waitForStarted());
    QVERIFY2(!third.waitForFinished(2000), "a killed instance must not lock the next one out");
    third.kill();
    third.waitForFinished(5000);
}

QTEST_GUILESS_MAIN(test_startup)
#include "test_startup.moc"
