// The server keeps the users behind recent tokens; nothing it keeps may let a
// token through once the store says it is no longer valid.
#include "protocol/protocol.h"
#include "server_fixture.h"

#include <QJsonArray>
#include <QtTest>

using namespace quorvel::protocol;

namespace {

// Long enough for the reads before it on a loaded machine.
constexpr int token_ttl_seconds = 10;

} // namespace

class test_server_sessions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void invalid_token_is_refused_on_the_very_next_request_data();
    void invalid_token_is_refused_on_the_very_next_request();
    void changed_rights_show_on_the_very_next_request();
    void a_login_leaves_the_caches_valid();

private:
    // Reads the cache keeps an answer for, and a small one it may not.
    static server_fixture::reply_t read(server_fixture& server, const QString& which,
                                        const QString& token);

    server_fixture server_;
    server_fixture expiring_; // tokens last token_ttl_seconds
    int users_ = 0;
};

void test_server_sessions::initTestCase() {
    QVERIFY(server_.start());
    QVERIFY(expiring_.start({"--demo", "--token-ttl-seconds", QString::number(token_ttl_seconds)}));
}

server_fixture::reply_t test_server_sessions::read(server_fixture& server, const QString& which,
                                                   const QString& token) {
    if (which == "phrases")
        return server.get("/tavorine/clientPhrase/list", {}, token);
    if (which == "categories")
        return server.post("/tavorine/clientKb/getClassifyTree",
                           {{"clientBusinessType", business::scripts}, {"classifyType", part_pub}},
                           token);
    return server.post("/tavorine/clientKb/querySpeech", {{"classifyType", part_pub}}, token);
}

void test_server_sessions::invalid_token_is_refused_on_the_very_next_request_data() {
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("first_read");
    for (const char* read : {"phrases", "categories", "scripts"}) {
        QTest::addRow("password changed, then %s", read) << "password" << read;
        QTest::addRow("token expired, then %s", read) << "expiry" << read;
    }
}

// The token is used until its user is surely cached, then made invalid behind
// the server's back (the admin command is another process on the store, as
// another server instance would be); the very next request is refused.
void test_server_sessions::invalid_token_is_refused_on_the_very_next_request() {
    QFETCH(QString, cause);
    QFETCH(QString, first_read);
    server_fixture& server = cause == "expiry" ? expiring_ : server_;
    const QString account = QString("session%1").arg(++users_);
    QCOMPARE(server.admin({"user", "add", account, "会话", "old-secret"}), 0);
    const QString token = server.login(account, "old-secret");
    QVERIFY(!token.isEmpty());
    for (const char* which : {"phrases", "categories", "scripts"})
        for (int i = 0; i < 2; ++i)
            QCOMPARE(read(server, which, token).code(), codes::ok);

    if (cause == "password") {
        QCOMPARE(server.admin({"user", "passwd", account, "new-secret"}), 0);
    } else {
        // Expiry counts in whole seconds; nothing else is written meanwhile.
        QTest::qWait((token_ttl_seconds + 1) * 1000);
    }
    QCOMPARE(read(server, first_read, token).code(), codes::token_invalid);
    for (const char* which : {"phrases", "categories", "scripts"})
        QCOMPARE(read(server, which, token).code(), codes::token_invalid);
    int status = 0;
    const QByteArray file =
        server.download("/tavorine/nas/downloadFileById?fileId=1", token, &status);
    QCOMPARE(QJsonDocument::fromJson(file).object().value("code").toInt(), codes::token_invalid);
}

// Rights granted by another process hold for the very next request of a
// token whose user was read before the grant.
void test_server_sessions::changed_rights_show_on_the_very_next_request() {
    const QString account = QString("session%1").arg(++users_);
    QCOMPARE(server_.admin({"user", "add", account, "会话", "secret"}), 0);
    const QString token = server_.login(account, "secret");
    const QString aftersale = "4";
    auto dept_tree = [&] {
        return server_
            .post("/tavorine/clientKb/getClassifyTree",
                  {{"clientBusinessType", business::scripts},
                   {"classifyType", part_dept},
                   {"deptId", aftersale}},
                  token)
            .code();
    };
    QVERIFY(dept_tree() != codes::ok);
    QVERIFY(dept_tree() != codes::ok);
    QCOMPARE(server_.admin({"user", "grant", account, aftersale, "kf"}), 0);
    QCOMPARE(dept_tree(), codes::ok);
}

// Every client logs in at start-up; were that a change, each start would empty
// the reply cache the other clients are being served from.
void test_server_sessions::a_login_leaves_the_caches_valid() {
    const QString account = QStringLiteral("session%1").arg(++users_);
    QCOMPARE(server_.admin({"user", "add", account, "会话", "secret"}), 0);
    const QString earlier = server_.login(account, "secret");
    QVERIFY(!earlier.isEmpty());
    QCOMPARE(read(server_, "scripts", earlier).code(), codes::ok);
    const qint64 before = server_.store_generation();
    QVERIFY(before >= 0);
    const QString later = server_.login(account, "secret");
    QVERIFY(!later.isEmpty());
    QCOMPARE(server_.store_generation(), before);
    QCOMPARE(read(server_, "phrases", later).code(), codes::ok);
    // Ending the tokens is a change again: both are refused at once.
    QCOMPARE(server_.admin({"user", "passwd", account, "new-secret"}), 0);
    QVERIFY(server_.store_generation() > before);
    QCOMPARE(read(server_, "phrases", earlier).code(), codes::token_invalid);
    QCOMPARE(read(server_, "scripts", later).code(), codes::token_invalid);
}

QTEST_MAIN(test_server_sessions)
#include "test_server_sessions.moc"
