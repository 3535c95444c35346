// The client's endpoint table against a real quorvel-server: every route the
// client calls exists there with the same method, and asks for the login
// exactly where the client sends its token.
#include "model/data_center.h"
#include "net/endpoints.h"
#include "net/http_call.h"
#include "protocol/protocol.h"
#include "server_fixture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace quorvel;

Q_DECLARE_METATYPE(quorvel::endpoint_t)

class test_request_table : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void every_endpoint_is_a_route_of_the_server_data();
    void every_endpoint_is_a_route_of_the_server();

private:
    server_fixture server_;
};

void test_request_table::initTestCase() {
    QVERIFY(server_.start());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    data_center::instance().clear(); // no token: routes that need one say so
}

void test_request_table::every_endpoint_is_a_route_of_the_server_data() {
    QTest::addColumn<endpoint_t>("endpoint");
    for (const endpoint_t& endpoint : endpoints::all)
        QTest::newRow(endpoint.path) << endpoint;
}

void test_request_table::every_endpoint_is_a_route_of_the_server() {
    QFETCH(endpoint_t, endpoint);
    http_client client;
    const QByteArray body = perform(client, endpoint, payload_t::none());
    const QJsonObject reply = QJsonDocument::fromJson(body).object();
    QVERIFY2(reply.contains("code"), body.constData());
    const int code = reply.value("code").toInt();
    // An unknown path, or a known one with another method, is "接口不存在".
    QVERIFY2(code != protocol::codes::not_found, body.constData());
    if (endpoint.authorized)
        QCOMPARE(code, protocol::codes::token_invalid);
    else
        QVERIFY2(!protocol::codes::asks_relogin(code), body.constData());
}

QTEST_MAIN(test_request_table)
#include "test_request_table.moc"
