#include "platform/named_mutex.h"
#include "platform/session_names.h"

#include <QtTest>
#include <unistd.h>

using quorvel::platform::named_mutex;

class test_named_mutex : public QObject {
    Q_OBJECT
private slots:
    // The update's installer mutex: the first holder creates it, a second
    // sees it taken, and closing it frees the name again.
    void held_until_destroyed() {
        const std::string name = "{2CA65185-0D8D-4E7A-928A-865D7A4D8CD4}";
        auto first = std::make_unique<named_mutex>(name);
        QVERIFY(first->valid());
        QVERIFY(!first->already_existed());
        {
            named_mutex second(name);
            QVERIFY(second.valid());
            QVERIFY(second.already_existed());
        }
        named_mutex other("another name");
        QVERIFY(!other.already_existed());
        first.reset();
        named_mutex third(name);
        QVERIFY(!third.already_existed());
    }

    void odd_names_stay_in_the_runtime_folder() {
        named_mutex slashes("../../etc/x");
        QVERIFY(slashes.valid());
        QVERIFY(!slashes.already_existed());
    }

    // Users sharing a machine never share a lock: it lives in the session's
    // runtime folder, or without one in a private folder of the user's data
    // folder; never in the shared /tmp, where another user could take the name.
    void lock_lives_in_a_folder_of_the_user_data() {
        QTest::addColumn<bool>("runtime_set");
        QTest::newRow("XDG_RUNTIME_DIR") << true;
        QTest::newRow("no XDG_RUNTIME_DIR") << false;
    }
    void lock_lives_in_a_folder_of_the_user() {
        QFETCH(bool, runtime_set);
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        if (!runtime_set)
            qunsetenv("XDG_RUNTIME_DIR");
        const QString name = "lock-place-check";
        const QString file = QString("quorvel-%1-%2.lock").arg(getuid()).arg(name);
        const QString dir = QString::fromStdString(quorvel::platform::session_runtime_dir());
        {
            named_mutex lock(name.toStdString());
            QVERIFY(lock.valid());
            QVERIFY2(QFile::exists(dir + "/" + file), qPrintable(dir));
            QVERIFY(!QFile::exists("/tmp/" + file));
        }
        if (runtime_set) {
            QCOMPARE(dir, QString::fromLocal8Bit(runtime));
        } else {
            const QString uid_run = QString("/run/user/%1").arg(getuid());
            QVERIFY2(dir == uid_run ||
                         dir == qEnvironmentVariable("XDG_DATA_HOME") + "/quorvel-runtime",
                     qPrintable(dir));
            QCOMPARE(QFileInfo(dir).permissions() & (QFile::ReadOther | QFile::ReadGroup),
                     QFile::Permissions());
        }
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
};

QTEST_GUILESS_MAIN(test_named_mutex)
#include "test_named_mutex.moc"
