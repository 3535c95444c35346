// Crash dumps and earlier logs go to the private report area and are deleted.
#include "app/app_paths.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "server_fixture.h"
#include "sync/batch_upload.h"
#include "sync/report_upload.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QtTest>

using namespace quorvel;

class test_report_upload : public QObject {
    Q_OBJECT
private slots:
    void uploads_earlier_reports_and_deletes_them();
    void nothing_to_send();

private:
    static QString write(const QString& path, const QByteArray& content) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
        return path;
    }
};

void test_report_upload::uploads_earlier_reports_and_deletes_them() {
    server_fixture server;
    QVERIFY(server.start());
    qputenv("QUORVEL_BASE_URL", server.base_url().toUtf8());
    session_state::instance().set_token(server.login("agent", "agent123"));

    const app_paths& paths = app_paths::instance();
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString dump = write(paths.crash_dir() + "20261210_060000_x.dmp", "dump bytes");
    const QString empty_dump = write(paths.crash_dir() + "20261210_060001_y.dmp", "");
    const QString old_log = write(paths.log_dir() + "1_1.log", "an earlier run");
    const QString empty_log = write(paths.log_dir() + "2_2.log", "");
    const QString current = write(paths.log_dir() + pid + "_" + pid + ".log", "this run");
    const QString same_prefix = write(paths.log_dir() + pid + "3_7.log", "shares the prefix");
    const QString other = write(paths.log_dir() + "notes.txt", "not a log");

    QObject owner;
    batch_upload* uploader = upload_reports(&owner);
    QVERIFY(uploader);
    QPointer<batch_upload> alive(uploader);
    QSignalSpy done(uploader, &batch_upload::all_tasks_finished);
    QSignalSpy sent(uploader, &batch_upload::task_finished);
    QTRY_COMPARE(done.count(), 1);
    QTRY_VERIFY(!alive); // deletes itself when done

    QVERIFY(!QFile::exists(dump));
    QVERIFY(!QFile::exists(old_log));
    QVERIFY(!QFile::exists(empty_dump));
    QVERIFY(!QFile::exists(empty_log));
    QVERIFY(QFile::exists(current));
    QVERIFY(QFile::exists(same_prefix)); // the prefix rule skips it too
    QVERIFY(QFile::exists(other));
    QCOMPARE(QDir(server.data_dir() + "/files").entryList({"*.bin"}, QDir::Files).size() >= 2,
             true);

    // Only administrators read reports back; not even their sender does.
    QCOMPARE(sent.count(), 2);
    for (const QList<QVariant>& report : sent) {
        const QString path = "/tavorine/nas/downloadFileById?fileId=" + report.at(1).toString();
        int status = 0;
        for (const char* account : {"agent", "manager"}) {
            server.download(path, server.login(account, QString(account) + "123"), &status);
            QCOMPARE(status, 404);
        }
        const QByteArray bytes = server.download(path, server.login("admin", "admin123"), &status);
        QCOMPARE(status, 200);
        QVERIFY(bytes == "dump bytes" || bytes == "an earlier run");
    }
}

void test_report_upload::nothing_to_send() {
    QDir(app_paths::instance().crash_dir()).removeRecursively();
    QObject owner;
    const QString pid = QString::number(QCoreApplication::applicationPid());
    for (const QFileInfo& f :
         QDir(app_paths::instance().log_dir()).entryInfoList({"*.log"}, QDir::Files))
        if (!f.fileName().startsWith(pid))
            QFile::remove(f.absoluteFilePath());
    QVERIFY(!upload_reports(&owner));
}

QTEST_MAIN(test_report_upload)
#include "test_report_upload.moc"
