// The entry point: registration mode, the single-instance lock.
#include "app/single_instance.h"
#include "app/startup.h"
#include "platform/autorun.h"
#include "platform/named_mutex.h"

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
    void second_instance_raises_the_first();
    void a_lock_nobody_answers_for_is_reported();
    void two_starts_at_once_leave_one_running();
    void another_session_runs_its_own_instance();
    void sigterm_quits_cleanly_without_a_dump();
    void the_data_folder_is_the_users_alone();

private:
    // The log file of a client process (one per process, named by its pid).
    static QString log_of(qint64 pid, const QString& data_home = QString()) {
        const QString root =
            data_home.isEmpty() ? qEnvironmentVariable("XDG_DATA_HOME") : data_home;
        const QStringList files =
            QDir(root + "/quorvel/logs").entryList({QString("%1_*.log").arg(pid)}, QDir::Files);
        if (files.isEmpty())
            return {};
        QFile file(root + "/quorvel/logs/" + files.first());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // Starts the client and waits until it listens for later starts.
    static bool start_client(QProcess& client) {
        const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/quorvel-" +
                               single_instance::key + ".socket";
        QFile::remove(socket); // left by a killed client of an earlier case
        client.start(QUORVEL_PATH, QStringList());
        if (!client.waitForStarted())
            return false;
        return QTest::qWaitFor([&] { return QFile::exists(socket); }, 20000) &&
               client.state() == QProcess::Running;
    }

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

void test_startup::second_instance_raises_the_first() {
    QProcess first;
    QVERIFY(start_client(first));

    QProcess second;
    second.start(QUORVEL_PATH, QStringList());
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY2(second.readAllStandardError().contains("already running"),
             "the second start says what happened");
    QCOMPARE(first.state(), QProcess::Running);
    const qint64 pid = first.processId();
    first.terminate(); // a clean end writes the whole log
    QVERIFY(first.waitForFinished(20000));
    const QString log = log_of(pid);
    QVERIFY2(log.contains("a second start asked this instance to show its window"),
             qPrintable(log));
}

void test_startup::a_lock_nobody_answers_for_is_reported() {
    // A holder that never answers (hung, or not a client at all).
    quorvel::platform::named_mutex held(quorvel::single_instance::key);
    QVERIFY(held.valid() && !held.already_existed());

    QProcess second;
    second.start(QUORVEL_PATH, QStringList());
    QVERIFY(second.waitForStarted());
    QByteArray error;
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     error += second.readAllStandardError();
                     return error.contains("没有响应") || second.state() != QProcess::Running;
                 },
                 20000),
             error.constData());
    QVERIFY2(error.contains("没有响应"), error.constData());
    QTRY_VERIFY_WITH_TIMEOUT(log_of(second.processId())
                                 .contains("another instance holds the lock but cannot be reached"),
                             10000);
    second.kill(); // it waits in its message box
    second.waitForFinished(5000);
}

// A double click that starts the program twice: the later one must find the
// first even before it listens, and must not report it as not answering.
void test_startup::two_starts_at_once_leave_one_running() {
    QFile::remove(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/quorvel-" + single_instance::key +
                  ".socket");
    QProcess a, b;
    a.start(QUORVEL_PATH, QStringList());
    b.start(QUORVEL_PATH, QStringList());
    QVERIFY(a.waitForStarted() && b.waitForStarted());
    QVERIFY(QTest::qWaitFor(
        [&] { return a.state() != QProcess::Running || b.state() != QProcess::Running; }, 20000));
    QProcess& ended = a.state() != QProcess::Running ? a : b;
    QProcess& running = a.state() != QProcess::Running ? b : a;
    QCOMPARE(ended.exitCode(), 1);
    const QByteArray error = ended.readAllStandardError();
    QVERIFY2(error.contains("already running"), error.constData());
    QCOMPARE(running.state(), QProcess::Running);
    running.kill();
    running.waitForFinished(5000);
}

void test_startup::another_session_runs_its_own_instance() {
    QProcess first;
    QVERIFY(start_client(first));

    // A second user on the same machine: own home, own runtime folder.
    QTemporaryDir other;
    QVERIFY(QDir(other.path()).mkpath("runtime") && QDir(other.path()).mkpath("home"));
    QFile::setPermissions(other.path() + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", other.path() + "/home");
    env.insert("XDG_DATA_HOME", other.path() + "/data");
    env.insert("XDG_CONFIG_HOME", other.path() + "/config");
    env.insert("XDG_CACHE_HOME", other.path() + "/cache");
    env.insert("XDG_RUNTIME_DIR", other.path() + "/runtime");
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QUORVEL_PATH, QStringList());
    QVERIFY(second.waitForStarted());
    QVERIFY2(!second.waitForFinished(3000), second.readAllStandardError().constData());
    QCOMPARE(first.state(), QProcess::Running);
    for (QProcess* p : {&first, &second}) {
        p->kill();
        p->waitForFinished(5000);
    }
}

void test_startup::sigterm_quits_cleanly_without_a_dump() {
    const QString crash_dir = qEnvironmentVariable("XDG_DATA_HOME") + "/quorvel/crashrpt";
    QDir(crash_dir).removeRecursively();
    QProcess client;
    QVERIFY(start_client(client));
    const qint64 pid = client.processId();

    client.terminate(); // SIGTERM, as at logout
    QVERIFY(client.waitForFinished(20000));
    QCOMPARE(client.exitStatus(), QProcess::NormalExit);
    QCOMPARE(client.exitCode(), 0);
    QVERIFY(QDir(crash_dir).entryList(QDir::Files).isEmpty());
    const QString log = log_of(pid);
    QVERIFY2(log.contains("termination requested, quitting"), qPrintable(log));
    QVERIFY2(log.contains("event loop ended with 0"), qPrintable(log));
}

// The offline library, settings, logs and cache: folders rwx------ and files
// rw-------, those this run makes and those an earlier run left more open.
void test_startup::the_data_folder_is_the_users_alone() {
    const QString root = qEnvironmentVariable("XDG_DATA_HOME") + "/quorvel";
    const QFile::Permissions open_file =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    for (const char* file :
         {"offline/0123abcd.db", "config/settings.cfg", "logs/1_old.log", "cache/public/a.png"}) {
        const QString path = root + "/" + file;
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(QFile::setPermissions(path, open_file));
    }
    QDirIterator dirs(root, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (dirs.hasNext())
        QVERIFY(QFile::setPermissions(dirs.next(), open_file | QFile::ExeOwner | QFile::ExeGroup |
                                                       QFile::ExeOther));

    QProcess client;
    QVERIFY(start_client(client));
    const qint64 pid = client.processId();
    client.terminate();
    QVERIFY(client.waitForFinished(20000));
    QVERIFY2(!log_of(pid).isEmpty(), "this run wrote its log");

    const auto bits = [](const QFileInfo& info) {
        return info.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    };
    QCOMPARE(bits(QFileInfo(root)), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDirIterator all(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                     QDirIterator::Subdirectories);
    int files = 0;
    while (all.hasNext()) {
        const QFileInfo info(all.next());
        const QFile::Permissions expected =
            info.isDir() ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                         : QFile::ReadOwner | QFile::WriteOwner;
        QVERIFY2(bits(info) == expected, qPrintable(info.filePath()));
        files += info.isFile();
    }
    QVERIFY(files > 4); // the four above and at least this run's log
}

QTEST_GUILESS_MAIN(test_startup)
#include "test_startup.moc"
