// Two quorvel-server instances on one PostgreSQL behind nginx: whatever one
// instance does, the other sees at once.
#include "server_fixture.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QtTest>

class test_server_multi_instance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void health_tells_the_database_is_reached();
    void token_from_one_instance_works_on_the_other();
    void upload_through_one_downloads_through_the_other_data();
    void upload_through_one_downloads_through_the_other();
    void change_through_one_is_seen_by_the_next_read_through_the_other();

private:
    QString login_on(int instance, const QString& account);
    int script_count_on(int instance, const QString& tok);

    server_fixture server_;
};

void test_server_multi_instance::initTestCase() {
    QVERIFY2(!qEnvironmentVariable("QUORVEL_TEST_DEPLOYMENT").isEmpty(),
             "run through with_postgres.sh with QUORVEL_TEST_DEPLOYMENT set");
    QVERIFY(server_.start());
}

void test_server_multi_instance::cleanupTestCase() {
    server_.stop();
}

QString test_server_multi_instance::login_on(int instance, const QString& account) {
    if (!server_.route_to(instance))
        return {};
    return server_.login(account, account + "123");
}

int test_server_multi_instance::script_count_on(int instance, const QString& tok) {
    server_.route_to(instance);
    const auto r =
        server_.post("/tavorine/clientKb/querySpeech",
                     {{"speechContent", ""}, {"classifyId", ""}, {"classifyType", "0"}}, tok);
    return r.code() == 200 ? r.data().toArray().size() : -1;
}

void test_server_multi_instance::health_tells_the_database_is_reached() {
    for (int instance : {1, 2, 0}) {
        QVERIFY(server_.route_to(instance));
        int status = 0;
        const QByteArray body = server_.download("/health", {}, &status);
        QCOMPARE(status, 200);
        QCOMPARE(QJsonDocument::fromJson(body).object()["database"].toString(),
                 QStringLiteral("reachable"));
    }
}

void test_server_multi_instance::token_from_one_instance_works_on_the_other() {
    for (const auto& [issuer, user] : {std::pair{1, 2}, std::pair{2, 1}}) {
        const QString tok = login_on(issuer, "agent");
        QVERIFY(!tok.isEmpty());
        QVERIFY(server_.route_to(user));
        QCOMPARE(server_.get("/tavorine/clientPhrase/list", {}, tok).code(), 200);
    }
    // An unknown token is refused by both.
    for (int instance : {1, 2}) {
        QVERIFY(server_.route_to(instance));
        QCOMPARE(server_.get("/tavorine/clientPhrase/list", {}, QString(64, 'a')).code(), 4401);
    }
}

void test_server_multi_instance::upload_through_one_downloads_through_the_other_data() {
    QTest::addColumn<int>("size");
    // The database keeps files in 1 MiB chunks: sizes around the boundaries.
    QTest::newRow("empty") << 0;
    QTest::newRow("one byte") << 1;
    QTest::newRow("one chunk less a byte") << (1 << 20) - 1;
    QTest::newRow("one chunk") << (1 << 20);
    QTest::newRow("one chunk and a byte") << (1 << 20) + 1;
    QTest::newRow("several chunks") << 5 * (1 << 20) / 2;
}

void test_server_multi_instance::upload_through_one_downloads_through_the_other() {
    QFETCH(int, size);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = static_cast<char>(QRandomGenerator::global()->generate());
    const QString tok = login_on(1, "agent");
    const auto up = server_.upload("/tavorine/nas/userUploadFileDirect", "data.bin", bytes, tok);
    QCOMPARE(up.code(), 200);
    const QString id = up.data().toObject()["id"].toString();
    QCOMPARE(
        up.data().toObject()["sha256Hex"].toString(),
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));

    QVERIFY(server_.route_to(2));
    int status = 0;
    const QByteArray down =
        server_.download("/tavorine/nas/downloadFileById?fileId=" + id, tok, &status);
    QCOMPARE(status, 200);
    QCOMPARE(down.size(), bytes.size());
    QVERIFY(down == bytes);
}

void test_server_multi_instance::change_through_one_is_seen_by_the_next_read_through_the_other() {
    const QString manager = login_on(1, "manager");
    const QString agent = login_on(2, "agent");
    // Twice on the second instance, so the reply is in its cache.
    const int before = script_count_on(2, agent);
    QVERIFY(before > 0);
    QCOMPARE(script_count_on(2, agent), before);

    server_.route_to(1);
    const QJsonArray tree =
        server_
            .post("/tavorine/clientKb/getClassifyTree",
                  {{"clientBusinessType", "310"}, {"classifyType", "0"}}, manager)
            .data()
            .toArray();
    QVERIFY(!tree.isEmpty());
    const auto created = server_.post("/tavorine/clientKb/createSpeech",
                                      {{"classifyId", tree[0].toObject()["id"]},
                                       {"speechContentKeywords", "另一实例"},
                                       {"speechContent", "另一实例新增的话术"}},
                                      manager);
    QCOMPARE(created.code(), 200);
    QCOMPARE(script_count_on(2, agent), before + 1);

    // And back: a removal through the second shows on the first's next read.
    script_count_on(1, agent);
    server_.route_to(2);
    QCOMPARE(server_
                 .post("/tavorine/clientKb/editSpeech",
                       {{"id", created.data().toObject()["id"]}, {"operateType", "1"}}, manager)
                 .code(),
             200);
    QCOMPARE(script_count_on(1, agent), before);
}

QTEST_MAIN(test_server_multi_instance)
#include "test_server_multi_instance.moc"
