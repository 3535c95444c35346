// The bar's instant search: matching and ranking over a small library, the
// index following store changes without a rebuild, and the keyboard path
// from the search field to the send events.
#include "app/event_bus.h"
#include "app/event_names.h"
#include "model/data_center.h"
#include "ui/auto_follow_widget.h"
#include "ui/instant/instant_index.h"
#include "ui/instant/instant_list.h"
#include "ui/instant/instant_search.h"
#include "ui/instant/usage_store.h"
#include "ui/widgets/custom_button.h"

#include <QLineEdit>
#include <QListWidget>
#include <QStackedLayout>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvel;

namespace {

script_node_spt script(const QString& id, const QString& category, const QString& keywords,
                       const QString& content) {
    auto s = script_node_spt::create();
    s->id = id;
    s->classifyId = category;
    s->classifyType = QStringLiteral("0");
    s->speechContentKeywords = keywords;
    s->speechContent = content;
    return s;
}

// A small library: each item shows one way of matching or ranking.
void fill_library() {
    data_center& dc = data_center::instance();
    dc.clear();
    script_map_t scripts;
    scripts[QStringLiteral("c1")] = {
        script(QStringLiteral("s1"), QStringLiteral("c1"), QStringLiteral("${#ff0000}退货流程"),
               QStringLiteral("<p>亲，退货请在订单页点击申请售后。</p>")),
        script(QStringLiteral("s2"), QStringLiteral("c1"), QStringLiteral("换货说明"),
               QStringLiteral("质量问题可以直接换新。")),
        script(QStringLiteral("s3"), QStringLiteral("c1"), QStringLiteral("iPhone保修"),
               QStringLiteral("整机保修一年。")),
        script(QStringLiteral("s4"), QStringLiteral("c1"), QStringLiteral("银行"),
               QStringLiteral("我们支持银行卡支付。")),
        script(QStringLiteral("s5"), QStringLiteral("c1"), QStringLiteral("发货时间"),
               QStringLiteral("当天16点前付款的订单当天发货。")),
        script(QStringLiteral("s6"), QStringLiteral("c1"), QStringLiteral("物流"),
               QStringLiteral("您可以查看物流 thanks")),
        script(QStringLiteral("s8"), QStringLiteral("c1"), QStringLiteral("查询订单"),
               QStringLiteral("请提供手机号。")),
        script(QStringLiteral("s9"), QStringLiteral("c1"), QStringLiteral("说明书下载"),
               QStringLiteral("请到官网下载。")),
    };
    // Listed before its whole-word rival, so only the match can put it after.
    scripts[QStringLiteral("c2")] = {
        script(QStringLiteral("s11"), QStringLiteral("c2"), QStringLiteral("VIPS价格"),
               QStringLiteral("高级会员。")),
        script(QStringLiteral("s10"), QStringLiteral("c2"), QStringLiteral("VIP价格"),
               QStringLiteral("会员价。")),
    };
    dc.replace_scripts(scripts);
    auto phrase = phrase_node_spt::create();
    phrase->id = QStringLiteral("p1");
    phrase->phraseContent = QStringLiteral("好的，马上为您处理");
    dc.replace_phrases({{phrase->id, phrase}});
    auto sticker = sticker_node_spt::create();
    sticker->id = QStringLiteral("st1");
    sticker->classifyId = QStringLiteral("sc");
    sticker->emojiContentDesc = QStringLiteral("微笑1");
    dc.replace_stickers({{sticker->classifyId, {sticker}}});
    auto doc = doc_node_spt::create();
    doc->id = QStringLiteral("d1");
    doc->classifyId = QStringLiteral("dc");
    doc->fileName = QStringLiteral("退货政策说明");
    dc.merge_docs({{doc->classifyId, {doc}}});
}

QStringList keys_of(const QList<instant_hit_t>& hits) {
    QStringList keys;
    for (const instant_hit_t& h : hits)
        keys << h.entry->usage_key();
    return keys;
}

QStringList first(const QStringList& list, int n) {
    return list.mid(0, n);
}

} // namespace

class test_instant_search : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void matching_and_ranking_data();
    void matching_and_ranking();
    void index_follows_store_changes_data();
    void index_follows_store_changes();
    void rows_show_kind_keywords_and_match();
    void keyboard_sends_inputs_and_closes_data();
    void keyboard_sends_inputs_and_closes();
    void history_page_lists_searches_that_sent();
    void usage_is_kept_per_account();

private:
    QTemporaryDir dir_;
};

void test_instant_search::initTestCase() {
    QVERIFY2(!pinyin_table::shared().empty(), "the Unihan readings (unicode-data) are needed");
}

void test_instant_search::init() {
    fill_library();
}

void test_instant_search::matching_and_ranking_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("documents");
    QTest::addColumn<QString>("sent");         // an item sent before, by usage key
    QTest::addColumn<QStringList>("expected"); // the first hits, in order

    const auto keys = [](std::initializer_list<const char*> k) {
        QStringList out;
        for (const char* s : k)
            out << QString::fromUtf8(s);
        return out;
    };
    QTest::newRow("chinese") << "退货" << false << "" << keys({"script:s1"});
    QTest::newRow("full pinyin") << "tuihuo" << false << "" << keys({"script:s1"});
    QTest::newRow("initials, keyword before a word in the text")
        << "th" << false << "" << keys({"script:s1", "script:s6"});
    QTest::newRow("last syllable in part") << "tuih" << false << "" << keys({"script:s1"});
    QTest::newRow("initial then syllable") << "thuo" << false << "" << keys({"script:s1"});
    QTest::newRow("polyphone, common reading") << "yinhang" << false << "" << keys({"script:s4"});
    QTest::newRow("polyphone, other reading") << "yinxing" << false << "" << keys({"script:s4"});
    QTest::newRow("upper case") << "IPHONE" << false << "" << keys({"script:s3"});
    QTest::newRow("latin and chinese") << "iphone保修" << false << "" << keys({"script:s3"});
    QTest::newRow("latin then initials") << "iphonebx" << false << "" << keys({"script:s3"});
    QTest::newRow("keyword inside before text at start")
        << "订单" << false << "" << keys({"script:s8", "script:s1"});
    QTest::newRow("prefix before inside")
        << "shuoming" << false << "" << keys({"script:s9", "script:s2"});
    QTest::newRow("whole word before part")
        << "vip" << false << "" << keys({"script:s10", "script:s11"});
    QTest::newRow("equal matches in library order")
        << "jiage" << false << "" << keys({"script:s11", "script:s10"});
    QTest::newRow("equal matches, the one sent first")
        << "jiage" << false << "script:s10" << keys({"script:s10", "script:s11"});
    QTest::newRow("a send does not beat a better match")
        << "vip" << false << "script:s11" << keys({"script:s10", "script:s11"});
    QTest::newRow("phrase") << "mashang" << false << "" << keys({"phrase:p1"});
    QTest::newRow("sticker by title") << "wx" << false << "" << keys({"sticker:st1"});
    QTest::newRow("document while off") << "zhengce" << false << "" << QStringList();
    QTest::newRow("document while on") << "zhengce" << true << "" << keys({"doc:d1"});
    QTest::newRow("markup is not text") << "<p>" << false << "" << QStringList();
    QTest::newRow("nothing") << "zzzq" << false << "" << QStringList();
}

void test_instant_search::matching_and_ranking() {
    QFETCH(QString, query);
    QFETCH(bool, documents);
    QFETCH(QString, sent);
    QFETCH(QStringList, expected);
    usage_store usage(dir_.filePath(QStringLiteral("ranking.cfg")));
    usage.load(QString::fromUtf8(QTest::currentDataTag()));
    const qint64 now = 1700000000;
    if (!sent.isEmpty())
        usage.record_send(sent, query, now - 60);
    instant_index index;
    const QStringList found = keys_of(index.search(query, documents, 30, &usage, now));
    if (expected.isEmpty())
        QCOMPARE(found, QStringList());
    else
        QCOMPARE(first(found, expected.size()), expected);
}

void test_instant_search::index_follows_store_changes_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("created") << "create"
                             << "kaipiao" << QStringList{"script:n1"};
    QTest::newRow("edited: the new text") << "edit"
                                          << "yanbao" << QStringList{"script:s2"};
    QTest::newRow("edited: not the old one") << "edit"
                                             << "huanhuo" << QStringList();
    QTest::newRow("moved") << "move"
                           << "tuihuo" << QStringList{"script:s1"};
    QTest::newRow("deleted") << "delete"
                             << "tuihuo" << QStringList();
    QTest::newRow("category removed") << "remove category"
                                      << "vip" << QStringList();
    QTest::newRow("phrase added") << "phrase"
                                  << "xiexie" << QStringList{"phrase:p2"};
}

// The changes come as the request layer makes them: through the store's
// named operations, with the index already built.
void test_instant_search::index_follows_store_changes() {
    QFETCH(QString, change);
    QFETCH(QString, query);
    QFETCH(QStringList, expected);
    instant_index index;
    data_center& dc = data_center::instance();
    if (change == QLatin1String("create")) {
        dc.add_script(script(QStringLiteral("n1"), QStringLiteral("c1"), QStringLiteral("开票"),
                             QStringLiteral("电子发票")));
    } else if (change == QLatin1String("edit")) {
        const script_node_spt edited = script(QStringLiteral("s2"), QStringLiteral("c1"),
                                              QStringLiteral("延保"), QStringLiteral("延长保修"));
        dc.update_script(edited);
    } else if (change == QLatin1String("move")) {
        const script_node_spt moved = dc.find_script(QStringLiteral("s1"));
        dc.remove_script(moved);
        auto there = script_node_spt::create(*moved);
        there->classifyId = QStringLiteral("c2");
        dc.replace_category_scripts(0, QString(), QStringLiteral("c2"),
                                    dc.scripts_of(QStringLiteral("c2")) << there);
    } else if (change == QLatin1String("delete")) {
        dc.remove_script(dc.find_script(QStringLiteral("s1")));
    } else if (change == QLatin1String("remove category")) {
        auto node = category_node_spt::create();
        node->id = QStringLiteral("c2");
        node->superId = top_level_id;
        node->classifyType = QStringLiteral("0");
        category_tree_t tree;
        add_to_tree(tree, node);
        dc.replace_category_tree(library_kind::scripts, 0, QString(), tree);
        dc.remove_category(library_kind::scripts, node);
    } else {
        auto p = phrase_node_spt::create();
        p->id = QStringLiteral("p2");
        p->phraseContent = QStringLiteral("谢谢");
        dc.put_phrase(p);
    }
    QCOMPARE(keys_of(index.search(query, false, 30)), expected);
    QCOMPARE(index.full_builds(), 1);
}

void test_instant_search::rows_show_kind_keywords_and_match() {
    instant_index index;
    const QList<instant_hit_t> hits = index.search(QStringLiteral("dingdan"), false, 30);
    QVERIFY(hits.size() >= 2);
    // Found in the text: the matched characters are marked, keywords keep their colour.
    const QString in_text = instant_row_html(hits.at(1));
    QVERIFY2(in_text.startsWith(QStringLiteral("<span style='color: gray;'>话术</span>")),
             qPrintable(in_text));
    QVERIFY2(in_text.contains(QStringLiteral("background-color: #ff0000;'>退货流程</span>")),
             qPrintable(in_text));
    QVERIFY2(in_text.contains(QStringLiteral("#ffe58f;'>订单</span>")), qPrintable(in_text));
    // A long text is cut before the match, not the match itself.
    data_center::instance().add_script(
        script(QStringLiteral("long"), QStringLiteral("c1"), QString(),
               QString(40, QChar(0x4e00)) + QStringLiteral("末尾的发票")));
    const QList<instant_hit_t> late = index.search(QStringLiteral("fapiao"), false, 30);
    QCOMPARE(late.size(), 1);
    QVERIFY2(instant_row_html(late.first()).contains(QStringLiteral("'>发票</span>")),
             qPrintable(instant_row_html(late.first())));
}

void test_instant_search::keyboard_sends_inputs_and_closes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QString>("event"); // posted on the bus, or "" for none
    QTest::addColumn<QString>("content");
    const QString returns = QStringLiteral("<p>亲，退货请在订单页点击申请售后。</p>");
    QTest::newRow("enter sends the first")
        << "th" << QList<int>{Qt::Key_Return} << false << events::send_script << returns;
    QTest::newRow("shift+enter inputs it")
        << "th" << QList<int>{Qt::Key_Return} << true << events::input_script << returns;
    QTest::newRow("down then enter sends the second")
        << "th" << QList<int>{Qt::Key_Down, Qt::Key_Return} << false << events::send_script
        << "您可以查看物流 thanks";
    QTest::newRow("up wraps to the last") << "th" << QList<int>{Qt::Key_Up, Qt::Key_Return} << false
                                          << events::send_script << "您可以查看物流 thanks";
    QTest::newRow("phrase") << "mashang" << QList<int>{Qt::Key_Enter} << false
                            << events::send_script << "好的，马上为您处理";
    // A sticker without a cached file still goes the sticker's way.
    QTest::newRow("sticker sends")
        << "weixiao" << QList<int>{Qt::Key_Return} << false << events::send_sticker << "";
    QTest::newRow("sticker, shift+enter inputs it")
        << "weixiao" << QList<int>{Qt::Key_Return} << true << events::input_file << "";
    QTest::newRow("escape leaves nothing") << "th" << QList<int>{Qt::Key_Escape} << false << ""
                                           << "";
    QTest::newRow("enter without a match") << "zzzq" << QList<int>{Qt::Key_Return} << false << ""
                                           << "";
}

void test_instant_search::keyboard_sends_inputs_and_closes() {
    QFETCH(QString, typed);
    QFETCH(QList<int>, keys);
    QFETCH(bool, shift);
    QFETCH(QString, event);
    QFETCH(QString, content);
    QStringList posted;
    QObject context;
    for (const char* name :
         {events::send_script, events::input_script, events::send_sticker, events::input_file})
        event_bus::instance()->subscribe(name, &context, [&posted, name](const QVariantList& a) {
            posted << QString::fromLatin1(name) << a.value(0).toString();
        });
    auto_follow_widget bar;
    bar.show();
    QLineEdit* field = bar.search_field();
    field->setFocus();
    QTest::keyClicks(field, typed);
    instant_list* list = bar.instant()->list();
    QCOMPARE(list->isVisible(), typed != QLatin1String("zzzq"));
    for (int i = 0; i < keys.size(); ++i)
        QTest::keyClick(field, Qt::Key(keys[i]),
                        i + 1 == keys.size() && shift ? Qt::ShiftModifier : Qt::NoModifier);
    QVERIFY(!list->isVisible());
    if (event.isEmpty()) {
        QCOMPARE(posted, QStringList());
        QCOMPARE(field->text(), typed == QLatin1String("zzzq") ? typed : QString());
    } else {
        QCOMPARE(posted, (QStringList{event, content}));
        QCOMPARE(field->text(), QString());
    }
}

void test_instant_search::history_page_lists_searches_that_sent() {
    auto_follow_widget bar;
    bar.show();
    bar.instant()->clear_searches();
    QLineEdit* field = bar.search_field();
    QTest::keyClicks(field, QStringLiteral("th"));
    QTest::keyClick(field, Qt::Key_Escape); // no send: not a search to keep
    QTest::keyClicks(field, QStringLiteral("mashang"));
    QTest::keyClick(field, Qt::Key_Return);
    QStackedLayout* pages = bar.pages();
    const auto history_texts = [pages] {
        QStringList texts;
        // Replaced buttons are deleted later: count only the ones in the page.
        QLayout* layout = pages->widget(1)->layout();
        for (int i = 0; i < layout->count(); ++i)
            if (auto* b = qobject_cast<custom_button*>(layout->itemAt(i)->widget()))
                texts << b->text();
        return texts;
    };
    QCOMPARE(history_texts(), (QStringList{QStringLiteral("删除"), QStringLiteral("mashang")}));
    // A history entry searches again.
    QLayout* layout = pages->widget(1)->layout();
    qobject_cast<custom_button*>(layout->itemAt(layout->count() - 1)->widget())->click();
    QCOMPARE(field->text(), QStringLiteral("mashang"));
    QVERIFY(bar.instant()->list()->isVisible());
    qobject_cast<custom_button*>(layout->itemAt(1)->widget())->click(); // 删除
    QTRY_COMPARE(history_texts(), QStringList{QStringLiteral("删除")});
    QCOMPARE(bar.instant()->usage().searches(), QStringList());
}

// The usage file keeps accounts apart and survives a new start.
void test_instant_search::usage_is_kept_per_account() {
    const QString path = dir_.filePath(QStringLiteral("accounts.cfg"));
    {
        usage_store a(path);
        a.load(QStringLiteral("agent"));
        a.record_send(QStringLiteral("script:s1"), QStringLiteral("th"), 1000);
        a.record_send(QStringLiteral("script:s1"), QStringLiteral("tuihuo"), 2000);
    }
    usage_store again(path);
    again.load(QStringLiteral("agent"));
    QCOMPARE(again.searches(), (QStringList{QStringLiteral("tuihuo"), QStringLiteral("th")}));
    QVERIFY(again.score(QStringLiteral("script:s1"), 2000) >
            again.score(QStringLiteral("script:s1"), 2000 + 30 * 24 * 3600));
    QCOMPARE(again.score(QStringLiteral("script:s2"), 2000), 0.0);
    usage_store other(path);
    other.load(QStringLiteral("manager"));
    QCOMPARE(other.searches(), QStringList());
    QCOMPARE(other.score(QStringLiteral("script:s1"), 2000), 0.0);
}

QTEST_MAIN(test_instant_search)
#include "test_instant_search.moc"
