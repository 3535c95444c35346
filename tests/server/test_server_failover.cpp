// One of two instances behind nginx is killed with SIGKILL under a steady
// mixed load and started again: nothing answered with success may be lost,
// every request gets a reply, and the load goes on through the other.
#include "server_fixture.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QHttpMultiPart>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QSet>
#include <QtTest>
#include <functional>

namespace {

struct tally_t {
    int succeeded = 0;
    int error_replies = 0;
    int without_reply = 0; // the fault this test is about: a request silently lost
};

// Keeps a number of requests in flight through one address until stopped,
// and records what the server acknowledged.
class mixed_load : public QObject {
public:
    mixed_load(const QString& base_url, const QString& token) : base_(base_url), token_(token) {}

    void start(int in_flight) {
        for (int i = 0; i < in_flight; ++i)
            next();
    }
    void stop() { stopping_ = true; }
    int pending() const { return pending_; }
    tally_t tally; // counts since the last reset_tally()
    void reset_tally() { tally = {}; }

    QSet<QString> phrases;            // acknowledged phrase texts
    QHash<QString, QByteArray> files; // acknowledged file id -> SHA-256 of the sent bytes

private:
    QNetworkRequest request(const QString& path) const {
        QNetworkRequest r{QUrl(base_ + path)};
        r.setRawHeader("authorities", token_.toUtf8());
        r.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        return r;
    }

    void next() {
        if (stopping_)
            return;
        const int n = counter_++;
        switch (n % 8) {
        case 0: {
            const QByteArray body = R"({"account":"agent","password":"agent123"})";
            send(network_.post(request("/tavorine/loginAccount/logInCrm"), body), {});
            break;
        }
        case 1:
        case 4: {
            const QString text = QStringLiteral("故障测试短语 %1").arg(n);
            send(network_.post(request("/tavorine/clientPhrase/add"),
                               QJsonDocument(QJsonObject{{"phraseContent", text}}).toJson()),
                 [this, text](const QJsonObject&) { phrases.insert(text); });
            break;
        }
        case 2:
        case 6: {
            QByteArray bytes(48 * 1024 + n, Qt::Uninitialized);
            for (char& c : bytes)
                c = static_cast<char>(QRandomGenerator::global()->generate());
            const QByteArray sha = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
            auto* multi = new QHttpMultiPart(QHttpMultiPart::FormDataType);
            QHttpPart part;
            part.setHeader(QNetworkRequest::ContentDispositionHeader,
                           QStringLiteral("form-data; name=\"file\"; filename=\"f%1.bin\"").arg(n));
            part.setBody(bytes);
            multi->append(part);
            QNetworkRequest r{QUrl(base_ + "/tavorine/nas/userUploadFileDirect")};
            r.setRawHeader("authorities", token_.toUtf8());
            QNetworkReply* reply = network_.post(r, multi);
            multi->setParent(reply);
            send(reply, [this, sha](const QJsonObject& data) {
                files.insert(data["id"].toString(), sha.toHex());
            });
            break;
        }
        case 3:
            send(network_.post(request("/tavorine/clientKb/querySpeech"),
                               R"({"speechContent":"","classifyType":"0"})"),
                 {});
            break;
        default:
            send(network_.get(request("/tavorine/clientPhrase/list")), {});
        }
    }

    void send(QNetworkReply* reply, std::function<void(const QJsonObject&)> on_success) {
        ++pending_;
        connect(reply, &QNetworkReply::finished, this, [this, reply, on_success] {
            --pending_;
            reply->deleteLater();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            const QJsonObject body = QJsonDocument::fromJson(reply->readAll()).object();
            if (status == 0) {
                ++tally.without_reply;
                qWarning("no reply: %s %s", qPrintable(reply->url().path()),
                         qPrintable(reply->errorString()));
            } else if (status == 200 && body["code"].toInt() == 200) {
                ++tally.succeeded;
                if (on_success)
                    on_success(body["data"].toObject());
            } else {
                ++tally.error_replies;
            }
            next();
        });
    }

    QNetworkAccessManager network_;
    QString base_;
    QString token_;
    int counter_ = 0;
    int pending_ = 0;
    bool stopping_ = false;
};

void run_for(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

class test_server_failover : public QObject {
    Q_OBJECT

private slots:
    void killed_instance_loses_nothing_answered();
};

void test_server_failover::killed_instance_loses_nothing_answered() {
    QVERIFY2(!qEnvironmentVariable("QUORVEL_TEST_DEPLOYMENT").isEmpty(),
             "run through with_postgres.sh with QUORVEL_TEST_DEPLOYMENT set");
    server_fixture server;
    QVERIFY(server.start());
    const QString tok = server.login("agent", "agent123");
    QVERIFY(!tok.isEmpty());

    mixed_load load(server.base_url(), tok);
    load.start(8);
    run_for(3000);
    const tally_t before = load.tally;
    QVERIFY(before.succeeded > 0);

    QVERIFY(server.deployment_command("kill", 1));
    load.reset_tally();
    run_for(4000);
    const tally_t while_down = load.tally;

    // Started again without pausing the load.
    QProcess restart;
    restart.start(qEnvironmentVariable("QUORVEL_TEST_DEPLOYMENT"),
                  {"start", server.deployment(), "1"});
    load.reset_tally();
    QElapsedTimer waited;
    waited.start();
    while (restart.state() != QProcess::NotRunning && waited.elapsed() < 60000)
        run_for(100);
    QCOMPARE(restart.exitCode(), 0);
    run_for(2000);
    load.stop();
    while (load.pending() > 0 && waited.elapsed() < 90000)
        run_for(50);
    const tally_t after = load.tally;
    qInfo("before the kill: %d ok, %d error replies; while down: %d ok, %d error replies; "
          "after the restart: %d ok, %d error replies",
          before.succeeded, before.error_replies, while_down.succeeded, while_down.error_replies,
          after.succeeded, after.error_replies);

    QCOMPARE(load.pending(), 0);
    for (const tally_t& t : {before, while_down, after})
        QCOMPARE(t.without_reply, 0);
    // The other instance carried the load; most requests still succeeded.
    QVERIFY(while_down.succeeded > 2 * while_down.error_replies);
    QVERIFY(after.succeeded > 0);

    // Every acknowledged write is there, through either instance.
    for (int instance : {1, 2}) {
        QVERIFY(server.route_to(instance));
        QSet<QString> listed;
        for (const QJsonValue& p :
             server.get("/tavorine/clientPhrase/list", {}, tok).data().toArray())
            listed.insert(p.toObject()["phraseContent"].toString());
        for (const QString& text : load.phrases)
            QVERIFY2(listed.contains(text), qPrintable(text));
        for (auto it = load.files.constBegin(); it != load.files.constEnd(); ++it) {
            int status = 0;
            const QByteArray bytes =
                server.download("/tavorine/nas/downloadFileById?fileId=" + it.key(), tok, &status);
            QCOMPARE(status, 200);
            QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(),
                     it.value());
        }
    }
    QVERIFY(!load.phrases.isEmpty());
    QVERIFY(!load.files.isEmpty());
}

QTEST_MAIN(test_server_failover)
#include "test_server_failover.moc"
