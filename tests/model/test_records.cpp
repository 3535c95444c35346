// Reading records from JSON by the shared rules, and the script stream form.
#include "model/records.h"
#include "platform/window_handle.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QtTest>

using namespace quorvel;

namespace {
QJsonObject json(const char* text) {
    return QJsonDocument::fromJson(text).object();
}
} // namespace

class test_records : public QObject {
    Q_OBJECT
private slots:
    void strings_only_from_strings();
    void sort_read_per_field_data();
    void sort_read_per_field();
    void nested_file_only_from_an_object_data();
    void nested_file_only_from_an_object();
    void profile_nesting();
    void script_stream_round_trip();
    void meta_types_are_registered_by_name();
};

void test_records::strings_only_from_strings() {
    const auto c = category_node_t::from_json(
        json(R"({"id":17,"classifyName":true,"superId":null,"deptId":"4"})"));
    QCOMPARE(c->id, QString());
    QCOMPARE(c->classifyName, QString());
    QCOMPARE(c->superId, QString());
    QCOMPARE(c->deptId, QString("4"));
    const auto empty = script_node_t::from_json({});
    QVERIFY(empty->id.isEmpty() && empty->sort == 0);
}

void test_records::sort_read_per_field_data() {
    QTest::addColumn<QByteArray>("sort");
    QTest::addColumn<qint64>("category");
    QTest::addColumn<qint64>("script");
    QTest::addColumn<qint64>("sticker");
    QTest::addColumn<qint64>("doc");
    QTest::addColumn<qint64>("phrase");
    // Categories, documents and phrases read "any"; scripts and stickers "number".
    QTest::newRow("numeric string") << QByteArray("\"12\"") << 12LL << 0LL << 0LL << 12LL << 12LL;
    QTest::newRow("number") << QByteArray("12") << 12LL << 12LL << 12LL << 12LL << 12LL;
    QTest::newRow("fraction truncated")
        << QByteArray("12.7") << 13LL << 12LL << 12LL << 13LL << 13LL;
    QTest::newRow("large") << QByteArray("\"9007199254740993\"") << 9007199254740993LL << 0LL << 0LL
                           << 9007199254740993LL << 9007199254740993LL;
    QTest::newRow("text") << QByteArray("\"abc\"") << 0LL << 0LL << 0LL << 0LL << 0LL;
    QTest::newRow("null") << QByteArray("null") << 0LL << 0LL << 0LL << 0LL << 0LL;
}

void test_records::sort_read_per_field() {
    QFETCH(QByteArray, sort);
    const QJsonObject o = QJsonDocument::fromJson("{\"sort\":" + sort + "}").object();
    QTEST(category_node_t::from_json(o)->sort, "category");
    QTEST(script_node_t::from_json(o)->sort, "script");
    QTEST(sticker_node_t::from_json(o)->sort, "sticker");
    QTEST(doc_node_t::from_json(o)->sort, "doc");
    QTEST(phrase_node_t::from_json(o)->sort, "phrase");
}

void test_records::nested_file_only_from_an_object_data() {
    QTest::addColumn<QByteArray>("nas");
    QTest::addColumn<bool>("present");
    QTest::newRow("null") << QByteArray("null") << false;
    QTest::newRow("text") << QByteArray("\"x\"") << false;
    QTest::newRow("array") << QByteArray("[{}]") << false;
    QTest::newRow("object")
        << QByteArray(R"({"id":"5","fileSuffix":"pdf","fileSize":"2048","sha256Hex":"ab"})")
        << true;
}

void test_records::nested_file_only_from_an_object() {
    QFETCH(QByteArray, nas);
    QFETCH(bool, present);
    const QJsonObject o = QJsonDocument::fromJson("{\"nasFile\":" + nas + "}").object();
    const auto sticker = sticker_node_t::from_json(o);
    const auto doc = doc_node_t::from_json(o);
    QCOMPARE(!sticker->nasFile.isNull(), present);
    QCOMPARE(!doc->nasFile.isNull(), present);
    if (present) {
        QCOMPARE(doc->nasFile->fileSuffix, QString("pdf"));
        QCOMPARE(doc->nasFile->fileSize, 2048LL); // "any"
    }
}

void test_records::profile_nesting() {
    const auto u = user_login_info_t::from_json(json(R"({
        "account":"a","userId":"42","adminType":1,"accountType":2.9,
        "userRoleList":[{"roleKey":"kfzz","deptRoleDataList":[{"deptId":"3","deptName":"x"},{"deptId":"3","deptName":"y"}]}],
        "deptRoleTreeMap":{"deptAllTree":[{"id":"1","children":[{"id":"2","children":"none"}]}],
                           "checkDeptDataList":[{},{"deptId":"3","roleKeys":["kf",5]}]}})"));
    QCOMPARE(u->userId, 42LL);
    QCOMPARE(u->accountType, 2);
    QCOMPARE(u->userRoleList.size(), 1);
    QCOMPARE(u->userRoleList[0]->deptRoleDataList.value("3"), QString("y")); // later duplicates win
    QCOMPARE(u->deptAllTree[0]->children[0]->id, QString("2"));
    QVERIFY(u->deptAllTree[0]->children[0]->children.isEmpty());
    QCOMPARE(u->checkDeptDataList.size(), 1); // the empty object is skipped
    QCOMPARE(u->checkDeptDataList[0]->roleKeys, (QStringList{"kf", "5"}));
}

void test_records::script_stream_round_trip() {
    auto s = script_node_spt::create();
    s->id = "1";
    s->speechContentKeywords = "${#ff0000}标题";
    s->speechContent = "<p>您好${日期}</p>";
    s->deptId = "3";
    s->classifyId = "9";
    s->classifyType = "2";
    s->customShortcuts = "unknown";
    s->sort = -5;
    s->creatorAccount = "a";
    s->lastUpdateAccount = "b";
    s->createTime = "t1";
    s->lastUpdateDate = "t2";
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << s;
    }
    // Exactly the fields in order: a hand-written stream reads back the same.
    QByteArray expected;
    {
        QDataStream out(&expected, QIODevice::WriteOnly);
        out << s->id << s->speechContentKeywords << s->speechContent << s->deptId << s->classifyId
            << s->classifyType << s->customShortcuts << s->sort << s->creatorAccount
            << s->lastUpdateAccount << s->createTime << s->lastUpdateDate;
    }
    QCOMPARE(bytes, expected);

    register_meta_types();
    QVariant variant = QVariant::fromValue(s);
    QByteArray saved;
    {
        QDataStream out(&saved, QIODevice::WriteOnly);
        out << variant;
    }
    QVariant loaded;
    QDataStream in(saved);
    in >> loaded;
    const auto copy = loaded.value<script_node_spt>();
    QVERIFY(copy && copy != s);
    QCOMPARE(copy->speechContent, s->speechContent);
    QCOMPARE(copy->sort, s->sort);
    QCOMPARE(copy->lastUpdateDate, s->lastUpdateDate);
}

void test_records::meta_types_are_registered_by_name() {
    platform::register_window_handle_type();
    register_meta_types();
    for (const char* name :
         {"HWND", "category_node_t", "category_node_spt", "category_node_t*", "script_node_t",
          "script_node_spt", "script_node_t*", "sticker_node_t", "sticker_node_spt",
          "phrase_node_t", "phrase_node_spt", "quick_reply_node_t", "quick_reply_node_spt",
          "version_update_info_t", "version_update_info_spt"})
        QVERIFY2(QMetaType::type(name) != QMetaType::UnknownType, name);
    QVERIFY(QMetaType::type("doc_node_t") == QMetaType::UnknownType);
}

QTEST_APPLESS_MAIN(test_records)
#include "test_records.moc"
