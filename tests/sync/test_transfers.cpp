// Batch downloads and uploads against quorvel-server.
#include "app/event_bus.h"
#include "app/event_names.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/blocking_requests.h"
#include "server_fixture.h"
#include "sync/batch_download.h"
#include "sync/batch_upload.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QtTest>

using namespace quorvel;

class test_transfers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void duplicate_local_paths_give_one_transfer();
    void one_failure_among_three_and_reuse();
    void failed_download_keeps_the_previous_file();
    void expired_login_envelope_keeps_the_good_copy_data();
    void expired_login_envelope_keeps_the_good_copy();
    void uploaded_file_is_closed_when_reported();
    void upload_of_a_vanished_file_still_completes();
    void refused_upload_reports_the_servers_msg();

private:
    QString file_id(int index) const { return file_ids_.value(index); }
    QString write_file(const QString& name, const QByteArray& content);

    server_fixture server_;
    QTemporaryDir dir_;
    QStringList file_ids_;
};

void test_transfers::initTestCase() {
    QVERIFY(server_.start());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    data_center::instance().clear();
    session_state::instance().set_token(server_.login("agent", "agent123"));
    const QJsonArray stickers =
        server_.post("/tavorine/clientKb/queryEmoji", {}, session_state::instance().token())
            .data()
            .toArray();
    for (const QJsonValue& s : stickers)
        file_ids_ << s.toObject().value("fileId").toString();
    QVERIFY(file_ids_.size() >= 3);
}

QString test_transfers::write_file(const QString& name, const QByteArray& content) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

void test_transfers::duplicate_local_paths_give_one_transfer() {
    batch_download downloads;
    QSignalSpy finished(&downloads, &batch_download::task_finished);
    QSignalSpy all(&downloads, &batch_download::all_tasks_finished);
    const QString path = dir_.filePath("dup/one.png");
    downloads.add_tasks({download_task_spt::create(download_task_t{1, file_id(0), path}),
                         download_task_spt::create(download_task_t{1, file_id(1), path})});
    downloads.start();
    QTRY_COMPARE(all.count(), 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toString(), file_id(1)); // the last task of a path wins
    QVERIFY(QFileInfo(path).size() > 0);
    QCOMPARE(QDir(dir_.filePath("dup")).entryList(QDir::Files),
             QStringList{"one.png"}); // no leftovers
}

void test_transfers::one_failure_among_three_and_reuse() {
    batch_download downloads;
    downloads.set_max_parallel(2);
    QSignalSpy finished(&downloads, &batch_download::task_finished);
    QSignalSpy failed(&downloads, &batch_download::task_failed);
    QSignalSpy all(&downloads, &batch_download::all_tasks_finished);
    QSignalSpy progress(&downloads, &batch_download::task_progress);
    downloads.add_task(1, file_id(0), dir_.filePath("three/a.png"));
    downloads.add_task(1, "999999", dir_.filePath("three/missing.png"));
    downloads.add_task(0, server_.base_url() + "/public/" + file_id(2),
                       dir_.filePath("three/by-address.png"));
    downloads.start();
    QTRY_COMPARE(all.count(), 1);
    QCOMPARE(finished.count(), 2);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().toString(), QString("999999"));
    QVERIFY(!QFile::exists(dir_.filePath("three/missing.png")));
    QVERIFY(progress.count() >= 2);

    // Used again after completion: a fresh count and a second report.
    downloads.add_task(1, file_id(1), dir_.filePath("three/again.png"));
    downloads.start();
    QTRY_COMPARE(all.count(), 2);
    QCOMPARE(finished.count(), 3);

    // A local file that cannot be created fails at once and still completes the batch.
    downloads.add_task(1, file_id(1), QString());
    downloads.start();
    QTRY_COMPARE(all.count(), 3);
    QCOMPARE(failed.last().at(1).toString(), QStringLiteral("无法创建本地文件"));
}

void test_transfers::failed_download_keeps_the_previous_file() {
    const QString path = write_file("kept.png", "the good copy");
    batch_download downloads;
    QSignalSpy failed(&downloads, &batch_download::task_failed);
    QSignalSpy all(&downloads, &batch_download::all_tasks_finished);
    downloads.add_task(1, "888888", path);
    downloads.start();
    QTRY_COMPARE(all.count(), 1);
    QCOMPARE(failed.count(), 1);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("the good copy"));
}

void test_transfers::expired_login_envelope_keeps_the_good_copy_data() {
    QTest::addColumn<bool>("hash_known");
    QTest::newRow("hash known") << true;
    QTest::newRow("hash unknown") << false;
}

// The server answers a download with an expired token by HTTP 200 and a 4401 envelope.
void test_transfers::expired_login_envelope_keeps_the_good_copy() {
    QFETCH(bool, hash_known);
    http_client client;
    QString sha256, message;
    QVERIFY(query_file_sha256(client, file_id(0), &sha256, &message));
    const QString path = write_file("expired.png", "the good copy");
    int relogins = 0;
    QObject context;
    event_bus::instance()->subscribe(QLatin1String(events::relogin), &context,
                                     [&relogins](const QVariantList&) { ++relogins; });

    const QString token = session_state::instance().token();
    session_state::instance().set_token("expired");
    batch_download downloads;
    QSignalSpy failed(&downloads, &batch_download::task_failed);
    QSignalSpy all(&downloads, &batch_download::all_tasks_finished);
    downloads.add_tasks({download_task_spt::create(
        download_task_t{1, file_id(0), path, hash_known ? sha256 : QString()})});
    downloads.start();
    QTRY_COMPARE(all.count(), 1);
    session_state::instance().set_token(token);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().at(1).toString(), QStringLiteral("登录已失效，请重新登录"));
    QCOMPARE(relogins, 1);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("the good copy"));
}

void test_transfers::uploaded_file_is_closed_when_reported() {
    // What this process holds open, seen through the process's descriptor table.
    const QDir descriptors("/proc/self/fd");
    if (!descriptors.exists())
        QSKIP("no descriptor table to look at on this system");
    auto open_here = [&descriptors](const QString& path) {
        const QString target = QFileInfo(path).canonicalFilePath();
        for (const QFileInfo& fd :
             descriptors.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
            if (fd.symLinkTarget() == target)
                return true;
        return false;
    };
    const QString path = write_file("closed.log", QByteArray(1 << 20, 'r'));
    batch_upload uploads(QUrl(server_.base_url() + "/tavorine/nas/publicUploadFileDirect"));
    QList<bool> open_when_reported;
    connect(&uploads, &batch_upload::task_finished, this,
            [&](const QString& file) { open_when_reported << open_here(file); });
    QList<bool> open_in_progress;
    connect(&uploads, &batch_upload::progress_changed, this,
            [&](const QString& file) { open_in_progress << open_here(file); });
    QSignalSpy all(&uploads, &batch_upload::all_tasks_finished);
    uploads.add_files({path});
    uploads.start();
    QTRY_COMPARE(all.count(), 1);
    QVERIFY(open_in_progress.contains(true)); // the table shows the file while it is sent
    QCOMPARE(open_when_reported, QList<bool>{false});
}

void test_transfers::upload_of_a_vanished_file_still_completes() {
    batch_upload uploads(QUrl(server_.base_url() + "/tavorine/nas/userUploadFileDirect"));
    QSignalSpy finished(&uploads, &batch_upload::task_finished);
    QSignalSpy failed(&uploads, &batch_upload::task_failed);
    QSignalSpy all(&uploads, &batch_upload::all_tasks_finished);
    const QString kept = write_file(QStringLiteral("留下.txt"), "stays");
    const QString gone = write_file("gone.txt", "goes");
    uploads.add_files({kept, gone});
    QFile::remove(gone);
    uploads.start();
    QTRY_COMPARE(all.count(), 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toString(), kept);
    QVERIFY(!finished.first().at(1).toString().isEmpty()); // the file-store id
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().at(1).toString(), QStringLiteral("无法访问本地文件"));
}

void test_transfers::refused_upload_reports_the_servers_msg() {
    const QString token = session_state::instance().token();
    session_state::instance().set_token("expired");
    batch_upload uploads(QUrl(server_.base_url() + "/tavorine/nas/userUploadFileDirect"));
    QSignalSpy failed(&uploads, &batch_upload::task_failed);
    QSignalSpy all(&uploads, &batch_upload::all_tasks_finished);
    uploads.add_files({write_file("refused.txt", "x")});
    uploads.start();
    QTRY_COMPARE(all.count(), 1);
    session_state::instance().set_token(token);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().at(1).toString(), QStringLiteral("登录已失效，请重新登录"));
}

QTEST_MAIN(test_transfers)
#include "test_transfers.moc"
