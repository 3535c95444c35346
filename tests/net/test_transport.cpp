// How requests are built and carried out, against a scripted server.
#include "fixture_http_server.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/envelope.h"
#include "net/http_client.h"
#include "net/http_worker.h"
#include "net/request_center.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QtTest>
#include <mutex>
#include <spdlog/sinks/ringbuffer_sink.h>
#include <spdlog/spdlog.h>

using namespace quorvel;

namespace {

QStringList qt_warnings;
std::mutex qt_warnings_mutex;

void capture_qt_messages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg) {
        std::lock_guard<std::mutex> lock(qt_warnings_mutex);
        qt_warnings << text;
    }
}

} // namespace

class test_transport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void post_without_body_sends_empty_object();
    void query_items_in_key_order();
    void token_on_every_request_but_login();
    void one_callback_on_the_context_thread();
    void connection_refused_reports_request_failure();
    void silent_server_ends_by_inactivity_timeout();
    void closed_context_gets_no_callback_and_no_thread_stays();

private:
    QStringList log_lines() const;

    fixture_http_server server_;
    std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt> sink_;
};

void test_transport::initTestCase() {
    QVERIFY(server_.listen());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    sink_ = std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(200);
    auto logger = std::make_shared<spdlog::logger>("test", sink_);
    logger->set_pattern("[%l] %v");
    spdlog::set_default_logger(logger);
    qInstallMessageHandler(capture_qt_messages);
}

void test_transport::init() {
    server_.reply_with(R"({"code":200,"msg":"","data":{}})");
    data_center::instance().clear();
    http_client::set_default_inactivity_timeout(60000);
    std::lock_guard<std::mutex> lock(qt_warnings_mutex);
    qt_warnings.clear();
}

QStringList test_transport::log_lines() const {
    QStringList lines;
    for (const std::string& line : sink_->last_formatted())
        lines << QString::fromStdString(line).trimmed();
    return lines;
}

void test_transport::post_without_body_sends_empty_object() {
    http_client client;
    client.post(server_.base_url() + "/tavorine/x", {}, {}, {});
    const auto request = server_.requests().last();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.body, QByteArray("{}"));
    QCOMPARE(request.headers.value("content-type"), QByteArray("application/json"));

    client.get(server_.base_url() + "/tavorine/y", {}, {});
    QCOMPARE(server_.requests().last().headers.value("content-type"),
             QByteArray("application/json"));
}

void test_transport::query_items_in_key_order() {
    http_client client;
    client.get(server_.base_url() + "/tavorine/q", {}, {{"b", "2"}, {"a", "1"}, {"名", "值"}});
    const QUrl url = server_.requests().last().url;
    QCOMPARE(url.path(), QString("/tavorine/q"));
    QCOMPARE(QUrlQuery(url).toString(QUrl::FullyDecoded), QStringLiteral("a=1&b=2&名=值"));
}

void test_transport::token_on_every_request_but_login() {
    server_.reply_with(R"({"code":200,"msg":"","data":{"jwtToken":"secret-token"}})");
    QObject context;
    bool logged_in = false;
    request_center::instance()->login(
        {{"account", "a"}, {"password", "p"}}, &context, [&] { logged_in = true; },
        [](const QString&) {});
    QTRY_VERIFY(logged_in);
    const auto login = server_.requests().last();
    QVERIFY(!login.headers.contains("authorities"));
    QCOMPARE(QJsonDocument::fromJson(login.body).object().value("account").toString(),
             QString("a"));
    QCOMPARE(session_state::instance().token(), QString("secret-token"));

    server_.reply_with(R"({"code":200,"msg":"","data":[]})");
    bool done = false;
    request_center::instance()->query_scripts(
        {{"classifyId", "1"}}, &context, [&](const script_list_t&) { done = true; },
        [](const QString&) {});
    QTRY_VERIFY(done);
    QCOMPARE(server_.requests().last().headers.value("authorities"), QByteArray("secret-token"));

    // The phrase deletion sends its id as a query item of a GET.
    done = false;
    request_center::instance()->delete_phrase(
        {{"id", "42"}}, &context, [&] { done = true; }, [](const QString&) {});
    QTRY_VERIFY(done);
    QCOMPARE(server_.requests().last().method, QByteArray("GET"));
    QCOMPARE(QUrlQuery(server_.requests().last().url).queryItemValue("id"), QString("42"));
}

void test_transport::one_callback_on_the_context_thread() {
    server_.reply_with(
        R"({"code":200,"msg":"","data":{"id":"9","phraseContent":"好的","validStatus":0,"sort":1}})");
    QObject context;
    int successes = 0, failures = 0;
    QThread* thread = nullptr;
    request_center::instance()->create_phrase(
        {{"phraseContent", "好的"}}, &context,
        [&](const phrase_node_spt& p) {
            ++successes;
            thread = QThread::currentThread();
            QCOMPARE(p->id, QString("9"));
        },
        [&](const QString&) { ++failures; });
    QTRY_COMPARE(successes, 1);
    QTest::qWait(50);
    QCOMPARE(failures, 0);
    QCOMPARE(thread, QThread::currentThread());
    QVERIFY(data_center::instance().phrases().contains("9")); // stored before the callback
    QVERIFY(log_lines().contains("[info] create phrase..."));
    QVERIFY(log_lines().contains("[info] create phrase success"));
}

void test_transport::connection_refused_reports_request_failure() {
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    qputenv("QUORVEL_BASE_URL", QString("http://127.0.0.1:%1").arg(port).toUtf8());
    QObject context;
    QString message;
    bool failed = false;
    request_center::instance()->query_quick_replies(
        &context, [](const quick_reply_map_t&) {},
        [&](const QString& m) {
            failed = true;
            message = m;
        });
    QTRY_VERIFY(failed);
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    QCOMPARE(message, QStringLiteral("请求异常"));
    const QStringList lines = log_lines();
    QVERIFY(std::any_of(lines.begin(), lines.end(), [](const QString& l) {
        return l.startsWith("[warning] http request failed, reason: Connection refused");
    }));
    QVERIFY(lines.contains("[warning] query quick reply failed, reason:")); // the empty body
    std::lock_guard<std::mutex> lock(qt_warnings_mutex);
    QVERIFY(std::any_of(qt_warnings.begin(), qt_warnings.end(),
                        [](const QString& w) { return w.startsWith("Request failed:"); }));
}

void test_transport::silent_server_ends_by_inactivity_timeout() {
    http_client::set_default_inactivity_timeout(300);
    server_.set_script([](const fixture_http_server::request_t&) {
        return fixture_http_server::reply_t{200, {}, true};
    });
    QObject context;
    QString message;
    bool failed = false;
    QElapsedTimer clock;
    clock.start();
    request_center::instance()->get_login_info(
        {}, &context, [](const user_login_info_spt&) {},
        [&](const QString& m) {
            failed = true;
            message = m;
        });
    QTRY_VERIFY_WITH_TIMEOUT(failed, 10000);
    QVERIFY(clock.elapsed() >= 250);
    QCOMPARE(message, QStringLiteral("请求异常"));
    const QStringList lines = log_lines();
    QVERIFY(std::any_of(lines.begin(), lines.end(), [](const QString& l) {
        return l.startsWith("[warning] http request failed, reason: ");
    }));
}

void test_transport::closed_context_gets_no_callback_and_no_thread_stays() {
    http_client::set_default_inactivity_timeout(400);
    server_.set_script([](const fixture_http_server::request_t&) {
        return fixture_http_server::reply_t{200, {}, true};
    });
    const int before = http_worker::live_threads();
    int callbacks = 0;
    auto* context = new QObject;
    request_center::instance()->query_docs(
        {}, context, [&](const docs_by_category_t&) { ++callbacks; },
        [&](const QString&) { ++callbacks; });
    QTRY_COMPARE(server_.requests().isEmpty() ? 0 : 1, 1); // the request is in flight
    QCOMPARE(http_worker::live_threads(), before + 1);
    delete context; // the widget closes mid-request
    QTRY_COMPARE_WITH_TIMEOUT(http_worker::live_threads(), before, 10000);
    QTest::qWait(100);
    QCOMPARE(callbacks, 0);
}

QTEST_GUILESS_MAIN(test_transport)
#include "test_transport.moc"
