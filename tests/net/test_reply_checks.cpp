// Every reply check with its messages, and what the successful ones produce.
#include "app/event_bus.h"
#include "app/event_names.h"
#include "model/data_center.h"
#include "net/envelope.h"
#include "net/reply_checks.h"

#include <QJsonDocument>
#include <QtTest>
#include <functional>

using namespace quorvel;

namespace {

struct outcome_t {
    bool ok;
    QString message;
};

template <class T>
std::function<outcome_t(const QByteArray&)> as_outcome(parsed_t<T> (*check)(const QByteArray&)) {
    return [check](const QByteArray& body) {
        const parsed_t<T> r = check(body);
        return outcome_t{r.ok, r.message};
    };
}

const QHash<QString, std::function<outcome_t(const QByteArray&)>>& checks() {
    static const QHash<QString, std::function<outcome_t(const QByteArray&)>> all = {
        {"envelope",
         [](const QByteArray& body) {
             QString m;
             const bool ok = check_envelope(QJsonDocument::fromJson(body), &m);
             return outcome_t{ok, m};
         }},
        {"code",
         [](const QByteArray& body) {
             QString m;
             const bool ok = check_code(body, &m);
             return outcome_t{ok, m};
         }},
        {"login", as_outcome(check_login_reply)},
        {"login info", as_outcome(check_login_info_reply)},
        {"category", as_outcome(check_category_reply)},
        {"created category", as_outcome(check_created_category_reply)},
        {"flat categories", as_outcome(check_flat_category_list)},
        {"nested categories", as_outcome(check_nested_category_list)},
        {"scripts", as_outcome(check_script_list)},
        {"script", as_outcome(check_script_reply)},
        {"keys", as_outcome(check_keys_reply)},
        {"stickers", as_outcome(check_sticker_list)},
        {"sticker", as_outcome(check_sticker_reply)},
        {"stickers blocking", as_outcome(check_sticker_list_blocking)},
        {"phrase", as_outcome(check_phrase_reply)},
        {"phrases", as_outcome(check_phrase_list)},
        {"quick replies", as_outcome(check_quick_reply_list)},
        {"docs", as_outcome(check_doc_list)},
        {"doc", as_outcome(check_doc_reply)},
        {"doc search", as_outcome(check_doc_search)},
        {"file", as_outcome(check_file_description)},
        {"update", as_outcome(check_version_update)},
        {"apps", as_outcome(check_supported_apps)},
        {"manage", as_outcome(check_manage_page)},
    };
    return all;
}

} // namespace

class test_reply_checks : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void messages_data();
    void messages();
    void relogin_only_above_4399_data();
    void relogin_only_above_4399();
    void results();
    void script_list_follows_the_shared_rules();

private:
    int relogins_ = 0;
    QObject context_;
};

void test_reply_checks::initTestCase() {
    event_bus::instance()->subscribe(events::relogin, &context_,
                                     [this](const QVariantList&) { ++relogins_; });
}

void test_reply_checks::messages_data() {
    QTest::addColumn<QString>("check");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("message");
    const QByteArray ok_empty_object = R"({"code":200,"msg":"ok","data":{}})";
    const QByteArray ok_array = R"({"code":200,"msg":"ok","data":[]})";
    const QByteArray refused = R"({"code":500,"msg":"服务器错误","data":{}})";
    auto row = [](const char* name, const char* check, const QByteArray& body, bool ok,
                  const QString& message) {
        QTest::newRow(name) << QString(check) << body << ok << message;
    };
    // Strict and simple envelope checks.
    row("envelope empty", "envelope", "", false, "请求异常");
    row("envelope array", "envelope", "[1]", false, "请求异常");
    row("envelope no msg", "envelope", R"({"code":200,"data":{}})", false, "响应字段缺失");
    row("envelope data null", "envelope", R"({"code":200,"msg":"ok","data":null})", false,
        "响应字段数据缺失");
    row("envelope data null before code", "envelope", R"({"code":500,"msg":"x","data":null})",
        false, "响应字段数据缺失");
    row("envelope refused", "envelope", refused, false, "服务器错误");
    row("envelope ok", "envelope", ok_empty_object, true, "");
    row("code not json", "code", "<html>", false, "请求异常");
    row("code missing", "code", R"({"msg":"x"})", false, "响应异常");
    row("code refused", "code", refused, false, "服务器错误");
    row("code ok without data", "code", R"({"code":200})", true, "");
    // Login.
    row("login not json", "login", "oops", false, "登录请求异常");
    row("login refused", "login", R"({"code":401,"msg":"用户名或密码错误"})", false,
        "用户名或密码错误");
    row("login no code", "login", R"({"msg":"x","data":{"jwtToken":"t"}})", false, "x");
    row("login data not object", "login", R"({"code":200,"msg":"","data":"t"})", false,
        "请求响应字段不兼容");
    row("login no token", "login", R"({"code":200,"msg":"","data":{}})", false,
        "响应中授权信息缺失");
    row("login ok", "login", R"({"code":200,"msg":"","data":{"jwtToken":"t"}})", true, "");
    row("login info data array", "login info", ok_array, false, "响应数据字段类型不兼容");
    // Categories and scripts.
    row("category not json", "category", "", false, "请求异常");
    row("category no code", "category", R"({"data":{}})", false, "响应字段格式异常");
    row("category no name", "category", R"({"code":200,"msg":"","data":{"id":"5"}})", false,
        "响应字段格式异常");
    row("category refused", "category", refused, false, "服务器错误");
    row("category refused without msg", "category", R"({"code":500})", false, "请求失败");
    row("category ok", "category", R"({"code":200,"msg":"","data":{"classifyName":"a"}})", true,
        "");
    row("created without msg", "created category", R"({"code":200,"data":{}})", false, "");
    row("created missing data", "created category", R"({"code":200,"msg":"m"})", false, "m");
    row("created data array", "created category", R"({"code":200,"msg":"","data":[]})", false,
        "响应数据字段不兼容");
    row("created refused", "created category", refused, false, "服务器错误");
    row("flat not array", "flat categories", ok_empty_object, false, "数据类型不兼容");
    row("nested not array", "nested categories", ok_empty_object, true, "");
    row("scripts not array", "scripts", ok_empty_object, false, "");
    row("script not json", "script", "", false, "请求异常");
    row("script missing key", "script", R"({"code":200,"data":{}})", false, "响应异常");
    row("script refused", "script", refused, false, "服务器错误");
    row("script data array", "script", ok_array, false, "响应字段类型不兼容");
    row("script data empty", "script", ok_empty_object, false, "响应内容缺失");
    row("keys missing", "keys", R"({"code":200,"msg":""})", false, "响应字段不兼容");
    row("keys ok", "keys", R"({"code":200,"msg":"","data":null})", true, "");
    // Stickers, phrases, quick replies.
    row("stickers not array", "stickers", ok_empty_object, false, "响应字段类型不兼容");
    row("sticker missing", "sticker", R"({"code":200,"data":{}})", false, "请求响应字段不兼容");
    row("sticker data not object", "sticker", R"({"code":200,"msg":"","data":5})", true, "");
    row("stickers blocking refused code", "stickers blocking",
        R"({"code":500,"msg":"x","data":[]})", true, "");
    row("stickers blocking missing", "stickers blocking", R"({"code":200,"data":[]})", false,
        "响应字段不兼容");
    row("stickers blocking not array", "stickers blocking", ok_empty_object, false,
        "响应字段类型不兼容");
    row("phrase missing", "phrase", R"({"code":200,"data":{}})", false, "响应字段缺失");
    row("phrase data array", "phrase", ok_array, false, "响应字段类型异常");
    row("phrase data empty", "phrase", ok_empty_object, false, "响应内容缺失");
    row("phrases missing", "phrases", R"({"code":200,"msg":""})", false, "响应字段缺失");
    row("phrases refused", "phrases", refused, false, "服务器错误");
    row("quick replies not array", "quick replies", ok_empty_object, false, "响应字段类型不兼容");
    // Documents and the file store.
    row("docs not array", "docs", ok_empty_object, false, "");
    row("doc not object", "doc", ok_array, false, "响应字段类型不兼容");
    row("search data null", "doc search", R"({"code":200,"msg":"","data":null})", true, "");
    row("search no data", "doc search", R"({"code":200})", true, "");
    row("search refused", "doc search", refused, false, "服务器错误");
    row("file missing", "file", R"({"code":200,"data":{}})", false, "响应格式异常");
    row("file without hash", "file", ok_empty_object, false, "");
    row("file ok", "file", R"({"code":200,"msg":"","data":{"sha256Hex":"ab"}})", true, "");
    // Client.
    row("update no code", "update", R"({"msg":""})", false, "响应数据异常");
    row("update refused without msg", "update", R"({"code":500})", false, "请求失败");
    row("update data array", "update", ok_array, false, "响应字段类型不兼容");
    row("update empty data", "update", ok_empty_object, false, "");
    row("update ok", "update", R"({"code":200,"msg":"","data":{"latestVersion":"2.0"}})", true, "");
    row("apps no code", "apps", R"({"data":[]})", false, "请求异常");
    row("apps data null", "apps", R"({"code":200,"msg":"","data":null})", false, "没有可用的数据");
    row("apps refused without msg", "apps", R"({"code":503})", false, "请求失败");
    row("manage missing", "manage", R"({"code":200,"data":"x"})", false, "响应数据异常");
    row("manage not string", "manage", ok_empty_object, true, "");
}

void test_reply_checks::messages() {
    QFETCH(QString, check);
    QFETCH(QByteArray, body);
    QFETCH(bool, ok);
    QFETCH(QString, message);
    QVERIFY2(checks().contains(check), qPrintable(check));
    const outcome_t result = checks().value(check)(body);
    QCOMPARE(result.ok, ok);
    QCOMPARE(result.message, message);
}

void test_reply_checks::relogin_only_above_4399_data() {
    QTest::addColumn<QString>("check");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("relogins");
    for (const char* check :
         {"envelope", "code", "login", "category", "script", "phrases", "update", "apps", "manage",
          "file", "created category", "keys", "sticker"}) {
        QTest::newRow(qPrintable(QString("%1 4400").arg(check))) << QString(check) << 4400 << 1;
        QTest::newRow(qPrintable(QString("%1 4399").arg(check))) << QString(check) << 4399 << 0;
    }
}

void test_reply_checks::relogin_only_above_4399() {
    QFETCH(QString, check);
    QFETCH(int, code);
    QFETCH(int, relogins);
    relogins_ = 0;
    const QByteArray body = QString(R"({"code":%1,"msg":"登录过期","data":{}})").arg(code).toUtf8();
    const outcome_t result = checks().value(check)(body);
    QVERIFY(!result.ok);
    QCOMPARE(result.message, QStringLiteral("登录过期"));
    QCOMPARE(relogins_, relogins);
}

void test_reply_checks::results() {
    // The flat list keeps only complete categories.
    const auto flat = check_flat_category_list(
        R"({"code":200,"msg":"","data":[{"id":"2","superId":"1","classifyName":"b","sort":1,"whetherToUnfold":0,
        "classifyType":"0","clientBusinessType":"310","deptId":""},{"id":"3","classifyName":"no parent key"}]})");
    QCOMPARE(flat.value.value("1").children.size(), 1);
    QVERIFY(!flat.value.contains("3"));

    // Scripts lacking a required key are skipped, the rest kept in order.
    const auto scripts = check_script_list(
        R"({"code":200,"msg":"","data":[{"id":"1","speechContentKeywords":"","speechContent":"","sort":1,"deptId":"",
        "classifyId":"9","classifyType":"0"},{"id":"2","speechContentKeywords":"","speechContent":"","deptId":"",
        "classifyId":"9","classifyType":"0"},{"id":"3","speechContentKeywords":"","speechContent":"","sort":"2",
        "deptId":"","classifyId":"9","classifyType":"0"}, 7]})");
    QCOMPARE(scripts.value.size(), 2);
    QCOMPARE(scripts.value[1]->id, QString("3"));

    // Invalid phrases are dropped; a later duplicate wins.
    const auto phrases = check_phrase_list(
        R"({"code":200,"msg":"","data":[{"id":"1","phraseContent":"a","validStatus":0},
        {"id":"2","phraseContent":"b","validStatus":1},{"id":"1","phraseContent":"c","validStatus":0}]})");
    QCOMPARE(phrases.value.size(), 1);
    QCOMPARE(phrases.value.value("1")->phraseContent, QString("c"));

    // Quick replies by script id; the later one of a script wins.
    const auto quick = check_quick_reply_list(
        R"({"code":200,"msg":"","data":[{"id":"1","speechId":"7"},{"id":"2","speechId":"7"}]})");
    QCOMPARE(quick.value.size(), 1);
    QCOMPARE(quick.value.value("7")->id, QString("2"));

    // Documents grouped by category.
    const auto docs = check_doc_list(
        R"({"code":200,"msg":"","data":[{"id":"1","classifyId":"a"},{"id":"2","classifyId":"b"},{"id":"3","classifyId":"a"}]})");
    QCOMPARE(docs.value.size(), 2);
    QCOMPARE(docs.value.value("a").size(), 2);

    // Adsorption values split at every comma, empty parts kept.
    const auto apps = check_supported_apps(
        R"({"code":200,"msg":"","data":[{"operateHabitKey":"x","operateHabitValue":"a,,b"}]})");
    QCOMPARE(apps.value.value("x"), (QStringList{"a", "", "b"}));

    // The nested tree keeps the reply order at every level.
    const auto nested = check_nested_category_list(
        R"({"code":200,"msg":"","data":[{"id":"b","superId":"-1","children":[{"id":"b2","superId":"b"},
        {"id":"b1","superId":"b"}]},{"id":"a","superId":"-1"}]})");
    QCOMPARE(nested.value.value("-1").children[0]->id, QString("b"));
    QCOMPARE(nested.value.value("b").children[0]->id, QString("b2"));
    QCOMPARE(nested.value.value("b").children[1]->id, QString("b1"));
}

void test_reply_checks::script_list_follows_the_shared_rules() {
    // The script list has its own fast reader: envelopes answer as the strict check does...
    for (const QByteArray& body :
         {QByteArray(""), QByteArray("[1]"), QByteArray("{bad"),
          QByteArray(R"({"code":200,"data":[]})"), QByteArray(R"({"msg":"x","data":[]})"),
          QByteArray(R"({"code":200,"msg":"ok","data":null})"),
          QByteArray(R"({"code":null,"msg":"ok","data":[]})"),
          QByteArray(R"({"code":500,"msg":"坏了","data":[]})"),
          QByteArray(R"({"code":"200","msg":"text code","data":[]})"),
          QByteArray(R"({"code":200.5,"msg":"m","data":[]})"),
          QByteArray(R"({"code":200,"msg":5,"data":[]})"),
          // read in one forward pass: order, duplicates, damage behind the envelope
          QByteArray(R"({"data":[{"id":"1"}],"msg":"late code","code":500})"),
          QByteArray(R"({"code":200,"msg":"","data":[],"code":500})"),
          QByteArray(R"({"code":200,"msg":"","data":[{"id":"1","speechContent":"a)"),
          QByteArray(R"({"code":200,"msg":"","data":[]} trailing)"),
          // atoms that start like null (these ended the client with an exception)
          QByteArray(R"({"code":nul,"msg":"","data":[]})"),
          QByteArray(R"({"code":200,"msg":n,"data":[]})"),
          QByteArray(R"({"code":200,"msg":"","data":nullx})"),
          QByteArray(R"({"code":200,"msg":"","data":[]}})")}) {
        QString expected;
        const bool envelope_ok = check_envelope(QJsonDocument::fromJson(body), &expected);
        const auto list = check_script_list(body);
        QVERIFY2(list.ok == envelope_ok, body.constData());
        QVERIFY2(list.message == expected, body.constData());
    }
    // ...and records read as script_node_t::from_json reads them.
    const QByteArray items = R"([
        {"id":"1","speechContentKeywords":"${#ff0000}红","speechContent":"<p>é ${日期} 😀</p>","sort":12.9,
         "deptId":"","classifyId":"9","classifyType":"0","customShortcuts":"k","creatorAccount":"a",
         "lastUpdateAccount":"b","createTime":"t1","lastUpdateDate":"t2"},
        {"id":17,"speechContentKeywords":null,"speechContent":true,"sort":"12","deptId":3,"classifyId":"9",
         "classifyType":"0"},
        {"id":"big","speechContentKeywords":"","speechContent":"","sort":-4,"deptId":"","classifyId":"9",
         "classifyType":"2","extra":{"nested":[1,2]}}])";
    const QByteArray reply = R"({"code":200,"msg":"","data":)" + items + "}";
    // A body with spare room behind it (as the client's replies have) is read in place.
    QByteArray roomy;
    roomy.reserve(reply.size() + 64);
    roomy.append(reply);
    QCOMPARE(check_script_list(roomy).value.size(), 3);
    const auto list = check_script_list(reply);
    const QJsonArray reference = QJsonDocument::fromJson(items).array();
    QCOMPARE(list.value.size(), reference.size());
    for (int i = 0; i < reference.size(); ++i) {
        const script_node_spt expected = script_node_t::from_json(reference[i].toObject());
        const script_node_spt& got = list.value[i];
        QCOMPARE(got->id, expected->id);
        QCOMPARE(got->speechContentKeywords, expected->speechContentKeywords);
        QCOMPARE(got->speechContent, expected->speechContent);
        QCOMPARE(got->sort, expected->sort);
        QCOMPARE(got->deptId, expected->deptId);
        QCOMPARE(got->classifyType, expected->classifyType);
        QCOMPARE(got->customShortcuts, expected->customShortcuts);
        QCOMPARE(got->lastUpdateDate, expected->lastUpdateDate);
    }
}

QTEST_GUILESS_MAIN(test_reply_checks)
#include "test_reply_checks.moc"
