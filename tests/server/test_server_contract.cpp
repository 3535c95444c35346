// The replies of quorvel-server, checked the way the client checks them.
#include "server_fixture.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QtTest>
#include <algorithm>
#include <functional>

namespace {

// Departments of the demo organisation.
const QString presale = "3";
const QString aftersale = "4";
const QString sales = "5";

QString attachments_marker() {
    return QStringLiteral("{7B102D60-2316-4F07-8A66-B3AE3DEFA985}");
}

// The members the client's checks require of every record.
const QStringList category_keys = {
    "id",           "superId", "classifyName",   "deptId", "clientBusinessType",
    "classifyType", "sort",    "whetherToUnfold"};
const QStringList script_keys = {
    "id", "speechContentKeywords", "speechContent", "sort", "deptId", "classifyId", "classifyType"};

} // namespace

class test_server_contract : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void every_endpoint_answers_with_an_envelope_data();
    void every_endpoint_answers_with_an_envelope();
    void login_and_tokens();
    void profile_carries_roles_and_department_rights();
    void category_operations();
    void category_copy_and_move_take_subtree_and_items();
    void script_operations();
    void sticker_operations();
    void sticker_category_requests_of_the_sticker_page();
    void document_operations_and_file_store();
    void attachments_category_is_open_to_everybody();
    void document_search_data();
    void document_search();
    void document_dialog_requests();
    void phrases_and_quick_replies();
    void client_endpoints();
    void start_page_needs_no_login();
    void rights_matrix_data();
    void rights_matrix();
    void other_users_items_stay_hidden();
    void bad_input_data();
    void bad_input();
    void bad_uploads_data();
    void bad_uploads();
    void oversized_body_is_refused_with_413();
    void repeated_reads_follow_every_change();
    void category_levels_are_bounded();
    void sibling_lists_name_each_sibling_once_data();
    void sibling_lists_name_each_sibling_once();
    void members_of_wrong_type_or_size_are_refused_data();
    void members_of_wrong_type_or_size_are_refused();
    void the_clients_own_shapes_pass();
    void invalid_escapes_are_refused_data();
    void invalid_escapes_are_refused();
    void reports_are_private_and_file_ids_unguessable();
    void attachments_are_listed_to_their_author_only();
    void attachments_have_a_quota();
    // Restarts the server: keep it last.
    void phrase_order_and_quick_replies_are_per_user_and_survive_a_restart();

private:
    QString token(const QString& account);
    QJsonObject create_category(const QString& tok, const QString& name, const QString& business,
                                const QString& type, const QString& dept = "",
                                const QString& parent = "-1");
    QJsonObject create_script(const QString& tok, const QString& category, const QString& keywords);
    int category_count(const QString& tok);

    server_fixture server_;
    QHash<QString, QString> tokens_;
};

void test_server_contract::initTestCase() {
    QVERIFY(server_.start());
}

void test_server_contract::cleanupTestCase() {
    server_.stop();
}

QString test_server_contract::token(const QString& account) {
    if (!tokens_.contains(account))
        tokens_[account] = server_.login(account, account + "123");
    return tokens_[account];
}

QJsonObject test_server_contract::create_category(const QString& tok, const QString& name,
                                                  const QString& business, const QString& type,
                                                  const QString& dept, const QString& parent) {
    const auto r = server_.post("/tavorine/clientKb/createClassify",
                                {{"classifyName", name},
                                 {"clientBusinessType", business},
                                 {"classifyType", type},
                                 {"superiorId", parent},
                                 {"deptId", dept}},
                                tok);
    return r.code() == 200 ? r.data().toObject() : QJsonObject();
}

QJsonObject test_server_contract::create_script(const QString& tok, const QString& category,
                                                const QString& keywords) {
    const auto r = server_.post("/tavorine/clientKb/createSpeech",
                                {{"classifyId", category},
                                 {"classifyType", ""},
                                 {"deptId", ""},
                                 {"speechContent", "<p>" + keywords + "</p>"},
                                 {"speechContentKeywords", keywords},
                                 {"customShortcuts", "unknown"}},
                                tok);
    return r.code() == 200 ? r.data().toObject() : QJsonObject();
}

int test_server_contract::category_count(const QString& tok) {
    int total = 0;
    for (const char* business : {"300", "310", "320"})
        for (const char* type : {"0", "1"})
            total += server_
                         .post("/tavorine/clientKb/queryClassify",
                               {{"clientBusinessType", business},
                                {"classifyType", type},
                                {"superId", ""},
                                {"classifyName", ""},
                                {"deptId", ""}},
                               tok)
                         .data()
                         .toArray()
                         .size();
    return total;
}

// ---- shapes ----

void test_server_contract::every_endpoint_answers_with_an_envelope_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QJsonObject>("params");
    QTest::addColumn<QString>("data_type");
    QTest::newRow("profile") << "GET"
                             << "loginAccount/getLoginUserData" << QJsonObject() << "object";
    QTest::newRow("tree") << "POST"
                          << "clientKb/getClassifyTree"
                          << QJsonObject{{"clientBusinessType", "310"},
                                         {"classifyType", "0"},
                                         {"deptId", ""}}
                          << "array";
    QTest::newRow("flat") << "POST"
                          << "clientKb/queryClassify"
                          << QJsonObject{{"clientBusinessType", "300"},
                                         {"classifyType", "0"},
                                         {"superId", ""},
                                         {"classifyName", ""},
                                         {"deptId", ""}}
                          << "array";
    QTest::newRow("scripts") << "POST"
                             << "clientKb/querySpeech"
                             << QJsonObject{{"speechContent", ""},
                                            {"speechContentKeywords", ""},
                                            {"classifyId", ""},
                                            {"deptId", ""},
                                            {"classifyType", "2"}}
                             << "array";
    QTest::newRow("stickers") << "POST"
                              << "clientKb/queryEmoji"
                              << QJsonObject{{"classifyId", ""},
                                             {"emojiContentDesc", ""},
                                             {"emojiContentMatchKeywords", ""},
                                             {"emojiType", ""}}
                              << "array";
    QTest::newRow("docs") << "POST"
                          << "clientKb/queryFile"
                          << QJsonObject{{"account", "agent"}, {"classifyId", ""}, {"fileType", ""}}
                          << "array";
    QTest::newRow("doc search") << "POST"
                                << "clientKb/queryFile"
                                << QJsonObject{{"keywords", "手册"}, {"fileType", "0"}} << "array";
    QTest::newRow("phrases") << "GET"
                             << "clientPhrase/list" << QJsonObject() << "array";
    QTest::newRow("quick replies")
        << "GET"
        << "clientOperateHabit/getQuickReplySpeech" << QJsonObject() << "array";
    QTest::newRow("update") << "GET"
                            << "clientGeneral/checkVersionUpdate"
                            << QJsonObject{{"requestNetworkType", "QRV_EXTRANET"}} << "object";
    QTest::newRow("apps") << "GET"
                          << "clientOperateHabit/getAdsorptionList" << QJsonObject() << "array";
    QTest::newRow("manage") << "GET"
                            << "clientGeneral/generatedVisitAddress"
                            << QJsonObject{{"requestNetworkType", "QRV_INTRANET"}} << "string";
}

void test_server_contract::every_endpoint_answers_with_an_envelope() {
    QFETCH(QString, method);
    QFETCH(QString, path);
    QFETCH(QJsonObject, params);
    QFETCH(QString, data_type);
    server_fixture::reply_t r;
    if (method == "GET") {
        QList<QPair<QString, QString>> query;
        for (auto it = params.begin(); it != params.end(); ++it)
            query << qMakePair(it.key(), it.value().toString());
        r = server_.get("/tavorine/" + path, query, token("agent"));
    } else {
        r = server_.post("/tavorine/" + path, params, token("agent"));
    }
    QCOMPARE(r.code(), 200);
    QVERIFY(r.body.value("msg").isString());
    QVERIFY(!r.data().isNull() && !r.data().isUndefined());
    const QJsonValue data = r.data();
    QCOMPARE(data.isArray()    ? QString("array")
             : data.isObject() ? QString("object")
             : data.isString() ? QString("string")
                               : QString("other"),
             data_type);
}

void test_server_contract::login_and_tokens() {
    QVERIFY(!token("agent").isEmpty());
    const auto wrong = server_.post("/tavorine/loginAccount/logInCrm",
                                    {{"account", "agent"}, {"password", "nope"}}, {});
    QVERIFY(wrong.code() != 200 && wrong.code() <= 4399);
    QCOMPARE(wrong.msg(), QStringLiteral("用户名或密码错误"));
    const auto unknown = server_.post("/tavorine/loginAccount/logInCrm",
                                      {{"account", "ghost"}, {"password", "x"}}, {});
    QCOMPARE(unknown.msg(), QStringLiteral("用户名或密码错误"));

    for (const QString& bad : {QString(), QString("0123abcd"), QString(300, 'a')}) {
        const auto r = server_.get("/tavorine/clientPhrase/list", {}, bad);
        QCOMPARE(r.code(), 4401);
        QVERIFY(r.data().isObject());
    }
    // Tokens are stored hashed: the data folder never holds the token itself.
    const QString tok = token("agent");
    QDirIterator it(server_.data_dir(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY2(!f.readAll().contains(tok.toLatin1()), qPrintable(f.fileName()));
    }

    // An expired token asks for a new login.
    server_fixture short_lived;
    QVERIFY(short_lived.start({"--demo", "--token-ttl-seconds", "1"}));
    const QString brief = short_lived.login("agent", "agent123");
    QCOMPARE(short_lived.get("/tavorine/clientPhrase/list", {}, brief).code(), 200);
    QTest::qWait(2100);
    QCOMPARE(short_lived.get("/tavorine/clientPhrase/list", {}, brief).code(), 4401);
    // A new password signs the account out everywhere.
    const QString again = short_lived.login("agent", "agent123");
    QCOMPARE(short_lived.admin({"user", "passwd", "agent", "changed456"}), 0);
    QCOMPARE(short_lived.get("/tavorine/clientPhrase/list", {}, again).code(), 4401);
    QVERIFY(!short_lived.login("agent", "changed456").isEmpty());
}

void test_server_contract::profile_carries_roles_and_department_rights() {
    const auto r = server_.get("/tavorine/loginAccount/getLoginUserData", {}, token("manager"));
    const QJsonObject p = r.data().toObject();
    QCOMPARE(p.value("account").toString(), QString("manager"));
    QVERIFY(p.value("userId").isString());
    QCOMPARE(p.value("adminType").toInt(), 0);
    const QJsonArray roles = p.value("userRoleList").toArray();
    QCOMPARE(roles.size(), 1);
    QVERIFY(roles[0].toObject().value("roleKey").toString().endsWith("zz"));
    QCOMPARE(roles[0].toObject().value("deptRoleDataList").toArray().size(), 3);
    const QJsonObject map = p.value("deptRoleTreeMap").toObject();
    const QJsonArray tree = map.value("deptAllTree").toArray();
    QCOMPARE(tree.size(), 1);
    QCOMPARE(tree[0].toObject().value("label").toString(), QStringLiteral("总部"));
    QCOMPARE(tree[0].toObject().value("children").toArray().size(), 2);
    const QJsonArray rights = map.value("checkDeptDataList").toArray();
    QStringList depts;
    for (const QJsonValue& v : rights) {
        depts << v.toObject().value("deptId").toString();
        QCOMPARE(v.toObject().value("roleKeys").toArray().first().toString(), QString("kfzz"));
    }
    QCOMPARE(depts, (QStringList{"2", presale, aftersale}));

    const QJsonObject admin =
        server_.get("/tavorine/loginAccount/getLoginUserData", {}, token("admin"))
            .data()
            .toObject();
    QCOMPARE(admin.value("adminType").toInt(), 1);
    // Another account's profile only for administrators.
    QCOMPARE(
        server_
            .get("/tavorine/loginAccount/getLoginUserData", {{"account", "agent"}}, token("admin"))
            .data()
            .toObject()
            .value("account")
            .toString(),
        QString("agent"));
    QCOMPARE(
        server_
            .get("/tavorine/loginAccount/getLoginUserData", {{"account", "admin"}}, token("agent"))
            .code(),
        403);
}

// ---- categories ----

void test_server_contract::category_operations() {
    const QString tok = token("manager");
    const QJsonObject parent = create_category(tok, "合同模板", "310", "0");
    for (const QString& key : category_keys)
        QVERIFY2(parent.contains(key), qPrintable(key));
    QVERIFY(parent.value("id").isString());
    QVERIFY(parent.value("sort").isDouble());
    const QJsonObject a = create_category(tok, "子类A", "310", "0", "", parent["id"].toString());
    const QJsonObject b = create_category(tok, "子类B", "310", "0", "", parent["id"].toString());
    QCOMPARE(b["sort"].toInt(), a["sort"].toInt() + 1); // new ones go last
    QCOMPARE(b["superId"].toString(), parent["id"].toString());

    // The nested tree carries children; the flat list only the direct ones.
    const auto tree =
        server_.post("/tavorine/clientKb/getClassifyTree",
                     {{"clientBusinessType", "310"}, {"classifyType", "0"}, {"deptId", ""}}, tok);
    QJsonObject found;
    for (const QJsonValue& v : tree.data().toArray())
        if (v.toObject()["id"] == parent["id"])
            found = v.toObject();
    QCOMPARE(found["children"].toArray().size(), 2);
    const auto flat = server_.post("/tavorine/clientKb/queryClassify",
                                   {{"clientBusinessType", "310"},
                                    {"classifyType", "0"},
                                    {"deptId", ""},
                                    {"superId", parent["id"]},
                                    {"classifyName", ""}},
                                   tok);
    QCOMPARE(flat.data().toArray().size(), 2);

    // Rename keeps the parent and answers with the name.
    auto renamed = server_.post("/tavorine/clientKb/editClassify",
                                {{"id", a["id"]},
                                 {"classifyName", " 子类甲 "},
                                 {"superId", parent["id"]},
                                 {"operateType", "0"},
                                 {"classifyType", "0"},
                                 {"clientBusinessType", "310"},
                                 {"whetherToUnfold", "1"},
                                 {"deptId", ""}},
                                tok);
    QCOMPARE(renamed.data().toObject()["classifyName"].toString(), QStringLiteral("子类甲"));
    QCOMPARE(renamed.data().toObject()["whetherToUnfold"].toInt(), 1);

    // Sorting stores the given order.
    const auto sorted = server_.post("/tavorine/clientKb/updateClassifySort",
                                     {{"id", b["id"]},
                                      {"newSuperId", parent["id"]},
                                      {"siblingIdsInNewOrder", QJsonArray{b["id"], a["id"]}}},
                                     tok);
    QCOMPARE(sorted.code(), 200);
    const QJsonArray reordered = server_
                                     .post("/tavorine/clientKb/queryClassify",
                                           {{"clientBusinessType", "310"},
                                            {"classifyType", "0"},
                                            {"deptId", ""},
                                            {"superId", parent["id"]},
                                            {"classifyName", ""}},
                                           tok)
                                     .data()
                                     .toArray();
    QCOMPARE(reordered[0].toObject()["id"], b["id"]);

    // Deleting takes the subtree and its scripts.
    const QJsonObject script = create_script(tok, a["id"].toString(), "要删除的话术");
    QVERIFY(!script.isEmpty());
    const auto deleted = server_.post("/tavorine/clientKb/editClassify",
                                      {{"id", parent["id"]},
                                       {"operateType", "1"},
                                       {"classifyType", "0"},
                                       {"deptId", ""},
                                       {"clientBusinessType", "310"}},
                                      tok);
    QCOMPARE(deleted.code(), 200);
    QVERIFY(deleted.data().toObject().contains("classifyName"));
    const auto gone =
        server_.post("/tavorine/clientKb/querySpeech", {{"classifyId", a["id"]}}, tok);
    QCOMPARE(gone.code(), 404);
    const auto search =
        server_.post("/tavorine/clientKb/querySpeech",
                     {{"speechContentKeywords", "要删除的话术"}, {"classifyType", "0"}}, tok);
    QCOMPARE(search.data().toArray().size(), 0);
}

void test_server_contract::category_copy_and_move_take_subtree_and_items() {
    const QString tok = token("manager");
    const QJsonObject root = create_category(tok, "复制源", "310", "0");
    const QJsonObject child =
        create_category(tok, "复制源子类", "310", "0", "", root["id"].toString());
    create_script(tok, root["id"].toString(), "源话术1");
    create_script(tok, child["id"].toString(), "源话术2");

    // Copy into the presale department: new ids, items along.
    const auto copy = server_.post("/tavorine/clientKb/editClassify",
                                   {{"id", root["id"]},
                                    {"operateType", "2"},
                                    {"classifyType", "2"},
                                    {"deptId", presale},
                                    {"superId", "-1"},
                                    {"sort", "1"},
                                    {"clientBusinessType", "310"}},
                                   tok);
    QCOMPARE(copy.code(), 200);
    const QJsonObject copied = copy.data().toObject();
    QVERIFY(copied["id"] != root["id"]);
    QCOMPARE(copied["classifyType"].toString(), QString("2"));
    QCOMPARE(copied["deptId"].toString(), presale);
    const QJsonArray dept_scripts =
        server_
            .post("/tavorine/clientKb/querySpeech",
                  {{"classifyType", "2"}, {"deptId", presale}, {"speechContentKeywords", "源话术"}},
                  tok)
            .data()
            .toArray();
    QCOMPARE(dept_scripts.size(), 2);

    // Move the original into the personal library: same id, subtree follows, public loses it.
    const auto move = server_.post("/tavorine/clientKb/editClassify",
                                   {{"id", root["id"]},
                                    {"operateType", "3"},
                                    {"classifyType", "1"},
                                    {"deptId", "-1"},
                                    {"superId", "-1"},
                                    {"clientBusinessType", "310"}},
                                   tok);
    QCOMPARE(move.code(), 200);
    QCOMPARE(move.data().toObject()["id"], root["id"]);
    const QJsonArray mine =
        server_
            .post("/tavorine/clientKb/querySpeech",
                  {{"classifyType", "1"}, {"speechContentKeywords", "源话术"}}, tok)
            .data()
            .toArray();
    QCOMPARE(mine.size(), 2);
    const QJsonArray still_public =
        server_
            .post("/tavorine/clientKb/querySpeech",
                  {{"classifyType", "0"}, {"speechContentKeywords", "源话术"}}, tok)
            .data()
            .toArray();
    QCOMPARE(still_public.size(), 0);
    // Never into its own subtree.
    const auto loop = server_.post("/tavorine/clientKb/editClassify",
                                   {{"id", root["id"]},
                                    {"operateType", "3"},
                                    {"classifyType", "1"},
                                    {"superId", child["id"]},
                                    {"clientBusinessType", "310"}},
                                   tok);
    QVERIFY(loop.code() != 200 && loop.code() < 4400);
}

// ---- scripts ----

void test_server_contract::script_operations() {
    const QString tok = token("agent");
    const QJsonObject cat = create_category(tok, "话术测试", "310", "1");
    const QJsonObject other = create_category(tok, "话术目标", "310", "1");
    const QJsonObject s1 = create_script(tok, cat["id"].toString(), "${#ff0000}第一条");
    const QJsonObject s2 = create_script(tok, cat["id"].toString(), "第二条");
    for (const QString& key : script_keys)
        QVERIFY2(s1.contains(key), qPrintable(key));
    QVERIFY(s1["sort"].isDouble());
    QCOMPARE(s2["sort"].toInt(), s1["sort"].toInt() + 1);
    QCOMPARE(s1["creatorAccount"].toString(), QString("agent"));

    auto change = server_.post("/tavorine/clientKb/editSpeech",
                               {{"id", s1["id"]},
                                {"operateType", "0"},
                                {"classifyId", cat["id"]},
                                {"classifyType", "1"},
                                {"deptId", ""},
                                {"speechContent", "<p>新内容 ${日期}</p>"},
                                {"speechContentKeywords", "改过的"},
                                {"customShortcuts", "unknown"}},
                               tok);
    QCOMPARE(change.data().toObject()["speechContent"].toString(),
             QStringLiteral("<p>新内容 ${日期}</p>"));
    QCOMPARE(change.data().toObject()["id"], s1["id"]);

    const auto copy = server_.post(
        "/tavorine/clientKb/editSpeech",
        {{"id", s1["id"]}, {"operateType", "3"}, {"classifyId", other["id"]}, {"deptId", ""}}, tok);
    QCOMPARE(copy.code(), 200);
    const auto move = server_.post(
        "/tavorine/clientKb/editSpeech",
        {{"id", s2["id"]}, {"operateType", "4"}, {"classifyId", other["id"]}, {"deptId", ""}}, tok);
    QCOMPARE(move.code(), 200);
    QJsonArray in_other =
        server_.post("/tavorine/clientKb/querySpeech", {{"classifyId", other["id"]}}, tok)
            .data()
            .toArray();
    QCOMPARE(in_other.size(), 2);
    const QString copy_id = copy.data().toObject()["id"].toString();
    QVERIFY(copy_id != s1["id"].toString());

    // Drag and drop: the given order is kept.
    const auto sort = server_.post("/tavorine/clientKb/updateSpeechSort",
                                   {{"id", s2["id"]},
                                    {"newClassifyId", other["id"]},
                                    {"siblingIdsInNewOrder", QJsonArray{s2["id"], copy_id}}},
                                   tok);
    QCOMPARE(sort.code(), 200);
    in_other = server_.post("/tavorine/clientKb/querySpeech", {{"classifyId", other["id"]}}, tok)
                   .data()
                   .toArray();
    QCOMPARE(in_other[0].toObject()["id"], s2["id"]);

    const auto del = server_.post(
        "/tavorine/clientKb/editSpeech",
        {{"id", s2["id"]}, {"operateType", "1"}, {"deptId", ""}, {"classifyId", other["id"]}}, tok);
    QCOMPARE(del.code(), 200);
    QVERIFY(del.body.contains("data"));
    QCOMPARE(server_.post("/tavorine/clientKb/querySpeech", {{"classifyId", other["id"]}}, tok)
                 .data()
                 .toArray()
                 .size(),
             1);

    // LIKE's wildcards in a search are plain text.
    QCOMPARE(server_
                 .post("/tavorine/clientKb/querySpeech",
                       {{"speechContentKeywords", "%"}, {"classifyType", "1"}}, tok)
                 .data()
                 .toArray()
                 .size(),
             0);
    // Search covers keywords and content.
    const QJsonArray found =
        server_
            .post("/tavorine/clientKb/querySpeech",
                  {{"speechContentKeywords", "新内容"}, {"classifyType", "1"}}, tok)
            .data()
            .toArray();
    QCOMPARE(found.size(), 2);
}

// ---- stickers ----

void test_server_contract::sticker_operations() {
    const QString tok = token("agent");
    const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a") + QByteArray(100, 'x');
    const auto up = server_.upload("/tavorine/nas/userUploadFileDirect",
                                   "C:\\Users\\李\\图片\\笑脸.png", png, tok);
    QCOMPARE(up.code(), 200);
    const QJsonObject file = up.data().toObject();
    QVERIFY(file["id"].isString());
    QCOMPARE(
        file["sha256Hex"].toString(),
        QString::fromLatin1(QCryptographicHash::hash(png, QCryptographicHash::Sha256).toHex()));
    QCOMPARE(file["localFileName"].toString(), QStringLiteral("笑脸"));
    QCOMPARE(file["fileSuffix"].toString(), QString("png"));

    const QJsonObject cat = create_category(tok, "测试表情", "300", "1");
    const auto add = server_.post("/tavorine/clientKb/createEmoji",
                                  {{"emojiType", "3"},
                                   {"fileId", file["id"]},
                                   {"emojiContent", ""},
                                   {"deptId", ""},
                                   {"emojiContentDesc", "笑脸"},
                                   {"emojiContentMatchKeywords", "笑脸"},
                                   {"classifyId", cat["id"]}},
                                  tok);
    QCOMPARE(add.code(), 200);
    const QJsonObject sticker = add.data().toObject();
    QCOMPARE(sticker["nasFile"].toObject()["sha256Hex"], file["sha256Hex"]);
    QCOMPARE(sticker["fileId"], file["id"]);
    QCOMPARE(sticker["emojiType"].toString(), QString("3"));

    const auto change = server_.post("/tavorine/clientKb/editEmoji",
                                     {{"id", sticker["id"]},
                                      {"operateType", "0"},
                                      {"classifyId", cat["id"]},
                                      {"fileId", file["id"]},
                                      {"emojiContent", ""},
                                      {"emojiType", "3"},
                                      {"emojiContentDesc", "大笑"},
                                      {"emojiContentMatchKeywords", "大笑"},
                                      {"deptId", "-1"}},
                                     tok);
    QCOMPARE(change.data().toObject()["emojiContentDesc"].toString(), QStringLiteral("大笑"));
    const QJsonObject target = create_category(tok, "表情目标", "300", "1");
    const auto copy = server_.post(
        "/tavorine/clientKb/editEmoji",
        {{"id", sticker["id"]}, {"operateType", "2"}, {"classifyId", target["id"]}, {"deptId", ""}},
        tok);
    QCOMPARE(copy.data().toObject()["classifyId"], target["id"]);
    const auto move = server_.post(
        "/tavorine/clientKb/editEmoji",
        {{"id", sticker["id"]}, {"operateType", "3"}, {"classifyId", target["id"]}, {"deptId", ""}},
        tok);
    QCOMPARE(move.code(), 200);
    const QJsonArray listed = server_
                                  .post("/tavorine/clientKb/queryEmoji",
                                        {{"classifyId", target["id"]},
                                         {"emojiContentDesc", ""},
                                         {"emojiContentMatchKeywords", ""},
                                         {"emojiType", ""}},
                                        tok)
                                  .data()
                                  .toArray();
    QCOMPARE(listed.size(), 2);
    const auto del = server_.post(
        "/tavorine/clientKb/editEmoji",
        {{"id", sticker["id"]}, {"operateType", "1"}, {"classifyId", target["id"]}}, tok);
    QCOMPARE(del.code(), 200);

    // The demo stickers all have their image in the file store.
    const QJsonArray all = server_.post("/tavorine/clientKb/queryEmoji", {}, tok).data().toArray();
    QVERIFY(all.size() >= 30);
    int status = 0;
    const QJsonObject first = all[0].toObject();
    const QByteArray image = server_.download(
        "/tavorine/nas/downloadFileById?fileId=" + first["fileId"].toString(), tok, &status);
    QCOMPARE(status, 200);
    QCOMPARE(
        QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex()),
        first["nasFile"].toObject()["sha256Hex"].toString());
}

// What the sticker page's category dialogs send, as they send it.
void test_server_contract::sticker_category_requests_of_the_sticker_page() {
    const QString tok = token("manager");
    const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a") + QByteArray(64, 'y');
    const QJsonObject file =
        server_.upload("/tavorine/nas/userUploadFileDirect", "心.png", png, tok).data().toObject();
    const QJsonObject source = create_category(tok, "表情源", "300", "1");
    QCOMPARE(source["superId"].toString(), QString("-1"));
    QCOMPARE(source["clientBusinessType"].toString(), QString("300"));
    const auto add = server_.post("/tavorine/clientKb/createEmoji",
                                  {{"emojiType", "3"},
                                   {"fileId", file["id"]},
                                   {"emojiContent", ""},
                                   {"deptId", ""},
                                   {"emojiContentDesc", "心"},
                                   {"emojiContentMatchKeywords", "心"},
                                   {"classifyId", source["id"]}},
                                  tok);
    QCOMPARE(add.code(), 200);
    const auto list = [&](const QJsonValue& category) {
        return server_
            .post("/tavorine/clientKb/queryEmoji",
                  {{"classifyId", category},
                   {"emojiContentDesc", ""},
                   {"emojiContentMatchKeywords", ""},
                   {"emojiType", ""}},
                  tok)
            .data()
            .toArray();
    };
    const auto transfer = [&](const QString& op, const QString& type, const QString& dept) {
        return server_.post("/tavorine/clientKb/editClassify",
                            {{"id", source["id"]},
                             {"classifyType", type},
                             {"clientBusinessType", "300"},
                             {"deptId", dept},
                             {"superId", "-1"},
                             {"sort", "0"},
                             {"operateType", op}},
                            tok);
    };

    // Copied into a department: a new top-level category with copies of the
    // stickers, each naming its file so the client can fetch it.
    const auto copy = transfer("2", "2", presale);
    QCOMPARE(copy.code(), 200);
    const QJsonObject copied = copy.data().toObject();
    QVERIFY(copied["id"] != source["id"]);
    QCOMPARE(copied["deptId"].toString(), presale);
    QCOMPARE(copied["superId"].toString(), QString("-1"));
    const QJsonArray copies = list(copied["id"]);
    QCOMPARE(copies.size(), 1);
    QCOMPARE(copies[0].toObject()["fileId"], file["id"]);
    QCOMPARE(copies[0].toObject()["nasFile"].toObject()["sha256Hex"], file["sha256Hex"]);
    QCOMPARE(copies[0].toObject()["classifyType"].toString(), QString("2"));

    // Moved into the public part: same id, stickers along.
    const auto move = transfer("3", "0", "-1");
    QCOMPARE(move.code(), 200);
    QCOMPARE(move.data().toObject()["id"], source["id"]);
    QCOMPARE(move.data().toObject()["classifyType"].toString(), QString("0"));
    QCOMPARE(list(source["id"]).size(), 1);

    // Renamed and deleted as the shared category dialogs send it.
    const auto rename = server_.post("/tavorine/clientKb/editClassify",
                                     {{"id", source["id"]},
                                      {"classifyName", "表情改名"},
                                      {"superId", "-1"},
                                      {"operateType", "0"},
                                      {"classifyType", "0"},
                                      {"clientBusinessType", "300"},
                                      {"whetherToUnfold", "0"},
                                      {"deptId", ""}},
                                     tok);
    QCOMPARE(rename.data().toObject()["classifyName"].toString(), QStringLiteral("表情改名"));
    const auto removed = server_.post("/tavorine/clientKb/editClassify",
                                      {{"id", source["id"]},
                                       {"operateType", "1"},
                                       {"classifyType", "0"},
                                       {"deptId", ""},
                                       {"clientBusinessType", "300"}},
                                      tok);
    QCOMPARE(removed.code(), 200);
    QVERIFY(list(source["id"]).isEmpty()); // its stickers went with it
}

// ---- documents ----

void test_server_contract::document_operations_and_file_store() {
    const QString tok = token("agent");
    QByteArray content;
    for (int i = 0; i < 20000; ++i)
        content += "第" + QByteArray::number(i) + "行\n";
    const auto up =
        server_.upload("/tavorine/nas/userUploadFileDirect", "/home/li/报价单.TXT", content, tok);
    QCOMPARE(up.code(), 200);
    const QString file_id = up.data().toObject()["id"].toString();
    QCOMPARE(up.data().toObject()["fileSize"].toVariant().toLongLong(), content.size());

    const QJsonObject cat = create_category(tok, "测试文档", "320", "1");
    const auto save = server_.post("/tavorine/clientKb/createFile",
                                   {{"classifyId", cat["id"]},
                                    {"fileName", "报价单"},
                                    {"fileSuffix", "txt"},
                                    {"fileSize", content.size()},
                                    {"keywords", "报价"},
                                    {"customShortcuts", "unknown"},
                                    {"fileType", "3"},
                                    {"fileId", file_id}},
                                   tok);
    QCOMPARE(save.code(), 200);
    const QJsonObject doc = save.data().toObject();
    QCOMPARE(doc["nasFile"].toObject()["id"].toString(), file_id);
    QCOMPARE(
        doc["sha256Hex"].toString(),
        QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex()));

    const auto info =
        server_.get("/tavorine/nas/getNasFileMappingInfo", {{"fileId", file_id}}, tok);
    QCOMPARE(info.data().toObject()["sha256Hex"], doc["sha256Hex"]);
    int status = 0;
    QCOMPARE(server_.download("/tavorine/nas/downloadFileById?fileId=" + file_id, tok, &status),
             content);
    QCOMPARE(status, 200);

    const auto change = server_.post("/tavorine/clientKb/editFile",
                                     {{"operateType", "0"},
                                      {"id", doc["id"]},
                                      {"classifyId", cat["id"]},
                                      {"fileContent", ""},
                                      {"fileName", "新报价单"},
                                      {"fileSuffix", "txt"},
                                      {"fileSize", content.size()},
                                      {"fileType", "3"},
                                      {"taskId", ""},
                                      {"keywords", "报价"},
                                      {"customShortcuts", "unknown"},
                                      {"fileId", file_id}},
                                     tok);
    QCOMPARE(change.data().toObject()["fileName"].toString(), QStringLiteral("新报价单"));
    const QJsonObject target = create_category(tok, "文档目标", "320", "1");
    const auto copy =
        server_.post("/tavorine/clientKb/editFile",
                     {{"operateType", "1"}, {"id", doc["id"]}, {"classifyId", target["id"]}}, tok);
    QCOMPARE(copy.data().toObject()["classifyId"], target["id"]);
    const auto second =
        server_.post("/tavorine/clientKb/editFile",
                     {{"operateType", "2"}, {"id", doc["id"]}, {"classifyId", target["id"]}}, tok);
    QCOMPARE(second.data().toObject()["id"], doc["id"]);
    const auto top =
        server_.post("/tavorine/clientKb/editFile",
                     {{"operateType", "4"}, {"id", doc["id"]}, {"classifyId", target["id"]}}, tok);
    QCOMPARE(top.code(), 200);
    QJsonArray listed =
        server_.post("/tavorine/clientKb/queryFile", {{"classifyId", target["id"]}}, tok)
            .data()
            .toArray();
    QCOMPARE(listed[0].toObject()["id"], doc["id"]);
    server_.post("/tavorine/clientKb/editFile",
                 {{"operateType", "5"}, {"id", doc["id"]}, {"classifyId", target["id"]}}, tok);
    listed = server_.post("/tavorine/clientKb/queryFile", {{"classifyId", target["id"]}}, tok)
                 .data()
                 .toArray();
    QCOMPARE(listed[1].toObject()["id"], doc["id"]);
    const auto del =
        server_.post("/tavorine/clientKb/editFile",
                     {{"operateType", "3"}, {"id", doc["id"]}, {"classifyId", target["id"]}}, tok);
    QCOMPARE(del.code(), 200);
    QCOMPARE(server_.post("/tavorine/clientKb/queryFile", {{"classifyId", target["id"]}}, tok)
                 .data()
                 .toArray()
                 .size(),
             1);

    // Search by keyword over every visible document.
    const QJsonArray search = server_
                                  .post("/tavorine/clientKb/queryFile",
                                        {{"classifyId", ""},
                                         {"deptId", ""},
                                         {"account", "agent"},
                                         {"fileName", ""},
                                         {"fileSuffix", ""},
                                         {"fileType", "0"},
                                         {"taskId", ""},
                                         {"keywords", "手册"},
                                         {"customShortcuts", ""}},
                                        tok)
                                  .data()
                                  .toArray();
    QVERIFY(search.size() >= 1);
}

// The page's search body: the text as keywords, every other key empty.
void test_server_contract::document_search_data() {
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QStringList>("expected"); // names that must be found
    QTest::addColumn<QStringList>("absent");   // names that must not
    QTest::newRow("chinese part of the name")
        << "价目" << QStringList{"产品价目表"} << QStringList{"退换货政策"};
    QTest::newRow("full pinyin") << "tuihuan" << QStringList{"退换货政策"}
                                 << QStringList{"产品价目表"};
    QTest::newRow("initials") << "thhzc" << QStringList{"退换货政策"} << QStringList{"常见问题"};
    QTest::newRow("pinyin in upper case")
        << "TuiHuan" << QStringList{"退换货政策"} << QStringList{};
    QTest::newRow("latin keywords, other case")
        << "quorvel-faq" << QStringList{"常见问题"} << QStringList{"产品价目表"};
    QTest::newRow("empty: everything")
        << "" << QStringList{"产品价目表", "退换货政策", "常见问题"} << QStringList{};
    QTest::newRow("no match") << "zzzqqq" << QStringList{} << QStringList{"产品价目表"};
}

void test_server_contract::document_search() {
    QFETCH(QString, keywords);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, absent);
    const QString tok = token("agent");
    // Latin keywords to search in another case (the category is public: the
    // administrator's to change).
    const QJsonArray all =
        server_.post("/tavorine/clientKb/queryFile", {{"account", "agent"}}, tok).data().toArray();
    for (const QJsonValue& v : all)
        if (v.toObject()["fileName"].toString() == QStringLiteral("常见问题") &&
            v.toObject()["keywords"].toString() != QStringLiteral("Quorvel-FAQ 常见问题"))
            QCOMPARE(server_
                         .post("/tavorine/clientKb/editFile",
                               {{"operateType", "0"},
                                {"id", v.toObject()["id"]},
                                {"keywords", "Quorvel-FAQ 常见问题"}},
                               token("admin"))
                         .code(),
                     200);
    const auto reply = server_.post("/tavorine/clientKb/queryFile",
                                    {{"classifyId", ""},
                                     {"deptId", ""},
                                     {"account", "agent"},
                                     {"fileName", ""},
                                     {"fileSuffix", ""},
                                     {"fileType", "0"},
                                     {"taskId", ""},
                                     {"keywords", keywords},
                                     {"customShortcuts", ""}},
                                    tok);
    QCOMPARE(reply.code(), 200);
    QStringList names;
    for (const QJsonValue& v : reply.data().toArray())
        names << v.toObject()["fileName"].toString();
    for (const QString& name : expected)
        QVERIFY2(names.contains(name), qPrintable(name + " missing from " + names.join(",")));
    for (const QString& name : absent)
        QVERIFY2(!names.contains(name), qPrintable(name + " found in " + names.join(",")));
}

// What the document dialogs send: the category dialogs' bodies for document
// categories (a deleted category takes its documents), and the edit body
// with a file name the client's field would refuse.
void test_server_contract::document_dialog_requests() {
    const QString tok = token("agent");
    // The new-category dialog's body is the helper's: name, business type,
    // part, parent, no department.
    const QJsonObject cat = create_category(tok, "对话框分类", "320", "1");
    QCOMPARE(cat["clientBusinessType"].toString(), QStringLiteral("320"));
    const QJsonObject sub = create_category(tok, "子分类", "320", "1", "", cat["id"].toString());
    QCOMPARE(sub["superId"], cat["id"]);

    const auto renamed = server_.post("/tavorine/clientKb/editClassify",
                                      {{"operateType", "0"},
                                       {"id", cat["id"]},
                                       {"classifyName", "改名分类"},
                                       {"superId", "-1"},
                                       {"classifyType", "1"},
                                       {"whetherToUnfold", "0"},
                                       {"clientBusinessType", "320"},
                                       {"deptId", ""}},
                                      tok);
    QCOMPARE(renamed.code(), 200);
    QCOMPARE(renamed.data().toObject()["classifyName"].toString(), QStringLiteral("改名分类"));

    const auto up =
        server_.upload("/tavorine/nas/userUploadFileDirect", "/tmp/价目.zip", "PK\x03\x04", tok);
    const auto saved = server_.post("/tavorine/clientKb/createFile",
                                    {{"classifyId", sub["id"]},
                                     {"fileName", "价目"},
                                     {"fileSuffix", "zip"},
                                     {"fileSize", 4},
                                     {"keywords", "价目.zip"},
                                     {"customShortcuts", "unknown"},
                                     {"fileType", "3"},
                                     {"fileId", up.data().toObject()["id"]}},
                                    tok);
    QCOMPARE(saved.code(), 200);
    const QJsonObject doc = saved.data().toObject();
    for (const char* name : {"a?b", "a/b", "a:b", "a*b", "a|b", "a\\b", "a<b", "a>b", "a\"b"}) {
        const auto refused = server_.post("/tavorine/clientKb/editFile",
                                          {{"operateType", "0"},
                                           {"id", doc["id"]},
                                           {"classifyId", doc["classifyId"]},
                                           {"fileName", name},
                                           {"keywords", "k"}},
                                          tok);
        QVERIFY2(refused.code() == 400, name);
    }

    const auto removed = server_.post("/tavorine/clientKb/editClassify",
                                      {{"operateType", "1"},
                                       {"classifyType", "1"},
                                       {"deptId", ""},
                                       {"clientBusinessType", "320"},
                                       {"id", cat["id"]}},
                                      tok);
    QCOMPARE(removed.code(), 200);
    const QJsonArray left =
        server_.post("/tavorine/clientKb/queryFile", {{"classifyId", sub["id"]}}, tok)
            .data()
            .toArray();
    QCOMPARE(left.size(), 0);
}

void test_server_contract::attachments_category_is_open_to_everybody() {
    const QString agent = token("agent");
    const QJsonObject params{{"classifyName", attachments_marker()},
                             {"clientBusinessType", "320"},
                             {"classifyType", "0"},
                             {"superiorId", "-1"},
                             {"deptId", "-1"}};
    const auto first = server_.post("/tavorine/clientKb/createClassify", params, agent);
    QCOMPARE(first.code(), 200);
    const auto again = server_.post("/tavorine/clientKb/createClassify", params, token("manager"));
    QCOMPARE(again.data().toObject()["id"], first.data().toObject()["id"]); // one for everybody

    const auto up = server_.upload("/tavorine/nas/publicUploadFileDirect", "D:\\图\\附件.pdf",
                                   "%PDF-1.4 demo", agent);
    QCOMPARE(up.code(), 200);
    const auto save = server_.post("/tavorine/clientKb/createFile",
                                   {{"classifyId", first.data().toObject()["id"]},
                                    {"fileContent", ""},
                                    {"fileId", up.data().toObject()["id"]},
                                    {"fileName", "附件"},
                                    {"fileSuffix", "pdf"},
                                    {"fileSize", 13},
                                    {"fileType", "3"},
                                    {"keywords", "附件"},
                                    {"customShortcuts", "known"}},
                                   agent);
    QCOMPARE(save.code(), 200);
    // Other public document categories stay closed to agents.
    const auto closed = server_.post("/tavorine/clientKb/createClassify",
                                     {{"classifyName", "普通公共"},
                                      {"clientBusinessType", "320"},
                                      {"classifyType", "0"},
                                      {"superiorId", "-1"},
                                      {"deptId", ""}},
                                     agent);
    QCOMPARE(closed.code(), 403);
}

// ---- phrases, quick replies, client ----

void test_server_contract::phrases_and_quick_replies() {
    const QString tok = token("manager");
    const auto added =
        server_.post("/tavorine/clientPhrase/add", {{"phraseContent", "稍等片刻"}}, tok);
    const QJsonObject phrase = added.data().toObject();
    for (const char* key : {"id", "phraseContent", "sort", "validStatus"})
        QVERIFY(phrase.contains(key));
    const QJsonArray before = server_.get("/tavorine/clientPhrase/list", {}, tok).data().toArray();
    QJsonArray reversed;
    for (int i = before.size() - 1; i >= 0; --i)
        reversed.append(before[i].toObject()["id"]);
    const auto sorted =
        server_.post("/tavorine/clientPhrase/sort", {{"siblingIdsInNewOrder", reversed}}, tok);
    QCOMPARE(sorted.data().toArray().first().toObject()["id"], phrase["id"]);
    QCOMPARE(
        server_.get("/tavorine/clientPhrase/del", {{"id", phrase["id"].toString()}}, tok).code(),
        200);
    QCOMPARE(server_.get("/tavorine/clientPhrase/list", {}, tok).data().toArray().size(),
             before.size() - 1);
    // Phrases belong to their user.
    const QString agent_phrase = server_.get("/tavorine/clientPhrase/list", {}, token("agent"))
                                     .data()
                                     .toArray()[0]
                                     .toObject()["id"]
                                     .toString();
    QCOMPARE(server_.get("/tavorine/clientPhrase/del", {{"id", agent_phrase}}, tok).code(), 404);

    const QJsonArray scripts =
        server_.post("/tavorine/clientKb/querySpeech", {{"classifyType", "0"}}, tok)
            .data()
            .toArray();
    const QJsonArray ids{scripts[0].toObject()["id"], scripts[1].toObject()["id"]};
    QCOMPARE(
        server_.post("/tavorine/clientOperateHabit/saveQuickReply", {{"speechIdList", ids}}, tok)
            .code(),
        200);
    const QJsonArray quick =
        server_.get("/tavorine/clientOperateHabit/getQuickReplySpeech", {}, tok).data().toArray();
    QCOMPARE(quick.size(), 2);
    for (const char* key : {"id", "speechId", "classifyId", "deptId", "classifyType"})
        QVERIFY(quick[0].toObject().contains(key));
}

// The client's "官网" opens the server's start page by default.
void test_server_contract::start_page_needs_no_login() {
    int status = 0;
    const QString page = QString::fromUtf8(server_.download("/", QString(), &status));
    QCOMPARE(status, 200);
    QVERIFY2(page.contains("<title>Quorvel</title>"), qPrintable(page));
    QVERIFY(page.contains("<a href=\"/manage\">"));
}

void test_server_contract::client_endpoints() {
    const QString tok = token("agent");
    QCOMPARE(server_
                 .get("/tavorine/clientGeneral/checkVersionUpdate",
                      {{"requestNetworkType", "QRV_EXTRANET"}}, tok)
                 .data()
                 .toObject(),
             QJsonObject());
    const QJsonArray apps =
        server_.get("/tavorine/clientOperateHabit/getAdsorptionList", {}, tok).data().toArray();
    QCOMPARE(apps.size(), 2);
    QStringList names;
    for (const QJsonValue& v : apps)
        names << v.toObject()["operateHabitKey"].toString();
    QVERIFY(names.contains(QStringLiteral("微信")) && names.contains(QStringLiteral("企业微信")));
    const QString page =
        server_.get("/tavorine/clientGeneral/generatedVisitAddress", {}, tok).data().toString();
    QVERIFY(page.startsWith(server_.base_url()));

    // An update offered by the administrator.
    QTemporaryFile installer;
    QVERIFY(installer.open());
    installer.write("installer");
    installer.flush();
    QCOMPARE(server_.admin({"update", "set", "1.2.0.0", installer.fileName(), "--force", "--notes",
                            "修复问题"}),
             0);
    const QJsonObject update =
        server_.get("/tavorine/clientGeneral/checkVersionUpdate", {}, tok).data().toObject();
    QCOMPARE(update["latestVersion"].toString(), QString("1.2.0.0"));
    QCOMPARE(update["isForceUpdate"].toBool(), true);
    QCOMPARE(update["sha256"].toString(),
             QString::fromLatin1(
                 QCryptographicHash::hash("installer", QCryptographicHash::Sha256).toHex()));
    int status = 0;
    QCOMPARE(
        server_.download("/tavorine/nas/downloadFileById?fileId=" + update["fileId"].toString(),
                         tok, &status),
        QByteArray("installer"));
    QCOMPARE(server_.admin({"update", "clear"}), 0);
}

// ---- rights ----

void test_server_contract::rights_matrix_data() {
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("dept");
    QTest::addColumn<int>("read_code");
    QTest::addColumn<int>("write_code");
    //                                 account    part dept       read  write
    QTest::newRow("none public") << ""
                                 << "0"
                                 << "" << 4401 << 4401;
    QTest::newRow("agent public") << "agent"
                                  << "0"
                                  << "" << 200 << 403;
    QTest::newRow("manager public") << "manager"
                                    << "0"
                                    << "" << 200 << 200;
    QTest::newRow("admin public") << "admin"
                                  << "0"
                                  << "" << 200 << 200;
    QTest::newRow("agent personal") << "agent"
                                    << "1"
                                    << "" << 200 << 200;
    QTest::newRow("manager personal") << "manager"
                                      << "1"
                                      << "" << 200 << 200;
    QTest::newRow("none department") << ""
                                     << "2" << presale << 4401 << 4401;
    QTest::newRow("agent own department") << "agent"
                                          << "2" << presale << 200 << 403;
    QTest::newRow("agent other department") << "agent"
                                            << "2" << aftersale << 403 << 403;
    QTest::newRow("manager managed department") << "manager"
                                                << "2" << aftersale << 200 << 200;
    QTest::newRow("manager foreign department") << "manager"
                                                << "2" << sales << 403 << 403;
    QTest::newRow("admin any department") << "admin"
                                          << "2" << sales << 200 << 200;
}

void test_server_contract::rights_matrix() {
    QFETCH(QString, account);
    QFETCH(QString, type);
    QFETCH(QString, dept);
    QFETCH(int, read_code);
    QFETCH(int, write_code);
    const QString tok = account.isEmpty() ? QString() : token(account);
    const auto read = server_.post(
        "/tavorine/clientKb/getClassifyTree",
        {{"clientBusinessType", "310"}, {"classifyType", type}, {"deptId", dept}}, tok);
    QCOMPARE(read.code(), read_code);
    const auto write = server_.post("/tavorine/clientKb/createClassify",
                                    {{"classifyName", "权限测试"},
                                     {"clientBusinessType", "310"},
                                     {"classifyType", type},
                                     {"superiorId", "-1"},
                                     {"deptId", dept}},
                                    tok);
    QCOMPARE(write.code(), write_code);
    if (read_code == 200 && !tok.isEmpty()) {
        // Scripts follow their category's rights too.
        const QJsonArray tree = read.data().toArray();
        if (!tree.isEmpty()) {
            const auto change = server_.post("/tavorine/clientKb/createSpeech",
                                             {{"classifyId", tree[0].toObject()["id"]},
                                              {"speechContent", "x"},
                                              {"speechContentKeywords", "x"}},
                                             tok);
            QCOMPARE(change.code(), write_code);
        }
    }
}

void test_server_contract::other_users_items_stay_hidden() {
    const QString manager = token("manager");
    const QString agent = token("agent");
    const QJsonObject secret = create_category(manager, "主管私有", "310", "1");
    const QJsonObject script = create_script(manager, secret["id"].toString(), "主管的秘密");
    QVERIFY(!script.isEmpty());
    const int before = category_count(manager);

    QCOMPARE(server_.post("/tavorine/clientKb/querySpeech", {{"classifyId", secret["id"]}}, agent)
                 .code(),
             404);
    QCOMPARE(server_
                 .post("/tavorine/clientKb/querySpeech", {{"speechContentKeywords", "主管的秘密"}},
                       agent)
                 .data()
                 .toArray()
                 .size(),
             0);
    for (const char* op : {"0", "1", "2", "3"}) {
        const auto r = server_.post("/tavorine/clientKb/editClassify",
                                    {{"id", secret["id"]},
                                     {"operateType", op},
                                     {"classifyName", "偷改"},
                                     {"classifyType", "1"},
                                     {"superId", "-1"},
                                     {"clientBusinessType", "310"}},
                                    agent);
        QCOMPARE(r.code(), 404);
    }
    for (const char* op : {"0", "1", "3", "4"}) {
        const auto r = server_.post(
            "/tavorine/clientKb/editSpeech",
            {{"id", script["id"]}, {"operateType", op}, {"speechContent", "偷改"}}, agent);
        QCOMPARE(r.code(), 404);
    }
    QCOMPARE(category_count(manager), before);
    QCOMPARE(server_.post("/tavorine/clientKb/querySpeech", {{"classifyId", secret["id"]}}, manager)
                 .data()
                 .toArray()
                 .size(),
             1);

    // A personal file of one user is not the other's to read.
    const auto up =
        server_.upload("/tavorine/nas/userUploadFileDirect", "私密.txt", "secret", manager);
    const QString file_id = up.data().toObject()["id"].toString();
    QCOMPARE(
        server_.get("/tavorine/nas/getNasFileMappingInfo", {{"fileId", file_id}}, agent).code(),
        404);
    int status = 0;
    server_.download("/tavorine/nas/downloadFileById?fileId=" + file_id, agent, &status);
    QCOMPARE(status, 404);
}

// ---- bad input ----

void test_server_contract::bad_input_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    const QByteArray long_name =
        "{\"classifyName\":\"" + QByteArray(5000, 'x') +
        "\",\"clientBusinessType\":\"310\",\"classifyType\":\"1\",\"superiorId\":\"-1\"}";
    QTest::newRow("malformed json")
        << "clientKb/createClassify" << QByteArray("{\"classifyName\": ");
    QTest::newRow("json array") << "clientKb/createClassify" << QByteArray("[1,2,3]");
    QTest::newRow("missing fields") << "clientKb/createClassify" << QByteArray("{}");
    QTest::newRow("wrong types")
        << "clientKb/createClassify"
        << QByteArray(
               "{\"classifyName\":{\"a\":1},\"clientBusinessType\":[310],\"classifyType\":true}");
    QTest::newRow("long name") << "clientKb/createClassify" << long_name;
    QTest::newRow("unknown business")
        << "clientKb/createClassify"
        << QByteArray(
               "{\"classifyName\":\"x\",\"clientBusinessType\":\"999\",\"classifyType\":\"1\"}");
    QTest::newRow("unknown parent")
        << "clientKb/createClassify"
        << QByteArray("{\"classifyName\":\"x\",\"clientBusinessType\":\"310\",\"classifyType\":"
                      "\"1\",\"superiorId\":\"99999999\"}");
    QTest::newRow("nul byte id") << "clientKb/editClassify"
                                 << QByteArray("{\"id\":\"1\\u0000\",\"operateType\":\"1\"}");
    QTest::newRow("unknown id") << "clientKb/editClassify"
                                << QByteArray("{\"id\":\"99999999\",\"operateType\":\"1\"}");
    QTest::newRow("non-numeric id")
        << "clientKb/editSpeech" << QByteArray("{\"id\":\"abc\",\"operateType\":\"1\"}");
    QTest::newRow("unknown operation")
        << "clientKb/editSpeech" << QByteArray("{\"id\":\"1\",\"operateType\":\"9\"}");
    QTest::newRow("huge id") << "clientKb/editSpeech"
                             << QByteArray(
                                    "{\"id\":\"99999999999999999999999\",\"operateType\":\"1\"}");
    QTest::newRow("sort with strangers")
        << "clientKb/updateClassifySort"
        << QByteArray("{\"id\":\"1\",\"newSuperId\":\"-1\",\"siblingIdsInNewOrder\":[\"x\",{}]}");
    QTest::newRow("quick replies not a list")
        << "clientOperateHabit/saveQuickReply" << QByteArray("{\"speechIdList\":\"1,2\"}");
    QTest::newRow("phrase empty") << "clientPhrase/add"
                                  << QByteArray("{\"phraseContent\":\"   \"}");
    QTest::newRow("sticker without file")
        << "clientKb/createEmoji"
        << QByteArray("{\"emojiType\":\"3\",\"fileId\":\"99999999\",\"classifyId\":\"1\"}");
    QTest::newRow("unknown path") << "clientKb/nothingHere" << QByteArray("{}");
    QTest::newRow("path traversal") << "../../etc/passwd" << QByteArray("{}");
}

void test_server_contract::bad_input() {
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    const QString tok = token("admin");
    const int before = category_count(tok);
    const auto r = server_.post_raw("/tavorine/" + path, body, tok);
    QVERIFY2(r.body.contains("code") && r.body.contains("msg") && r.body.contains("data"),
             r.raw.constData());
    QVERIFY2(r.code() != 200 && r.code() < 4400, r.raw.constData());
    QVERIFY(!r.msg().isEmpty());
    QVERIFY(!r.data().isNull());
    QCOMPARE(category_count(tok), before);                                     // nothing changed
    QCOMPARE(server_.get("/tavorine/clientPhrase/list", {}, tok).code(), 200); // still answering
}

void test_server_contract::bad_uploads_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("dot dot") << "..";
    QTest::newRow("trailing slash") << "C:\\dir\\";
    QTest::newRow("only slash") << "/";
    QTest::newRow("empty") << "";
    QTest::newRow("very long") << QString(300, 'n') + ".txt";
}

void test_server_contract::bad_uploads() {
    QFETCH(QString, name);
    const auto r =
        server_.upload("/tavorine/nas/userUploadFileDirect", name, "data", token("agent"));
    QVERIFY2(r.code() != 200 && r.code() < 4400, r.raw.constData());
    QVERIFY(r.data().isObject());
    // A path in the name never places the file outside the store.
    const auto ok = server_.upload("/tavorine/nas/userUploadFileDirect", "../../escape.txt", "data",
                                   token("agent"));
    QCOMPARE(ok.data().toObject()["localFileName"].toString(), QString("escape"));
    QVERIFY(!QFile::exists(QDir(server_.data_dir()).filePath("../escape.txt")));
}

void test_server_contract::oversized_body_is_refused_with_413() {
    server_fixture small;
    QVERIFY(small.start({"--demo", "--max-upload-mb", "1"}));
    const QString tok = small.login("agent", "agent123");
    const auto upload = small.upload("/tavorine/nas/userUploadFileDirect", "big.bin",
                                     QByteArray(3 << 20, 'b'), tok);
    QCOMPARE(upload.http_status, 413);
    QVERIFY2(upload.body.contains("code") && upload.code() < 4400, upload.raw.constData());
    const auto json =
        small.post_raw("/tavorine/clientPhrase/add",
                       "{\"phraseContent\":\"" + QByteArray(10 << 20, 'p') + "\"}", tok);
    QCOMPARE(json.http_status, 413);
    QCOMPARE(json.code(), 413);
    QCOMPARE(small.get("/tavorine/clientPhrase/list", {}, tok).code(), 200);
    QDir tmp(small.data_dir() + "/files/tmp");
    QCOMPARE(tmp.entryList(QDir::Files).size(), 0); // partial uploads are gone
}

void test_server_contract::repeated_reads_follow_every_change() {
    // Large reads are served from a cache; every committed change must show.
    const QJsonObject query{{"speechContent", ""},
                            {"speechContentKeywords", ""},
                            {"classifyId", ""},
                            {"deptId", ""},
                            {"classifyType", "0"}};
    const int before = server_.post("/tavorine/clientKb/querySpeech", query, token("agent"))
                           .data()
                           .toArray()
                           .size();
    QCOMPARE(server_.post("/tavorine/clientKb/querySpeech", query, token("agent"))
                 .data()
                 .toArray()
                 .size(),
             before);
    const QJsonArray tree =
        server_
            .post("/tavorine/clientKb/getClassifyTree",
                  {{"clientBusinessType", "310"}, {"classifyType", "0"}, {"deptId", ""}},
                  token("manager"))
            .data()
            .toArray();
    const QJsonObject added =
        create_script(token("manager"), tree[0].toObject()["id"].toString(), "缓存之后新增");
    QVERIFY(!added.isEmpty());
    QCOMPARE(server_.post("/tavorine/clientKb/querySpeech", query, token("agent"))
                 .data()
                 .toArray()
                 .size(),
             before + 1);
    server_.post("/tavorine/clientKb/editSpeech", {{"id", added["id"]}, {"operateType", "1"}},
                 token("manager"));
    QCOMPARE(server_.post("/tavorine/clientKb/querySpeech", query, token("agent"))
                 .data()
                 .toArray()
                 .size(),
             before);

    // Rights granted by the administrator's command apply to the next read.
    const QJsonObject sales_query{{"classifyType", "2"}, {"deptId", sales}};
    QCOMPARE(server_.post("/tavorine/clientKb/querySpeech", sales_query, token("agent")).code(),
             403);
    QCOMPARE(server_.admin({"user", "grant", "agent", sales, "kf"}), 0);
    QCOMPARE(server_.post("/tavorine/clientKb/querySpeech", sales_query, token("agent")).code(),
             200);
}

// ---- bounds of one request ----

void test_server_contract::category_levels_are_bounded() {
    const QString tok = token("agent");
    auto create = [&](const QString& business, const QString& parent) {
        return server_.post("/tavorine/clientKb/createClassify",
                            {{"classifyName", "层级" + parent},
                             {"clientBusinessType", business},
                             {"classifyType", "1"},
                             {"superiorId", parent},
                             {"deptId", ""}},
                            tok);
    };
    // Scripts: two levels.
    const QString top = create("310", "-1").data().toObject()["id"].toString();
    const QString second = create("310", top).data().toObject()["id"].toString();
    QVERIFY(!second.isEmpty());
    const auto third = create("310", second);
    QCOMPARE(third.code(), 400);
    QVERIFY2(third.msg().contains("2 级"), qPrintable(third.msg()));

    // A first-level category with children never goes below another one.
    const QString parent = create("310", "-1").data().toObject()["id"].toString();
    QVERIFY(!create("310", parent).data().toObject().isEmpty());
    for (const char* op : {"2", "3"}) {
        const auto transfer = server_.post("/tavorine/clientKb/editClassify",
                                           {{"id", parent},
                                            {"operateType", op},
                                            {"classifyType", "1"},
                                            {"deptId", "-1"},
                                            {"superId", top},
                                            {"sort", "1"},
                                            {"clientBusinessType", "310"}},
                                           tok);
        QCOMPARE(transfer.code(), 400);
    }
    const auto sorted = server_.post(
        "/tavorine/clientKb/updateClassifySort",
        {{"id", parent}, {"newSuperId", top}, {"siblingIdsInNewOrder", QJsonArray{second, parent}}},
        tok);
    QCOMPARE(sorted.code(), 400);
    // A category without children may still become a second-level one.
    const QString leaf = create("310", "-1").data().toObject()["id"].toString();
    QCOMPARE(server_
                 .post("/tavorine/clientKb/editClassify",
                       {{"id", leaf},
                        {"operateType", "3"},
                        {"classifyType", "1"},
                        {"deptId", "-1"},
                        {"superId", top},
                        {"sort", "1"},
                        {"clientBusinessType", "310"}},
                       tok)
                 .code(),
             200);

    // Documents: four levels.
    QString doc_parent = "-1";
    for (int level = 1; level <= 4; ++level) {
        doc_parent = create("320", doc_parent).data().toObject()["id"].toString();
        QVERIFY(!doc_parent.isEmpty());
    }
    QCOMPARE(create("320", doc_parent).code(), 400);
}

void test_server_contract::sibling_lists_name_each_sibling_once_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("fault");
    for (const char* list : {"categories", "scripts", "phrases"})
        for (const char* fault : {"duplicate", "stranger", "too long"})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(list, fault))) << list << fault;
}

void test_server_contract::sibling_lists_name_each_sibling_once() {
    QFETCH(QString, list);
    QFETCH(QString, fault);
    const QString tok = token("agent");
    const QString a = create_category(tok, "排序甲", "310", "1")["id"].toString();
    const QString b = create_category(tok, "排序乙", "310", "1")["id"].toString();
    const QString child = create_category(tok, "排序子", "310", "1", "", a)["id"].toString();
    auto phrase = [&](const QString& text) {
        return server_.post("/tavorine/clientPhrase/add", {{"phraseContent", text}}, tok)
            .data()
            .toObject()["id"]
            .toString();
    };

    QString path;
    QJsonObject body;
    QStringList ids;
    QString stranger;
    std::function<QStringList()> order; // the ids as stored, in their order
    auto ids_in = [](const QJsonArray& rows, const QStringList& wanted) {
        QStringList out;
        for (const QJsonValue& row : rows)
            if (wanted.contains(row.toObject()["id"].toString()))
                out << row.toObject()["id"].toString();
        return out;
    };
    if (list == "categories") {
        path = "clientKb/updateClassifySort";
        body = {{"id", a}, {"newSuperId", "-1"}};
        ids = QStringList{a, b};
        stranger = child; // one level down
        order = [&] {
            return ids_in(server_
                              .post("/tavorine/clientKb/queryClassify",
                                    {{"clientBusinessType", "310"},
                                     {"classifyType", "1"},
                                     {"superId", "-1"},
                                     {"classifyName", ""},
                                     {"deptId", ""}},
                                    tok)
                              .data()
                              .toArray(),
                          ids);
        };
    } else if (list == "scripts") {
        ids = QStringList{create_script(tok, a, "排序一")["id"].toString(),
                          create_script(tok, a, "排序二")["id"].toString()};
        path = "clientKb/updateSpeechSort";
        body = {{"id", ids[0]}, {"newClassifyId", a}};
        ids << child; // rows as shown: sub-categories too
        stranger = create_script(tok, b, "别处")["id"].toString();
        order = [&] {
            return ids_in(server_.post("/tavorine/clientKb/querySpeech", {{"classifyId", a}}, tok)
                              .data()
                              .toArray(),
                          ids);
        };
    } else {
        path = "clientPhrase/sort";
        ids = QStringList{phrase("排序短语一"), phrase("排序短语二")};
        stranger = server_
                       .post("/tavorine/clientPhrase/add", {{"phraseContent", "经理短语"}},
                             token("manager"))
                       .data()
                       .toObject()["id"]
                       .toString();
        order = [&] {
            return ids_in(server_.get("/tavorine/clientPhrase/list", {}, tok).data().toArray(),
                          ids);
        };
    }
    auto send = [&](const QStringList& sent) {
        QJsonObject full = body;
        full.insert("siblingIdsInNewOrder", QJsonArray::fromStringList(sent));
        return server_.post("/tavorine/" + path, full, tok);
    };
    QCOMPARE(send(ids).code(), 200);
    const QStringList before = order();

    QStringList faulty = ids;
    std::reverse(faulty.begin(), faulty.end());
    if (fault == "duplicate")
        faulty << faulty.first();
    else if (fault == "stranger")
        faulty << stranger;
    else
        while (faulty.size() <= 2000)
            faulty += faulty;
    const auto refused = send(faulty);
    QVERIFY2(refused.code() == 400, refused.raw.constData());
    QVERIFY(!refused.msg().isEmpty());
    QCOMPARE(order(), before); // nothing of the list was applied
}

void test_server_contract::members_of_wrong_type_or_size_are_refused_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("member");
    const QByteArray category =
        R"("clientBusinessType":"310","classifyType":"1","superiorId":"-1","deptId":"")";
    const QByteArray url_doc =
        R"("classifyId":"DOCS","fileType":"0","fileContent":"http://example.com/a","fileName":"a")";
    const QByteArray script = R"("classifyId":"SCRIPTS","classifyType":"1","deptId":"")";
    const QByteArray long_text(50001, 'x');
    QTest::newRow("name as number") << "clientKb/createClassify"
                                    << "{\"classifyName\":123," + category + "}"
                                    << "classifyName";
    QTest::newRow("name as object") << "clientKb/createClassify"
                                    << "{\"classifyName\":{\"a\":1}," + category + "}"
                                    << "classifyName";
    QTest::newRow("business as number")
        << "clientKb/createClassify"
        << QByteArray(R"({"classifyName":"x","clientBusinessType":310,"classifyType":"1"})")
        << "clientBusinessType";
    QTest::newRow("id as number") << "clientKb/editClassify"
                                  << QByteArray(R"({"id":5,"operateType":"1"})") << "id";
    QTest::newRow("content as number") << "clientKb/createSpeech"
                                       << "{\"speechContent\":5," + script + "}"
                                       << "speechContent";
    QTest::newRow("size as text") << "clientKb/createFile"
                                  << "{\"fileSize\":\"13\"," + url_doc + "}"
                                  << "fileSize";
    QTest::newRow("size beyond range") << "clientKb/createFile"
                                       << "{\"fileSize\":1e300," + url_doc + "}"
                                       << "fileSize";
    QTest::newRow("size negative") << "clientKb/createFile"
                                   << "{\"fileSize\":-1," + url_doc + "}"
                                   << "fileSize";
    QTest::newRow("size fraction") << "clientKb/createFile"
                                   << "{\"fileSize\":1.5," + url_doc + "}"
                                   << "fileSize";
    QTest::newRow("unfold out of range")
        << "clientKb/editClassify"
        << QByteArray(
               R"({"id":"SCRIPTS","operateType":"0","classifyName":"x","whetherToUnfold":7})")
        << "whetherToUnfold";
    QTest::newRow("sort ids as numbers")
        << "clientKb/updateClassifySort"
        << QByteArray(R"({"id":"SCRIPTS","newSuperId":"-1","siblingIdsInNewOrder":[1]})")
        << "siblingIdsInNewOrder";
    QTest::newRow("script search too long")
        << "clientKb/querySpeech"
        << R"({"classifyType":"1","speechContentKeywords":")" + long_text + "\"}"
        << "speechContentKeywords";
    QTest::newRow("document search too long") << "clientKb/queryFile"
                                              << R"({"keywords":")" + long_text + "\"}"
                                              << "keywords";
    QTest::newRow("sticker search too long")
        << "clientKb/queryEmoji"
        << R"({"emojiContentDesc":")" + QByteArray(501, 'x') + "\"}"
        << "emojiContentDesc";
    QTest::newRow("category search too long")
        << "clientKb/queryClassify"
        << R"({"clientBusinessType":"310","classifyType":"1","classifyName":")" +
               QByteArray(501, 'x') + "\"}"
        << "classifyName";
    QTest::newRow("keywords too long")
        << "clientKb/createSpeech"
        << "{\"speechContentKeywords\":\"" + QByteArray(801, 'k') + "\"," + script + "}"
        << "speechContentKeywords";
    QTest::newRow("nul in a query item")
        << "clientPhrase/add?phraseContent=a%00b" << QByteArray("{}") << "phraseContent";
    QTest::newRow("document name too long")
        << "clientKb/createFile"
        << "{\"fileSize\":1,\"keywords\":\"" + QByteArray(201, 'k') + "\"," + url_doc + "}"
        << "keywords";
}

void test_server_contract::members_of_wrong_type_or_size_are_refused() {
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    QFETCH(QString, member);
    const QString tok = token("agent");
    const QString docs = create_category(tok, "类型文档", "320", "1")["id"].toString();
    const QString scripts = create_category(tok, "类型话术", "310", "1")["id"].toString();
    body.replace("DOCS", docs.toUtf8()).replace("SCRIPTS", scripts.toUtf8());
    const int before = category_count(tok);

    const auto r = server_.post_raw("/tavorine/" + path, body, tok);
    QCOMPARE(r.code(), 400);
    QVERIFY2(r.msg().contains(member), qPrintable(r.msg())); // says what is wrong
    QCOMPARE(category_count(tok), before);
    QCOMPARE(server_.post("/tavorine/clientKb/queryFile", {{"classifyId", docs}}, tok)
                 .data()
                 .toArray()
                 .size(),
             0);
    QCOMPARE(server_.post("/tavorine/clientKb/querySpeech", {{"classifyId", scripts}}, tok)
                 .data()
                 .toArray()
                 .size(),
             0);
}

void test_server_contract::the_clients_own_shapes_pass() {
    // Ids as strings everywhere; a document category's rename sends its
    // "whetherToUnfold" as a number, a script category's as a string.
    const QString tok = token("agent");
    const QString docs = create_category(tok, "形状文档", "320", "1")["id"].toString();
    for (const QJsonValue& unfold : {QJsonValue(0), QJsonValue("1")})
        QCOMPARE(server_
                     .post("/tavorine/clientKb/editClassify",
                           {{"deptId", ""},
                            {"superId", "-1"},
                            {"operateType", "0"},
                            {"classifyType", "1"},
                            {"whetherToUnfold", unfold},
                            {"clientBusinessType", "320"},
                            {"id", docs},
                            {"classifyName", "形状文档"}},
                           tok)
                     .code(),
                 200);
    const auto saved = server_.post("/tavorine/clientKb/createFile",
                                    {{"classifyId", docs},
                                     {"fileName", "地址"},
                                     {"fileSuffix", ""},
                                     {"fileSize", 1048576},
                                     {"fileContent", "http://example.com/a"},
                                     {"fileType", "0"},
                                     {"keywords", ""},
                                     {"customShortcuts", "unknown"}},
                                    tok);
    QCOMPARE(saved.code(), 200);
    QCOMPARE(saved.data().toObject()["fileSize"].toVariant().toLongLong(), 1048576);
}

void test_server_contract::invalid_escapes_are_refused_data() {
    QTest::addColumn<QByteArray>("text"); // as written inside the JSON string
    QTest::addColumn<QString>("stored");  // empty: refused
    QTest::newRow("lone high surrogate") << QByteArray(R"(a\ud800b)") << QString();
    QTest::newRow("lone low surrogate") << QByteArray(R"(a\udc00b)") << QString();
    QTest::newRow("two high surrogates") << QByteArray(R"(\ud800\ud800)") << QString();
    QTest::newRow("reversed pair") << QByteArray(R"(\ude00\ud83d)") << QString();
    QTest::newRow("high before a plain escape") << QByteArray(R"(\ud83d\n)") << QString();
    QTest::newRow("nul") << QByteArray(R"(a\u0000b)") << QString();
    QTest::newRow("pair") << QByteArray(R"(a\ud83d\ude00b)") << QStringLiteral("a😀b");
    QTest::newRow("escaped backslash") << QByteArray(R"(\\ud800)") << QStringLiteral("\\ud800");
    QTest::newRow("plain escapes") << QByteArray(R"(\"\t\u4e2d)") << QStringLiteral("\"\t中");
}

void test_server_contract::invalid_escapes_are_refused() {
    QFETCH(QByteArray, text);
    QFETCH(QString, stored);
    const QString tok = token("manager");
    const int before = server_.get("/tavorine/clientPhrase/list", {}, tok).data().toArray().size();
    const auto r =
        server_.post_raw("/tavorine/clientPhrase/add", "{\"phraseContent\":\"" + text + "\"}", tok);
    const QJsonArray after = server_.get("/tavorine/clientPhrase/list", {}, tok).data().toArray();
    if (stored.isEmpty()) {
        QVERIFY2(r.code() == 400 && !r.msg().isEmpty(), r.raw.constData());
        QCOMPARE(after.size(), before);
        return;
    }
    QCOMPARE(r.code(), 200);
    QCOMPARE(r.data().toObject()["phraseContent"].toString(), stored);
    QCOMPARE(after.last().toObject()["phraseContent"].toString(), stored);
    server_.get("/tavorine/clientPhrase/del", {{"id", r.data().toObject()["id"].toString()}}, tok);
}

// ---- files and rights ----

void test_server_contract::reports_are_private_and_file_ids_unguessable() {
    const QString agent = token("agent");
    const auto report = server_.upload("/tavorine/nas/reportUploadFileDirect",
                                       "C:\\quorvel\\crashrpt\\20261210_1.dmp", "dump", agent);
    QCOMPARE(report.code(), 200); // the client needs the id to count it as sent
    const QString report_id = report.data().toObject()["id"].toString();
    int status = 0;
    for (const char* account : {"agent", "manager"}) {
        server_.download("/tavorine/nas/downloadFileById?fileId=" + report_id, token(account),
                         &status);
        QCOMPARE(status, 404);
        QCOMPARE(
            server_
                .get("/tavorine/nas/getNasFileMappingInfo", {{"fileId", report_id}}, token(account))
                .code(),
            404);
    }
    QCOMPARE(server_.download("/tavorine/nas/downloadFileById?fileId=" + report_id, token("admin"),
                              &status),
             QByteArray("dump"));
    // Nobody files a report into the library to make it readable.
    const QString docs = create_category(agent, "报告文档", "320", "1")["id"].toString();
    QVERIFY(server_
                .post("/tavorine/clientKb/createFile",
                      {{"classifyId", docs}, {"fileType", "3"}, {"fileId", report_id}}, agent)
                .code() != 200);

    // Shared files: ids far apart, and nothing without a token.
    QList<qint64> ids;
    for (int i = 0; i < 3; ++i)
        ids << server_
                   .upload("/tavorine/nas/publicUploadFileDirect", QString("附件%1.txt").arg(i),
                           "shared", agent)
                   .data()
                   .toObject()["id"]
                   .toString()
                   .toLongLong();
    for (int i = 0; i < ids.size(); ++i) {
        QVERIFY2(ids[i] >= (qint64(1) << 40), qPrintable(QString::number(ids[i])));
        if (i > 0)
            QVERIFY(qAbs(ids[i] - ids[i - 1]) > 1000000);
    }
    const QString shared = QString::number(ids[0]);
    QVERIFY(server_.download("/public/" + shared, QString(), &status) != "shared");
    QCOMPARE(status, 401);
    QCOMPARE(server_.download("/tavorine/nas/downloadFileById?fileId=" + shared, QString(), &status)
                 .contains("shared"),
             false);
    QCOMPARE(server_.download("/public/" + shared, token("manager"), &status),
             QByteArray("shared"));
    QCOMPARE(server_.download("/public/" + report_id, token("admin"), &status).contains("dump"),
             false); // reports are never served by address
}

namespace {

// Files an attachment the way the script editor does; the reply of the save.
server_fixture::reply_t attach(server_fixture& server, const QString& tok,
                               const QByteArray& content) {
    const QString attachments = server
                                    .post("/tavorine/clientKb/createClassify",
                                          {{"classifyName", attachments_marker()},
                                           {"clientBusinessType", "320"},
                                           {"classifyType", "0"},
                                           {"superiorId", "-1"},
                                           {"deptId", "-1"}},
                                          tok)
                                    .data()
                                    .toObject()["id"]
                                    .toString();
    const QString file =
        server.upload("/tavorine/nas/publicUploadFileDirect", "D:\\附件.bin", content, tok)
            .data()
            .toObject()["id"]
            .toString();
    return server.post("/tavorine/clientKb/createFile",
                       {{"classifyId", attachments},
                        {"fileContent", ""},
                        {"fileId", file},
                        {"fileName", "附件"},
                        {"fileSuffix", "bin"},
                        {"fileSize", content.size()},
                        {"fileType", "3"},
                        {"keywords", "附件"},
                        {"customShortcuts", "known"}},
                       tok);
}

} // namespace

void test_server_contract::attachments_are_listed_to_their_author_only() {
    const auto saved = attach(server_, token("agent"), "attached");
    QCOMPARE(saved.code(), 200);
    const QString attachments = saved.data().toObject()["classifyId"].toString();
    // Not in anybody's full listing, so no client downloads them at start; asked
    // for by their category, only the author sees them.
    for (const char* account : {"agent", "manager", "admin"}) {
        const QJsonArray all =
            server_.post("/tavorine/clientKb/queryFile", {}, token(account)).data().toArray();
        QVERIFY(!all.isEmpty());
        for (const QJsonValue& doc : all)
            QVERIFY(doc.toObject()["classifyId"].toString() != attachments);
        const QJsonArray own =
            server_
                .post("/tavorine/clientKb/queryFile", {{"classifyId", attachments}}, token(account))
                .data()
                .toArray();
        QCOMPARE(own.isEmpty(), QByteArray(account) != "agent");
        for (const QJsonValue& doc : own)
            QCOMPARE(doc.toObject()["creatorAccount"].toString(), QString("agent"));
    }
    // Only files, not addresses.
    QCOMPARE(server_
                 .post("/tavorine/clientKb/createFile",
                       {{"classifyId", attachments},
                        {"fileType", "0"},
                        {"fileContent", "http://example.com/x"},
                        {"fileName", "x"}},
                       token("agent"))
                 .code(),
             400);
}

void test_server_contract::attachments_have_a_quota() {
    server_fixture small;
    QVERIFY(small.start({"--demo", "--attachment-quota-mb", "1"}));
    const QString agent = small.login("agent", "agent123");
    QCOMPARE(attach(small, agent, QByteArray(700 << 10, 'a')).code(), 200);
    const auto over = attach(small, agent, QByteArray(700 << 10, 'b'));
    QCOMPARE(over.code(), 400);
    QVERIFY2(over.msg().contains("上限"), qPrintable(over.msg()));
    QCOMPARE(attach(small, agent, "small").code(), 200); // what fits still goes in
    QCOMPARE(attach(small, small.login("manager", "manager123"), QByteArray(700 << 10, 'c')).code(),
             200); // each user has their own
}

namespace {

QStringList ids_of(const QJsonArray& rows, const char* key = "id") {
    QStringList ids;
    for (const QJsonValue& row : rows)
        ids << row.toObject()[key].toString();
    return ids;
}

} // namespace

// Each user's phrases in the order last sorted, with later ones after them,
// and each user's own quick-reply list, all as before a restart.
void test_server_contract::phrase_order_and_quick_replies_are_per_user_and_survive_a_restart() {
    auto phrases = [this](const QString& tok) {
        return ids_of(server_.get("/tavorine/clientPhrase/list", {}, tok).data().toArray());
    };
    auto quick_replies = [this](const QString& tok) {
        return ids_of(server_.get("/tavorine/clientOperateHabit/getQuickReplySpeech", {}, tok)
                          .data()
                          .toArray(),
                      "speechId");
    };
    auto save_quick_replies = [this](const QString& tok, const QStringList& ids) {
        return server_
            .post("/tavorine/clientOperateHabit/saveQuickReply",
                  {{"speechIdList", QJsonArray::fromStringList(ids)}}, tok)
            .code();
    };
    const QString manager = token("manager");
    const QString agent = token("agent");
    const QStringList agent_phrases = phrases(agent);

    QStringList order = phrases(manager);
    QVERIFY(order.size() >= 2);
    std::reverse(order.begin(), order.end());
    QCOMPARE(server_
                 .post("/tavorine/clientPhrase/sort",
                       {{"siblingIdsInNewOrder", QJsonArray::fromStringList(order)}}, manager)
                 .code(),
             200);
    order << server_.post("/tavorine/clientPhrase/add", {{"phraseContent", "重启前"}}, manager)
                 .data()
                 .toObject()["id"]
                 .toString();
    QCOMPARE(phrases(manager), order);
    QCOMPARE(phrases(agent), agent_phrases);

    const QStringList scripts =
        ids_of(server_.post("/tavorine/clientKb/querySpeech", {{"classifyType", "0"}}, manager)
                   .data()
                   .toArray());
    QVERIFY(scripts.size() >= 3);
    const QStringList manager_marks{scripts[2], scripts[0]};
    QCOMPARE(save_quick_replies(manager, manager_marks), 200);
    QCOMPARE(save_quick_replies(agent, {scripts[1]}), 200);
    QCOMPARE(quick_replies(manager), manager_marks);
    QCOMPARE(quick_replies(agent), QStringList{scripts[1]});

    QVERIFY(server_.restart());
    const QString manager_again = server_.login("manager", "manager123");
    const QString agent_again = server_.login("agent", "agent123");
    QCOMPARE(phrases(manager_again), order);
    QCOMPARE(phrases(agent_again), agent_phrases);
    QCOMPARE(quick_replies(manager_again), manager_marks);
    QCOMPARE(quick_replies(agent_again), QStringList{scripts[1]});

    // An empty list clears the user's marks, and only theirs.
    QCOMPARE(save_quick_replies(manager_again, {}), 200);
    QVERIFY(quick_replies(manager_again).isEmpty());
    QCOMPARE(quick_replies(agent_again), QStringList{scripts[1]});
}

QTEST_GUILESS_MAIN(test_server_contract)
#include "test_server_contract.moc"
