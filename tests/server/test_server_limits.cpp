// What quorvel-server refuses at the HTTP level: a second server on its port,
// bodies without a usable length, ranges past a file's end, connections beyond
// what one client or the whole pool may hold, and repeated failed logins.
#include "raw_http.h"
#include "server_fixture.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <vector>

namespace {

const QByteArray login_path = "/tavorine/loginAccount/logInCrm";

QJsonObject envelope(const raw_http::reply_t& r) {
    return QJsonDocument::fromJson(r.body).object();
}

// Connections that sent part of a request line and wait, holding a worker each.
struct held_connections_t {
    std::vector<std::unique_ptr<QTcpSocket>> sockets;

    bool open(quint16 port, int count, const QHostAddress& from = QHostAddress::LocalHost) {
        for (int i = 0; i < count; ++i) {
            auto s = std::make_unique<QTcpSocket>();
            if (from != QHostAddress::LocalHost)
                s->bind(from);
            s->connectToHost(QHostAddress::LocalHost, port);
            if (!s->waitForConnected(10000))
                return false;
            s->write("GET /tavorine/clientPhrase/list HTTP/1.1\r\nHo");
            s->flush();
            sockets.push_back(std::move(s));
        }
        return true;
    }

    // The server admits a connection when a worker takes it up, so two
    // connections opened back to back may be admitted in either order. A held
    // connection that hears nothing for a while has been admitted; one that
    // was refused hears its 503 at once.
    bool all_admitted(int quiet_ms = 750) {
        for (auto& s : sockets)
            if (s->bytesAvailable() > 0 || s->waitForReadyRead(quiet_ms / int(sockets.size()) + 1))
                return false;
        return true;
    }
};

} // namespace

class test_server_limits : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void second_server_on_the_same_port_refuses_to_start();
    void bodies_without_a_usable_length_are_answered_at_once_data();
    void bodies_without_a_usable_length_are_answered_at_once();
    void ranges_are_cut_to_the_file_data();
    void ranges_are_cut_to_the_file();
    void one_address_holds_a_bounded_number_of_connections();
    void connections_beyond_a_busy_pool_are_refused_at_once();
    void repeated_failed_logins_are_slowed_per_account();
    void repeated_failed_logins_are_slowed_per_address();
    void behind_a_proxy_the_address_comes_from_its_header();

private:
    server_fixture server_;
    QString token_;
};

void test_server_limits::initTestCase() {
    QVERIFY(server_.start());
    token_ = server_.login("agent", "agent123");
    QVERIFY(!token_.isEmpty());
}

void test_server_limits::cleanupTestCase() {
    server_.stop();
}

void test_server_limits::second_server_on_the_same_port_refuses_to_start() {
    QTemporaryDir dir;
    QProcess second;
    second.start(
        QStringLiteral(QUORVEL_SERVER_PATH),
        {"--listen", QStringLiteral("127.0.0.1:%1").arg(server_.port()), "--data-dir", dir.path()});
    const bool ended = second.waitForFinished(30000);
    if (!ended) {
        second.kill();
        second.waitForFinished(5000);
    }
    QVERIFY2(ended, "the second server kept running on a port in use");
    QVERIFY(second.exitCode() != 0);
    QVERIFY2(second.readAllStandardError().contains("cannot listen on 127.0.0.1:"),
             "the refusal says why");
    QCOMPARE(server_.get("/tavorine/clientPhrase/list", {}, token_).code(), 200);
}

void test_server_limits::bodies_without_a_usable_length_are_answered_at_once_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("code");
    const QByteArray phrase = "POST /tavorine/clientPhrase/add HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                              "Content-Type: application/json\r\n";
    const QByteArray upload = "POST /tavorine/nas/userUploadFileDirect HTTP/1.1\r\nHost: "
                              "127.0.0.1\r\nContent-Type: multipart/form-data; boundary=b\r\n";
    QTest::newRow("no length") << phrase << 411 << 400;
    QTest::newRow("chunked") << phrase + "Transfer-Encoding: chunked\r\n" << 411 << 400;
    QTest::newRow("negative") << phrase + "Content-Length: -1\r\n" << 400 << 400;
    QTest::newRow("not a number") << phrase + "Content-Length: 12abc\r\n" << 400 << 400;
    QTest::newRow("huge") << phrase + "Content-Length: 99999999999999999999999\r\n" << 400 << 400;
    QTest::newRow("JSON over its limit") << phrase + "Content-Length: 9000000\r\n" << 413 << 413;
    QTest::newRow("upload over the limit")
        << upload + "Content-Length: " + QByteArray::number(300LL << 20) + "\r\n"
        << 413 << 413;
    QTest::newRow("upload without length") << upload << 411 << 400;
    QTest::newRow("upload over the limit, asking first")
        << upload + "Expect: 100-continue\r\nContent-Length: " + QByteArray::number(300LL << 20) +
               "\r\n"
        << 413 << 413;
}

void test_server_limits::bodies_without_a_usable_length_are_answered_at_once() {
    QFETCH(QByteArray, head);
    QFETCH(int, status);
    QFETCH(int, code);
    // The body never comes; the reply must not wait for it.
    const auto r =
        raw_http::exchange(server_.port(), head + "authorities: " + token_.toUtf8() + "\r\n\r\n");
    QCOMPARE(r.status, status);
    QCOMPARE(envelope(r).value("code").toInt(), code);
    QVERIFY(!envelope(r).value("msg").toString().isEmpty());
    QCOMPARE(server_.get("/tavorine/clientPhrase/list", {}, token_).code(), 200);
}

void test_server_limits::ranges_are_cut_to_the_file_data() {
    QTest::addColumn<QByteArray>("range");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("content_range");
    QTest::newRow("inside") << QByteArray("bytes=0-3") << 206 << QByteArray("0123")
                            << QByteArray("bytes 0-3/10");
    QTest::newRow("end past the end")
        << QByteArray("bytes=5-100") << 206 << QByteArray("56789") << QByteArray("bytes 5-9/10");
    QTest::newRow("suffix") << QByteArray("bytes=-3") << 206 << QByteArray("789")
                            << QByteArray("bytes 7-9/10");
    QTest::newRow("suffix longer than the file")
        << QByteArray("bytes=-20") << 206 << QByteArray("0123456789") << QByteArray("bytes 0-9/10");
    QTest::newRow("start at the end")
        << QByteArray("bytes=10-") << 416 << QByteArray() << QByteArray("bytes */10");
    QTest::newRow("wholly past the end")
        << QByteArray("bytes=100-200") << 416 << QByteArray() << QByteArray("bytes */10");
}

void test_server_limits::ranges_are_cut_to_the_file() {
    QFETCH(QByteArray, range);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, content_range);
    const auto uploaded =
        server_.upload("/tavorine/nas/userUploadFileDirect", "ten.txt", "0123456789", token_);
    const QString id = uploaded.data().toObject().value("id").toString();
    QVERIFY2(!id.isEmpty(), uploaded.raw.constData());
    const auto r = raw_http::exchange(
        server_.port(), "GET /tavorine/nas/downloadFileById?fileId=" + id.toUtf8() +
                            " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nauthorities: " +
                            token_.toUtf8() + "\r\nRange: " + range + "\r\n\r\n");
    QCOMPARE(r.status, status);
    QCOMPARE(r.header("Content-Range"), content_range);
    if (status == 206) {
        QCOMPARE(r.body, body);
        QCOMPARE(r.header("Content-Length").toInt(), body.size());
    } else {
        QCOMPARE(envelope(r).value("code").toInt(), 416);
    }
}

void test_server_limits::one_address_holds_a_bounded_number_of_connections() {
    server_fixture limited;
    QVERIFY(limited.start({"--demo", "--max-connections-per-address", "3"}));
    held_connections_t held;
    QVERIFY(held.open(limited.port(), 3));
    QVERIFY2(held.all_admitted(), "a held connection was refused");
    const QByteArray list = "GET /tavorine/clientPhrase/list HTTP/1.1\r\nHost: "
                            "127.0.0.1\r\nConnection: close\r\n\r\n";
    const auto refused = raw_http::exchange(limited.port(), list);
    QCOMPARE(refused.status, 503);
    QCOMPARE(envelope(refused).value("code").toInt(), 503);
    // Another address is served meanwhile (its login has expired: no token).
    const auto other = raw_http::exchange(limited.port(), list, 20000, QHostAddress("127.0.0.2"));
    QCOMPARE(other.status, 200);
    QCOMPARE(envelope(other).value("code").toInt(), 4401);
}

void test_server_limits::connections_beyond_a_busy_pool_are_refused_at_once() {
    server_fixture small;
    QVERIFY(small.start({"--demo", "--workers", "2", "--max-connections-per-address", "0"}));
    // Two connections hold the workers and two wait in the queue: of ten that
    // all wait for their request line, some are turned away at once.
    held_connections_t held;
    QVERIFY(held.open(small.port(), 10));
    QByteArray refused;
    QElapsedTimer clock;
    clock.start();
    while (refused.isEmpty() && clock.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        for (auto& s : held.sockets)
            if (s->bytesAvailable() > 0 || s->waitForReadyRead(0))
                refused = s->readAll();
    }
    const auto r = raw_http::parse(refused);
    QCOMPARE(r.status, 503);
    QCOMPARE(envelope(r).value("msg").toString(), QStringLiteral("服务器繁忙，请稍后再试"));
}

void test_server_limits::repeated_failed_logins_are_slowed_per_account() {
    server_fixture fresh;
    QVERIFY(fresh.start());
    for (int i = 0; i < 5; ++i) {
        const auto wrong = fresh.post(login_path, {{"account", "agent"}, {"password", "nope"}}, {});
        QCOMPARE(wrong.msg(), QStringLiteral("用户名或密码错误"));
    }
    // Even the right password waits now, without the password being checked.
    const auto slowed =
        fresh.post(login_path, {{"account", "agent"}, {"password", "agent123"}}, {});
    QCOMPARE(slowed.http_status, 429);
    QCOMPARE(slowed.code(), 401);
    QVERIFY2(slowed.msg().startsWith(QStringLiteral("登录失败次数过多")), qPrintable(slowed.msg()));
    // Other accounts from the same address are not affected.
    QVERIFY(!fresh.login("manager", "manager123").isEmpty());
}

void test_server_limits::repeated_failed_logins_are_slowed_per_address() {
    server_fixture fresh;
    QVERIFY(fresh.start());
    for (int i = 0; i < 20; ++i) {
        const auto wrong = fresh.post(
            login_path, {{"account", QStringLiteral("ghost%1").arg(i)}, {"password", "x"}}, {});
        QCOMPARE(wrong.msg(), QStringLiteral("用户名或密码错误"));
    }
    const auto slowed =
        fresh.post(login_path, {{"account", "manager"}, {"password", "manager123"}}, {});
    QCOMPARE(slowed.http_status, 429);
    QVERIFY2(slowed.msg().startsWith(QStringLiteral("登录失败次数过多")), qPrintable(slowed.msg()));
}

void test_server_limits::behind_a_proxy_the_address_comes_from_its_header() {
    server_fixture proxied;
    QVERIFY(proxied.start({"--demo", "--client-address-header", "X-Real-IP"}));
    const auto login = [&](const QByteArray& client, const QByteArray& account,
                           const QByteArray& password) {
        QByteArray request = raw_http::post(
            login_path, R"({"account":")" + account + R"(","password":")" + password + R"("})");
        request.insert(request.indexOf("\r\n") + 2, "X-Real-IP: " + client + "\r\n");
        return raw_http::exchange(proxied.port(), request);
    };
    for (int i = 0; i < 20; ++i)
        QCOMPARE(login("10.0.0.1", "ghost" + QByteArray::number(i), "x").status, 200);
    QCOMPARE(login("10.0.0.1", "manager", "manager123").status, 429);
    const auto other = login("10.0.0.2", "manager", "manager123");
    QCOMPARE(other.status, 200);
    QCOMPARE(envelope(other).value("code").toInt(), 200);
}

QTEST_GUILESS_MAIN(test_server_limits)
#include "test_server_limits.moc"
