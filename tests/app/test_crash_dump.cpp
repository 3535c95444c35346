#include "app/app_paths.h"
#include "platform/crash_dump.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class test_crash_dump : public QObject {
    Q_OBJECT
private slots:
    void nothing_written_before_install();
    void crash_writes_one_dump_and_ends_by_the_signal_data();
    void crash_writes_one_dump_and_ends_by_the_signal();
    void manual_dump_after_install();
    void sigterm_is_no_crash();

private:
    // Runs the child through a shell, which reports death by signal N as 128+N.
    static int run_child(const QStringList& args);
    static QStringList dumps();
    static void clear_dumps();
};

int test_crash_dump::run_child(const QStringList& args) {
    QProcess shell;
    shell.start("/bin/sh",
                QStringList{"-c", R"("$0" "$@" 2>/dev/null; echo "status=$?")", CRASH_CHILD_PATH} +
                    args);
    if (!shell.waitForFinished(30000))
        return -1;
    const auto match = QRegularExpression(R"(status=(\d+))")
                           .match(QString::fromUtf8(shell.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QStringList test_crash_dump::dumps() {
    return QDir(quorvel::app_paths::instance().crash_dir()).entryList({"*"}, QDir::Files);
}

void test_crash_dump::clear_dumps() {
    QDir(quorvel::app_paths::instance().crash_dir()).removeRecursively();
}

void test_crash_dump::nothing_written_before_install() {
    QVERIFY(!quorvel::platform::write_crash_dump(nullptr));
}

void test_crash_dump::crash_writes_one_dump_and_ends_by_the_signal_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("name");
    QTest::newRow("null dereference") << QStringList{"segv", "0"} << 11 << "SIGSEGV";
    QTest::newRow("abort") << QStringList{"abort"} << 6 << "SIGABRT";
    QTest::newRow("division by zero") << QStringList{"fpe", "0"} << 8 << "SIGFPE";
}

void test_crash_dump::crash_writes_one_dump_and_ends_by_the_signal() {
    QFETCH(QStringList, args);
    QFETCH(int, signal);
    QFETCH(QString, name);
    clear_dumps();

    QCOMPARE(run_child(args), 128 + signal);

    const QStringList files = dumps();
    QCOMPARE(files.size(), 1);
    const QRegularExpression dump_name(
        R"(^\d{8}_\d{6}_[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}\.dmp$)");
    QVERIFY2(dump_name.match(files[0]).hasMatch(), qPrintable(files[0]));
    const QDateTime stamp = QDateTime::fromString(files[0].left(15), "yyyyMMdd_hhmmss");
    QVERIFY(qAbs(stamp.secsTo(QDateTime::currentDateTime())) < 120);

    QFile file(quorvel::app_paths::instance().crash_dir() + files[0]);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString report = QString::fromUtf8(file.readAll());
    QVERIFY2(report.contains(QString("signal: %1 (%2)\n").arg(signal).arg(name)),
             qPrintable(report));
    QVERIFY(report.contains("backtrace of the crashing thread:\n"));
    QVERIFY(report.contains("crash_child")); // the executable and its frames
    QVERIFY(report.contains("memory map:\n"));
    if (name == "SIGSEGV")
        QVERIFY2(report.contains("address: 0x0000000000000000\n"), qPrintable(report));
}

void test_crash_dump::manual_dump_after_install() {
    clear_dumps();
    QCOMPARE(run_child({"manual"}), 0);
    const QStringList files = dumps();
    QCOMPARE(files.size(), 1);
    QFile file(quorvel::app_paths::instance().crash_dir() + files[0]);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("signal: 0 (none)\n"));
}

// A logout or kill ends the process by SIGTERM; that is no crash to report.
void test_crash_dump::sigterm_is_no_crash() {
    clear_dumps();
    QCOMPARE(run_child({"term"}), 128 + 15);
    QVERIFY2(dumps().isEmpty(), qPrintable(dumps().join(", ")));
}

QTEST_GUILESS_MAIN(test_crash_dump)
#include "test_crash_dump.moc"
