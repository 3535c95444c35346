// Downloads answered with what the real server never sends for a file: error
// envelopes with status 200, web pages, wrong bytes, redirects to other hosts,
// silence; and where the login token may go.
#include "app/event_bus.h"
#include "app/event_names.h"
#include "fixture_http_server.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/base_url.h"
#include "sync/batch_download.h"
#include "sync/batch_upload.h"

#include <QCryptographicHash>
#include <QSignalSpy>
#include <QtTest>

using namespace quorvel;

namespace {

QString sha256_of(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QByteArray read_all(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray good_copy = "the good copy";
const QByteArray new_copy = "\x89PNG the new image";

} // namespace

class test_download_replies : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void what_is_saved_data();
    void what_is_saved();
    void backend_origin_data();
    void backend_origin();
    void token_goes_to_the_backend_only_data();
    void token_goes_to_the_backend_only();
    void upload_elsewhere_carries_no_token();
    void destroyed_mid_transfer_stays_silent_data();
    void destroyed_mid_transfer_stays_silent();

private:
    fixture_http_server backend_;
    fixture_http_server other_;
    QTemporaryDir dir_;
    int relogins_ = 0;
};

void test_download_replies::initTestCase() {
    QVERIFY(backend_.listen());
    QVERIFY(other_.listen());
    qputenv("QUORVEL_BASE_URL", backend_.base_url().toUtf8());
    session_state::instance().set_token("secret-token");
    event_bus::instance()->subscribe(QLatin1String(events::relogin), this,
                                     [this](const QVariantList&) { ++relogins_; });
}

void test_download_replies::init() {
    relogins_ = 0;
}

void test_download_replies::what_is_saved_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("content_type");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("sha256"); // what the hash query said; empty: unknown
    QTest::addColumn<QString>("error");  // empty: the download is saved
    QTest::addColumn<bool>("synced");    // flushed to disk before it replaces the target
    const QString right = sha256_of(new_copy);
    const QByteArray page = "<html><body>Sign in to the hotel network</body></html>";
    const QByteArray envelope = R"({"code":500,"msg":"服务器内部错误","data":null})";
    for (const bool synced : {true, false}) {
        const auto row = [synced](const char* name) -> QTestData& {
            return QTest::addRow("%s%s", name, synced ? "" : ", unsynced");
        };
        row("right bytes, hash known")
            << new_copy << QByteArray("image/png") << 1 << right << "" << synced;
        row("bytes, hash unknown") << new_copy << QByteArray("image/png") << 0 << ""
                                   << "" << synced;
        row("server-error envelope, file store")
            << envelope << QByteArray("application/json") << 1 << right
            << QStringLiteral("服务器内部错误") << synced;
        row("server-error envelope, address") << envelope << QByteArray("application/json") << 0
                                              << "" << QStringLiteral("服务器内部错误") << synced;
        row("web page, hash known") << page << QByteArray("text/html") << 1 << right
                                    << QStringLiteral("文件校验失败") << synced;
        row("web page for an image, hash unknown")
            << page << QByteArray("text/html; charset=utf-8") << 0 << ""
            << QStringLiteral("服务器未返回文件") << synced;
        row("random bytes, hash known")
            << QByteArray("\x13\x37garbage\x00\xff", 11) << QByteArray("application/octet-stream")
            << 1 << right << QStringLiteral("文件校验失败") << synced;
        row("a JSON file that is no envelope")
            << QByteArray(R"({"code":"x"})") << QByteArray("application/json") << 0 << ""
            << "" << synced;
    }
}

void test_download_replies::what_is_saved() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, content_type);
    QFETCH(int, kind);
    QFETCH(QString, sha256);
    QFETCH(QString, error);
    QFETCH(bool, synced);
    backend_.set_script([&](const fixture_http_server::request_t&) {
        fixture_http_server::reply_t reply;
        reply.body = body;
        reply.content_type = content_type;
        return reply;
    });
    const QString path = dir_.filePath("saved/image.png");
    QDir().mkpath(dir_.filePath("saved"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(good_copy);
    file.close();

    auto task = download_task_spt::create(download_task_t{
        kind, kind == 1 ? QStringLiteral("42") : backend_.base_url() + "/public/42", path, sha256});
    batch_download downloads;
    downloads.set_synced(synced);
    QSignalSpy finished(&downloads, &batch_download::task_finished);
    QSignalSpy failed(&downloads, &batch_download::task_failed);
    QSignalSpy all(&downloads, &batch_download::all_tasks_finished);
    downloads.add_tasks({task});
    downloads.start();
    QTRY_COMPARE(all.count(), 1);
    if (error.isEmpty()) {
        QCOMPARE(failed.count(), 0);
        QCOMPARE(read_all(path), body);
    } else {
        QCOMPARE(finished.count(), 0);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.first().at(1).toString(), error);
        QCOMPARE(read_all(path), good_copy);
    }
    QCOMPARE(relogins_, 0); // only an expired login asks for a new one
    QCOMPARE(QDir(dir_.filePath("saved")).entryList(QDir::Files), QStringList{"image.png"});
}

void test_download_replies::backend_origin_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("backend");
    QTest::newRow("same") << "http://backend.example/tavorine/x" << true;
    QTest::newRow("default port written") << "http://backend.example:80/public/1" << true;
    QTest::newRow("host in capitals") << "http://BACKEND.example/public/1" << true;
    QTest::newRow("other port") << "http://backend.example:8080/public/1" << false;
    QTest::newRow("other scheme") << "https://backend.example/public/1" << false;
    QTest::newRow("longer host") << "http://backend.example.evil/public/1" << false;
    QTest::newRow("host in the query") << "http://evil/?backend.example" << false;
    QTest::newRow("no host") << "/tavorine/x" << false;
    QTest::newRow("local file") << "file:///tmp/x" << false;
}

void test_download_replies::backend_origin() {
    QFETCH(QString, address);
    QFETCH(bool, backend);
    const QByteArray saved = qgetenv("QUORVEL_BASE_URL");
    qputenv("QUORVEL_BASE_URL", "http://backend.example/");
    const bool result = is_backend_origin(QUrl(address));
    qputenv("QUORVEL_BASE_URL", saved);
    QCOMPARE(result, backend);
}

void test_download_replies::token_goes_to_the_backend_only_data() {
    QTest::addColumn<QString>("address"); // "" : from the file store by id; "other": the other host
    QTest::addColumn<bool>("backend_token");
    QTest::addColumn<bool>("saved");
    QTest::newRow("file store") << "" << true << true;
    QTest::newRow("backend address") << "/public/7" << true << true;
    QTest::newRow("another host") << "other" << false << true;
    QTest::newRow("redirect within the backend") << "/moved" << true << true;
    QTest::newRow("redirect to another host") << "/away" << true << false;
}

void test_download_replies::token_goes_to_the_backend_only() {
    QFETCH(QString, address);
    QFETCH(bool, backend_token);
    QFETCH(bool, saved);
    const QString other_file = other_.base_url() + "/files/9.png";
    backend_.set_script([&](const fixture_http_server::request_t& request) {
        fixture_http_server::reply_t reply;
        const QString path = request.url.path();
        if (path == "/moved" || path == "/away") {
            reply.status = 302;
            reply.extra_headers =
                "Location: " +
                (path == "/moved" ? backend_.base_url() + "/public/8" : other_file).toUtf8() +
                "\r\n";
        }
        reply.body = new_copy;
        reply.content_type = "image/png";
        return reply;
    });
    other_.reply_with(new_copy);
    const int backend_seen = backend_.requests().size();
    const int other_seen = other_.requests().size();

    const QString path = dir_.filePath("token/" + QString::number(backend_seen) + ".png");
    batch_download downloads;
    QSignalSpy finished(&downloads, &batch_download::task_finished);
    QSignalSpy all(&downloads, &batch_download::all_tasks_finished);
    if (address.isEmpty())
        downloads.add_task(1, "7", path);
    else
        downloads.add_task(0, address == "other" ? other_file : backend_.base_url() + address,
                           path);
    downloads.start();
    QTRY_COMPARE(all.count(), 1);
    QCOMPARE(finished.count(), saved ? 1 : 0);
    QCOMPARE(QFile::exists(path), saved);

    for (const auto& request : backend_.requests().mid(backend_seen))
        QCOMPARE(request.headers.value("authorities"), backend_token ? "secret-token" : "");
    for (const auto& request : other_.requests().mid(other_seen))
        QVERIFY2(!request.headers.contains("authorities"), qPrintable(request.url.toString()));
}

void test_download_replies::upload_elsewhere_carries_no_token() {
    const QByteArray answer = R"({"code":200,"msg":"ok","data":{"id":"5"}})";
    backend_.reply_with(answer);
    other_.reply_with(answer);
    QFile file(dir_.filePath("up.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("report");
    file.close();
    for (fixture_http_server* server : {&backend_, &other_}) {
        const int seen = server->requests().size();
        batch_upload uploads(QUrl(server->base_url() + "/tavorine/nas/publicUploadFileDirect"));
        QSignalSpy all(&uploads, &batch_upload::all_tasks_finished);
        uploads.add_files({file.fileName()});
        uploads.start();
        QTRY_COMPARE(all.count(), 1);
        QCOMPARE(server->requests().size(), seen + 1);
        QCOMPARE(server->requests().last().headers.value("authorities"),
                 server == &backend_ ? "secret-token" : "");
    }
}

void test_download_replies::destroyed_mid_transfer_stays_silent_data() {
    QTest::addColumn<bool>("synced");
    QTest::newRow("synced") << true;
    QTest::newRow("unsynced") << false;
}

void test_download_replies::destroyed_mid_transfer_stays_silent() {
    QFETCH(bool, synced);
    backend_.set_script([](const fixture_http_server::request_t&) {
        fixture_http_server::reply_t reply;
        reply.silent = true;
        return reply;
    });
    const QString folder = dir_.filePath(synced ? "silent" : "silent-unsynced");
    QDir().mkpath(folder);
    QFile file(folder + "/a.png");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(good_copy);
    file.close();
    const int seen = backend_.requests().size();

    auto* downloads = new batch_download;
    downloads->set_synced(synced);
    QSignalSpy finished(downloads, &batch_download::task_finished);
    QSignalSpy failed(downloads, &batch_download::task_failed);
    QSignalSpy all(downloads, &batch_download::all_tasks_finished);
    for (const char* name : {"a.png", "b.png", "c.png"})
        downloads->add_task(1, name, folder + "/" + name);
    downloads->set_max_parallel(2); // one stays queued
    downloads->start();
    QTRY_COMPARE(backend_.requests().size(), seen + 2);
    delete downloads;

    QCOMPARE(finished.count() + failed.count() + all.count(), 0);
    QCOMPARE(read_all(folder + "/a.png"), good_copy);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"a.png"});
}

QTEST_MAIN(test_download_replies)
#include "test_download_replies.moc"
