// Script search on quorvel-server: what a search text finds in the keywords
// and the visible content, by pinyin too, within what the user may read.
#include "protocol/protocol.h"
#include "server_fixture.h"

#include <QJsonArray>
#include <QtTest>

class test_server_search : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void search_data();
    void search();
    void empty_text_finds_all_readable();
    void edited_script_is_found_by_its_new_text();

private:
    QString token(const QString& account);
    QString create_category(const QString& tok, const char* part);
    void create_script(const QString& tok, const QString& category, const QString& keywords,
                       const QString& content);
    QStringList search_keywords(const QString& account, const QString& text);

    server_fixture server_;
    QHash<QString, QString> tokens_;
};

QString test_server_search::token(const QString& account) {
    if (!tokens_.contains(account))
        tokens_[account] = server_.login(account, account + "123");
    return tokens_[account];
}

QString test_server_search::create_category(const QString& tok, const char* part) {
    const auto r = server_.post("/tavorine/clientKb/createClassify",
                                {{"classifyName", "搜索测试"},
                                 {"clientBusinessType", quorvel::protocol::business::scripts},
                                 {"classifyType", part},
                                 {"superiorId", ""},
                                 {"deptId", ""}},
                                tok);
    return r.data().toObject().value("id").toString();
}

void test_server_search::create_script(const QString& tok, const QString& category,
                                       const QString& keywords, const QString& content) {
    const auto r = server_.post("/tavorine/clientKb/createSpeech",
                                {{"classifyId", category},
                                 {"classifyType", ""},
                                 {"deptId", ""},
                                 {"speechContent", content},
                                 {"speechContentKeywords", keywords},
                                 {"customShortcuts", "unknown"}},
                                tok);
    QCOMPARE(r.code(), 200);
}

// The keywords of every script the search finds, in reply order.
QStringList test_server_search::search_keywords(const QString& account, const QString& text) {
    const auto r = server_.post("/tavorine/clientKb/querySpeech",
                                {{"speechContent", ""},
                                 {"speechContentKeywords", text},
                                 {"classifyId", ""},
                                 {"deptId", ""},
                                 {"classifyType", ""}},
                                token(account));
    if (r.code() != 200)
        return {QStringLiteral("<failed %1>").arg(r.code())};
    QStringList keywords;
    for (const QJsonValue& s : r.data().toArray())
        keywords << s.toObject().value("speechContentKeywords").toString();
    return keywords;
}

void test_server_search::initTestCase() {
    QVERIFY(server_.start());
    const QString admin = token("admin");
    const QString shared = create_category(admin, quorvel::protocol::part_pub);
    QVERIFY(!shared.isEmpty());
    create_script(admin, shared, "${#ff0000}翡翠鸳鸯", "<p>请点<b>击琥珀</b>按钮</p>");
    create_script(admin, shared, "Quokka玛瑙",
                  "<p>查看<a href=\"http://track.invalid/zqxj\">物流详情</a></p>");
    const QString manager = token("manager");
    const QString own = create_category(manager, quorvel::protocol::part_personal);
    QVERIFY(!own.isEmpty());
    create_script(manager, own, "珊瑚秘密", "<p>只给自己看</p>");
}

void test_server_search::search_data() {
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");

    const QStringList jade = {"${#ff0000}翡翠鸳鸯"};
    const QStringList agate = {"Quokka玛瑙"};
    const QStringList none;
    QTest::newRow("keyword") << "agent"
                             << "翡翠鸳鸯" << jade;
    QTest::newRow("colour prefix is not a keyword") << "agent"
                                                    << "ff0000" << none;
    QTest::newRow("content across markup") << "agent"
                                           << "点击琥珀" << jade;
    QTest::newRow("link text") << "agent"
                               << "物流详情" << agate;
    QTest::newRow("markup") << "agent"
                            << "margin-top" << none;
    QTest::newRow("tag name") << "agent"
                              << "href" << none;
    QTest::newRow("link address") << "agent"
                                  << "zqxj" << none;
    QTest::newRow("full pinyin") << "agent"
                                 << "feicuiyuanyang" << jade;
    QTest::newRow("pinyin from mid-word, last syllable in part") << "agent"
                                                                 << "cuiyua" << jade;
    QTest::newRow("pinyin of content") << "agent"
                                       << "dianjihupo" << jade;
    QTest::newRow("initials") << "agent"
                              << "fcyy" << jade;
    QTest::newRow("mixed-case pinyin") << "agent"
                                       << "FeiCuiYuanYang" << jade;
    QTest::newRow("mixed-case Latin") << "agent"
                                      << "qUOKKA" << agate;
    QTest::newRow("Latin then pinyin") << "agent"
                                       << "quokkamanao" << agate;
    QTest::newRow("wrong pinyin") << "agent"
                                  << "feicuiyuanyanx" << none;
    QTest::newRow("another's personal script") << "agent"
                                               << "珊瑚秘密" << none;
    QTest::newRow("another's personal script by pinyin") << "agent"
                                                         << "shanhumimi" << none;
    QTest::newRow("own personal script") << "manager"
                                         << "shanhumimi" << QStringList{"珊瑚秘密"};
}

void test_server_search::search() {
    QFETCH(QString, account);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    QCOMPARE(search_keywords(account, text), found);
}

// The library view loads whole parts with an empty search text.
void test_server_search::empty_text_finds_all_readable() {
    const QStringList agent = search_keywords("agent", "");
    QVERIFY(agent.contains("${#ff0000}翡翠鸳鸯"));
    QVERIFY(agent.contains("Quokka玛瑙"));
    QVERIFY(!agent.contains("珊瑚秘密"));
    QVERIFY(search_keywords("manager", "").contains("珊瑚秘密"));
}

// Searches keep what they worked out of each script; an edit made in the
// same second as the last search must still be seen at once.
void test_server_search::edited_script_is_found_by_its_new_text() {
    const QString admin = token("admin");
    const QString shared = create_category(admin, quorvel::protocol::part_pub);
    create_script(admin, shared, "琉璃旧称", "<p>青铜旧文</p>");
    QCOMPARE(search_keywords("agent", "qingtong"), QStringList{"琉璃旧称"});
    const auto found =
        server_.post("/tavorine/clientKb/querySpeech",
                     {{"speechContentKeywords", "琉璃旧称"}, {"classifyType", ""}}, admin);
    const QString id = found.data().toArray().first().toObject().value("id").toString();
    const auto edited = server_.post("/tavorine/clientKb/editSpeech",
                                     {{"id", id},
                                      {"operateType", quorvel::protocol::edit_script::change},
                                      {"speechContent", "<p>白银新文</p>"},
                                      {"speechContentKeywords", "琉璃新称"}},
                                     admin);
    QCOMPARE(edited.code(), 200);
    QCOMPARE(search_keywords("agent", "qingtong"), QStringList());
    QCOMPARE(search_keywords("agent", "青铜"), QStringList());
    QCOMPARE(search_keywords("agent", "baiyin"), QStringList{"琉璃新称"});
    QCOMPARE(search_keywords("agent", "白银新文"), QStringList{"琉璃新称"});
}

QTEST_GUILESS_MAIN(test_server_search)
#include "test_server_search.moc"
