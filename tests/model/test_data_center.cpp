// Category trees, the store's operations and the rights read from the profile.
#include "model/data_center.h"
#include "model/library_snapshot.h"
#include "model/session_state.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QtTest>

using namespace quorvel;

namespace {

QJsonObject category(const char* id, const char* parent, const char* name, const char* type = "0",
                     const char* dept = "") {
    return {{"id", id},
            {"superId", parent},
            {"classifyName", name},
            {"sort", 1},
            {"whetherToUnfold", 0},
            {"classifyType", type},
            {"clientBusinessType", "310"},
            {"deptId", dept}};
}

category_node_spt node(const char* id, const char* parent, const char* name, const char* type = "0",
                       const char* dept = "") {
    return category_node_t::from_json(category(id, parent, name, type, dept));
}

script_node_spt script(const char* id, const char* category_id, const char* type = "0") {
    auto s = script_node_spt::create();
    s->id = id;
    s->classifyId = category_id;
    s->classifyType = type;
    return s;
}

QStringList ids(const QList<category_node_spt>& nodes) {
    QStringList out;
    for (const auto& n : nodes)
        out << n->id;
    return out;
}

user_login_info_spt profile(const char* text) {
    return user_login_info_t::from_json(QJsonDocument::fromJson(text).object());
}

} // namespace

class test_data_center : public QObject {
    Q_OBJECT
private slots:
    void init() { data_center::instance().clear(); }
    void a_snapshot_replaces_what_it_holds_in_one_step();
    void flat_order_does_not_matter();
    void first_level_walks_end_on_gaps_and_cycles();
    void department_tree_created_on_first_add();
    void removing_a_category_takes_subtree_and_scripts();
    void entry_lookup_public_then_personal();
    void merge_replaces_or_appends();
    void path_and_script_lookups();
    void sticker_doc_and_phrase_operations();
    void sticker_categories_of_every_part_data();
    void sticker_categories_of_every_part();
    void rights_data();
    void rights();
    void default_department_data();
    void default_department();
    void hundred_thousand_departments();
    void token_is_safe_across_threads();
    void changes_are_announced_data();
    void changes_are_announced();
    void parts_are_addressed_alike();
    void category_changes_of_every_library_data();
    void category_changes_of_every_library();
};

void test_data_center::flat_order_does_not_matter() {
    const QJsonArray forward{category("1", "-1", "parent"), category("2", "1", "child")};
    const QJsonArray backward{category("2", "1", "child"), category("1", "-1", "parent")};
    category_tree_t a, b;
    build_tree_from_flat(a, forward);
    build_tree_from_flat(b, backward);
    for (category_tree_t* t : {&a, &b}) {
        QCOMPARE(ids(t->value("-1").children), QStringList{"1"});
        QCOMPARE(ids(t->value("1").children), QStringList{"2"});
        QCOMPARE(t->value("1").node->classifyName, QString("parent"));
        QCOMPARE(t->value("2").node->classifyName, QString("child"));
    }
}

void test_data_center::first_level_walks_end_on_gaps_and_cycles() {
    data_center& dc = data_center::instance();
    for (auto n : {node("1", "-1", "top"), node("2", "1", "mid"), node("3", "2", "leaf"),
                   node("8", "99", "orphan"), node("5", "6", "loop a"), node("6", "5", "loop b")})
        dc.add_category(library_kind::scripts, n);
    QCOMPARE(dc.first_level_category(library_kind::scripts, 0, QString(), "3")->id, QString("1"));
    QCOMPARE(dc.first_level_category(library_kind::scripts, 0, QString(), "2")->id, QString("1"));
    QCOMPARE(dc.first_level_category(library_kind::scripts, 0, QString(), "1")->id, QString("1"));
    QCOMPARE(dc.first_level_category(library_kind::scripts, 0, QString(), "8")->id,
             QString("8")); // parent missing: as far as it goes
    QVERIFY(dc.first_level_category(library_kind::scripts, 0, QString(), "5")); // a cycle ends
    QVERIFY(!dc.first_level_category(library_kind::scripts, 0, QString(), "404"));
    auto s = script("s", "5");
    dc.add_script(s);
    QVERIFY(!dc.script_category_path(s).isEmpty());
}

void test_data_center::department_tree_created_on_first_add() {
    data_center& dc = data_center::instance();
    QVERIFY(!dc.category_tree(library_kind::scripts, 2, "7"));
    dc.add_category(library_kind::scripts, node("10", "-1", "dept top", "2", "7"));
    dc.add_category(library_kind::scripts, node("11", "10", "dept child", "2", "7"));
    QVERIFY(dc.category_tree(library_kind::scripts, 2, "7"));
    QCOMPARE(ids(*dc.top_categories(library_kind::scripts, 2, "7")), QStringList{"10"});
    QCOMPARE(ids(*dc.category_children(library_kind::scripts, 2, "7", "10")), QStringList{"11"});
    QCOMPARE(dc.find_category(library_kind::scripts, 2, "7", "11")->classifyName,
             QString("dept child"));
    QCOMPARE(dc.first_level_category(library_kind::scripts, 2, QString("7"), "11")->id,
             QString("10"));
    // A category without a parent id is ignored for the public and personal trees.
    auto loose = category_node_spt::create();
    loose->id = "x";
    loose->classifyType = "0";
    dc.add_category(library_kind::scripts, loose);
    QVERIFY(!dc.find_category(library_kind::scripts, 0, QString(), "x"));
}

void test_data_center::removing_a_category_takes_subtree_and_scripts() {
    data_center& dc = data_center::instance();
    for (auto n :
         {node("1", "-1", "a"), node("2", "1", "b"), node("3", "2", "c"), node("4", "-1", "keep")})
        dc.add_category(library_kind::scripts, n);
    for (const char* id : {"2", "3", "4"})
        dc.add_script(script(qPrintable(QStringLiteral("s") + id), id));
    dc.remove_category(library_kind::scripts,
                       dc.find_category(library_kind::scripts, 0, QString(), "1"));
    QCOMPARE(ids(*dc.top_categories(library_kind::scripts, 0, QString())), QStringList{"4"});
    for (const char* id : {"1", "2", "3"}) {
        QVERIFY(!dc.category_tree(library_kind::scripts, 0)->contains(id));
        QVERIFY(!dc.scripts_by_category().contains(id));
    }
    QVERIFY(dc.find_script("s4"));
}

void test_data_center::entry_lookup_public_then_personal() {
    data_center& dc = data_center::instance();
    dc.add_category(library_kind::scripts, node("20", "-1", "mine", "1"));
    const category_entry_t* entry = dc.find_script_category_entry("", "20");
    QVERIFY(entry && entry->node->classifyName == "mine");
    dc.add_category(library_kind::scripts, node("20", "-1", "public twin", "0"));
    QCOMPARE(dc.find_script_category_entry("", "20")->node->classifyName, QString("public twin"));
    QVERIFY(!dc.find_script_category_entry("99", "20"));
}

void test_data_center::merge_replaces_or_appends() {
    data_center& dc = data_center::instance();
    dc.add_category(library_kind::scripts, node("1", "-1", "old"));
    dc.merge_categories(library_kind::scripts,
                        {{"1", node("1", "-1", "new")}, {"2", node("2", "1", "added")}});
    QCOMPARE(dc.top_categories(library_kind::scripts, 0, QString())->size(), 1);
    QCOMPARE(dc.top_categories(library_kind::scripts, 0, QString())->first()->classifyName,
             QString("new"));
    QCOMPARE(ids(dc.category_tree(library_kind::scripts, 0)->value("1").children),
             QStringList{"2"});

    auto renamed = node("2", "1", "renamed");
    dc.update_category(library_kind::scripts, renamed);
    QCOMPARE(dc.find_category(library_kind::scripts, 0, QString(), "2")->classifyName,
             QString("renamed"));
}

void test_data_center::path_and_script_lookups() {
    data_center& dc = data_center::instance();
    for (auto n : {node("1", "-1", "售后"), node("2", "1", "退换货"), node("3", "2", "运费")})
        dc.add_category(library_kind::scripts, n);
    auto s = script("9", "3");
    dc.add_script(s);
    QCOMPARE(dc.script_category_path(s), QStringLiteral("售后 > 退换货 > 运费"));
    QCOMPARE(dc.script_category_path(script("x", "404")), QString());

    auto changed = script("9", "3");
    changed->speechContent = "new";
    const script_node_spt stored = dc.update_script(changed);
    QCOMPARE(stored, s); // the stored record, changed in place
    QCOMPARE(s->speechContent, QString("new"));
    QVERIFY(!dc.update_script(script("404", "3")));
    QCOMPARE(dc.find_script("9"), s);
    QVERIFY(!dc.find_script("404"));
}

void test_data_center::sticker_doc_and_phrase_operations() {
    data_center& dc = data_center::instance();
    auto sticker = sticker_node_spt::create();
    sticker->id = "1";
    sticker->classifyId = "c";
    dc.add_sticker(sticker);
    auto edited = sticker_node_spt::create();
    *edited = *sticker;
    edited->emojiContentDesc = "笑";
    QCOMPARE(dc.update_sticker(edited), sticker);
    QCOMPARE(sticker->emojiContentDesc, QStringLiteral("笑"));
    dc.remove_sticker(sticker);
    QVERIFY(dc.stickers_by_category()["c"].isEmpty());

    auto dept_sticker_cat = node("30", "-1", "dept stickers", "2", "5");
    dc.add_category(library_kind::stickers, dept_sticker_cat);
    QCOMPARE(ids(dc.category_tree(library_kind::stickers, 2, "5")->value("-1").children),
             QStringList{"30"});

    category_tree_t docs;
    for (auto n : {node("d1", "-1", "docs"), node("d2", "d1", "sub")})
        add_to_tree(docs, n);
    dc.replace_category_tree(library_kind::documents, -1, QString(), docs);
    auto doc = doc_node_spt::create();
    doc->id = "x";
    doc->classifyId = "d2";
    dc.merge_docs({{"d2", {doc}}});
    dc.merge_docs({{"d2", {doc_node_spt::create()}}});
    QCOMPARE(dc.docs_of_category("d2")->size(), 2);
    dc.remove_category(library_kind::documents,
                       dc.find_category(library_kind::documents, -1, QString(), "d1"));
    QVERIFY(!dc.docs_of_category("d2"));
    QVERIFY(dc.doc_categories().value("-1").children.isEmpty());

    auto phrase = phrase_node_spt::create();
    phrase->id = "p";
    dc.put_phrase(phrase);
    QVERIFY(dc.phrases().contains("p"));
    dc.remove_phrase(phrase);
    QVERIFY(dc.phrases().isEmpty());
}

void test_data_center::sticker_categories_of_every_part_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("dept");
    QTest::newRow("public") << "0"
                            << "";
    QTest::newRow("personal") << "1"
                              << "";
    QTest::newRow("department") << "2"
                                << "5";
}

void test_data_center::sticker_categories_of_every_part() {
    QFETCH(QString, type);
    QFETCH(QString, dept);
    data_center& dc = data_center::instance();
    QSignalSpy changes(&dc, &data_center::changed);
    auto created = node("40", "-1", "new stickers", qPrintable(type), qPrintable(dept));
    dc.add_category(library_kind::stickers, created);
    // Reported twice (the request's success and the dialog's event): stored once.
    dc.add_category(library_kind::stickers, category_node_spt::create(*created));
    const int part = type.toInt();
    QCOMPARE(ids(dc.category_tree(library_kind::stickers, part, dept)->value("-1").children),
             QStringList{"40"});
    QCOMPARE(dc.find_category(library_kind::stickers, part, dept, "40"), created);
    QVERIFY(!dc.category_tree(library_kind::scripts, part, dept));
    QCOMPARE(changes.count(), 1);
    const auto added = changes.first().first().value<store_change_t>();
    QCOMPARE(added.library, library_kind::stickers);
    QCOMPARE(added.part, part);
    QCOMPARE(added.dept_id, dept);

    // Listed anew: the category's stickers are exactly the new list.
    auto old_sticker = sticker_node_spt::create();
    old_sticker->id = "s1";
    old_sticker->classifyId = "40";
    dc.add_sticker(old_sticker);
    auto listed = sticker_node_spt::create(*old_sticker);
    listed->id = "s2";
    dc.replace_category_stickers("40", {listed});
    QCOMPARE(dc.stickers_by_category().value("40"), QList<sticker_node_spt>{listed});
    const auto replaced = changes.last().first().value<store_change_t>();
    QCOMPARE(replaced.op, store_op::replaced);
    QCOMPARE(replaced.category_id, QString("40"));

    dc.remove_category(library_kind::stickers, created);
    QVERIFY(!dc.find_category(library_kind::stickers, part, dept, "40"));
    QVERIFY(!dc.stickers_by_category().contains("40"));
}

void test_data_center::rights_data() {
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<bool>("manager");
    QTest::addColumn<bool>("manager_in_3");
    QTest::addColumn<bool>("manager_in_9");
    QTest::newRow("first role zz")
        << QByteArray(R"({"userRoleList":[{"roleKey":"kfzz"}]})") << true << false << false;
    QTest::newRow("upper-case ZZ")
        << QByteArray(R"({"userRoleList":[{"roleKey":"kfZZ"}]})") << false << false << false;
    QTest::newRow("second role zz only")
        << QByteArray(R"({"userRoleList":[{"roleKey":"kf"},{"roleKey":"kfzz"}]})") << false << false
        << false;
    QTest::newRow("admin without roles")
        << QByteArray(
               R"({"adminType":1,"deptRoleTreeMap":{"checkDeptDataList":[{"deptId":"3","roleKeys":["kf"]}]}})")
        << false << true << true;
    QTest::newRow("admin with a plain role")
        << QByteArray(R"({"adminType":1,"userRoleList":[{"roleKey":"kf"}]})") << true << false
        << false;
    QTest::newRow("department manager")
        << QByteArray(R"({"userRoleList":[{"roleKey":"kf"}],"deptRoleTreeMap":{"checkDeptDataList":[
            {"deptId":"3","roleKeys":["kf","kfzz"]},{"deptId":"9","roleKeys":["kf"]}]}})")
        << false << true << false;
}

void test_data_center::rights() {
    QFETCH(QByteArray, profile);
    session_state& login = session_state::instance();
    QVERIFY(!login.has_manager_role());
    login.set_login_user(::profile(profile.constData()));
    QTEST(login.has_manager_role(), "manager");
    QTEST(login.has_manager_role_in("3"), "manager_in_3");
    QTEST(login.has_manager_role_in("9"), "manager_in_9");
}

void test_data_center::default_department_data() {
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QString>("expected");
    const QByteArray tree =
        R"("deptAllTree":[{"id":"1","children":[{"id":"2","children":[{"id":"4"}]},{"id":"3"}]},
                               {"id":"7","children":[{"id":"8"}]}])";
    auto p = [&](const char* own, const char* rights) {
        return "{\"deptId\":\"" + QByteArray(own) + "\",\"deptRoleTreeMap\":{" + tree +
               ",\"checkDeptDataList\":[" + rights + "]}}";
    };
    QTest::newRow("own with rights") << p("2", R"({"deptId":"2"})") << "2";
    QTest::newRow("own without, child with") << p("2", R"({"deptId":"4"})") << "4";
    QTest::newRow("own without, nothing below; first root's subtree")
        << p("4", R"({"deptId":"3"})") << "3";
    QTest::newRow("a root is never returned") << p("4", R"({"deptId":"7"})") << "";
    QTest::newRow("second root's child") << p("4", R"({"deptId":"8"})") << "8";
    QTest::newRow("own unknown") << p("99", R"({"deptId":"2"})") << "2";
    QTest::newRow("no rights") << p("2", "") << "";
}

void test_data_center::default_department() {
    QFETCH(QByteArray, profile);
    QFETCH(QString, expected);
    session_state::instance().set_login_user(::profile(profile.constData()));
    const dept_tree_node_spt found = session_state::instance().default_department();
    QCOMPARE(found ? found->id : QString(), expected);
}

// A large organisation's profile: every department is kept, a later one of
// the same id (in tree order, each before its children) wins. Such a profile
// used to keep the login busy for minutes.
void test_data_center::hundred_thousand_departments() {
    QByteArray roots;
    for (int r = 0; r < 50000; ++r) {
        // Each root has one child; the last child repeats the id of the one before.
        const QByteArray child = r < 49998 ? "d" + QByteArray::number(r) : QByteArray("shared");
        roots += (r ? "," : "") + QByteArray(R"({"id":"r)") + QByteArray::number(r) +
                 R"(","children":[{"id":")" + child + R"(","label":"under )" +
                 QByteArray::number(r) + R"("}]})";
    }
    session_state& login = session_state::instance();
    const QByteArray text = R"({"deptId":"r49998","deptRoleTreeMap":{"deptAllTree":[)" + roots +
                            R"(],"checkDeptDataList":[{"deptId":"shared"}]}})";
    login.set_login_user(profile(text.constData()));
    QCOMPARE(login.departments().size(), 100000 - 1);
    QCOMPARE(login.departments().value("shared")->label, QString("under 49999"));
    QCOMPARE(login.departments().value("d777")->label, QString("under 777"));
    QCOMPARE(login.default_department()->label, QString("under 49998"));
}

void test_data_center::token_is_safe_across_threads() {
    session_state& login = session_state::instance();
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::unique_ptr<QThread> reader(QThread::create([&] {
        while (!stop) {
            const QString t = login.token();
            if (!t.isEmpty() && t != QString(64, 'a') && t != QString(64, 'b'))
                ++torn;
        }
    }));
    reader->start();
    for (int i = 0; i < 20000; ++i)
        login.set_token(QString(64, i % 2 ? 'a' : 'b'));
    stop = true;
    reader->wait();
    QCOMPARE(torn.load(), 0);
}

// What each named operation tells the views: a public tree with "1" > "2"
// and script "s" in "2", department "7" with its top category "10".
void test_data_center::changes_are_announced_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("subject");
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("part");
    QTest::addColumn<QString>("dept");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QStringList>("ids");
    const int categories = int(store_subject::categories);
    const int scripts = int(store_subject::scripts);
    QTest::newRow("add a public category")
        << "add category" << categories << int(store_op::added) << 0 << ""
        << "1" << QStringList{"3"};
    QTest::newRow("add a department category")
        << "add dept category" << categories << int(store_op::added) << 2 << "7"
        << "-1" << QStringList{"11"};
    QTest::newRow("rename a category")
        << "rename category" << categories << int(store_op::updated) << 0 << ""
        << "1" << QStringList{"2"};
    QTest::newRow("remove a category and its subtree")
        << "remove category" << categories << int(store_op::removed) << 0 << ""
        << "-1" << QStringList{"1", "2"};
    QTest::newRow("sort categories")
        << "sort categories" << categories << int(store_op::sorted) << 0 << ""
        << "-1" << QStringList{"9", "1"};
    QTest::newRow("add a script") << "add script" << scripts << int(store_op::added) << 0 << ""
                                  << "2" << QStringList{"t"};
    QTest::newRow("edit a script")
        << "update script" << scripts << int(store_op::updated) << 0 << ""
        << "2" << QStringList{"s"};
    QTest::newRow("remove a script")
        << "remove script" << scripts << int(store_op::removed) << 0 << ""
        << "2" << QStringList{"s"};
    QTest::newRow("reload a category") << "reload" << scripts << int(store_op::replaced) << 0 << ""
                                       << "2" << QStringList{"u"};
    QTest::newRow("put a phrase") << "put phrase" << int(store_subject::phrases)
                                  << int(store_op::added) << -1 << ""
                                  << "" << QStringList{"p"};
}

void test_data_center::changes_are_announced() {
    QFETCH(QString, operation);
    data_center& dc = data_center::instance();
    for (auto n : {node("1", "-1", "a"), node("2", "1", "b"), node("9", "-1", "c"),
                   node("10", "-1", "d", "2", "7")})
        dc.add_category(library_kind::scripts, n);
    const script_node_spt s = script("s", "2");
    dc.add_script(s);
    QSignalSpy spy(&dc, &data_center::changed);
    if (operation == "add category")
        dc.add_category(library_kind::scripts, node("3", "1", "new"));
    else if (operation == "add dept category")
        dc.add_category(library_kind::scripts, node("11", "-1", "new", "2", "7"));
    else if (operation == "rename category")
        dc.update_category(library_kind::scripts, node("2", "1", "renamed"));
    else if (operation == "remove category")
        dc.remove_category(library_kind::scripts,
                           dc.find_category(library_kind::scripts, 0, QString(), "1"));
    else if (operation == "sort categories")
        dc.sort_categories(library_kind::scripts,
                           dc.find_category(library_kind::scripts, 0, QString(), "1"), {"9", "1"});
    else if (operation == "add script")
        dc.add_script(script("t", "2"));
    else if (operation == "update script")
        dc.update_script(script("s", "2"));
    else if (operation == "remove script")
        dc.remove_script(s);
    else if (operation == "reload")
        dc.replace_category_scripts(0, QString(), "2", {script("u", "2")});
    else if (operation == "put phrase") {
        auto p = phrase_node_spt::create();
        p->id = "p";
        dc.put_phrase(p);
    }
    QCOMPARE(spy.size(), 1);
    const auto change = spy.first().first().value<store_change_t>();
    QTEST(int(change.subject), "subject");
    QTEST(int(change.op), "op");
    QTEST(change.part, "part");
    QTEST(change.dept_id, "dept");
    QTEST(change.category_id, "category");
    QTEST(change.ids, "ids");
}

// One address for every part: the department part is keyed by department,
// the others ignore it.
void test_data_center::parts_are_addressed_alike() {
    data_center& dc = data_center::instance();
    dc.add_category(library_kind::scripts, node("1", "-1", "public"));
    dc.add_category(library_kind::scripts, node("2", "-1", "personal", "1"));
    dc.add_category(library_kind::scripts, node("3", "-1", "dept", "2", "7"));
    dc.add_category(library_kind::scripts, node("4", "3", "dept child", "2", "7"));
    QCOMPARE(ids(*dc.top_categories(library_kind::scripts, 0, "7")), QStringList{"1"});
    QCOMPARE(ids(*dc.top_categories(library_kind::scripts, 1, QString())), QStringList{"2"});
    QCOMPARE(ids(*dc.top_categories(library_kind::scripts, 2, "7")), QStringList{"3"});
    QVERIFY(!dc.top_categories(library_kind::scripts, 2, "8"));
    QCOMPARE(dc.first_level_category(library_kind::scripts, 2, "7", "4")->id, QString("3"));
    QCOMPARE(ids(*dc.category_children(library_kind::scripts, 2, "7", "3")), QStringList{"4"});
    QCOMPARE(dc.tree_departments(library_kind::scripts), QStringList{"7"});
    QCOMPARE(dc.part_trees(library_kind::scripts, 2).size(), 1);
    // The old department-only forms read the same tree.
    QCOMPARE(dc.find_category(library_kind::scripts, 2, "7", "4"),
             dc.find_category(library_kind::scripts, 2, "7", "4"));
    QVERIFY(!dc.find_category(library_kind::scripts, 2, QString(),
                              "4")); // the department part needs its department
}

void test_data_center::category_changes_of_every_library_data() {
    QTest::addColumn<int>("library_number");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("dept");
    QTest::addColumn<int>("reported_part");
    QTest::addColumn<QString>("reported_dept");
    QTest::newRow("public scripts") << int(library_kind::scripts) << "0"
                                    << "" << 0 << "";
    QTest::newRow("department scripts") << int(library_kind::scripts) << "2"
                                        << "7" << 2 << "7";
    QTest::newRow("personal stickers") << int(library_kind::stickers) << "1"
                                       << "" << 1 << "";
    QTest::newRow("department stickers") << int(library_kind::stickers) << "2"
                                         << "5" << 2 << "5";
    // Documents keep one tree: every part and department names it.
    QTest::newRow("personal documents") << int(library_kind::documents) << "1"
                                        << "" << -1 << "";
    QTest::newRow("department documents") << int(library_kind::documents) << "2"
                                          << "5" << -1 << "";
}

// Added, sorted, renamed and removed alike in every library, each change
// announced with the place its library reports.
void test_data_center::category_changes_of_every_library() {
    QFETCH(int, library_number);
    QFETCH(QString, type);
    QFETCH(QString, dept);
    QFETCH(int, reported_part);
    QFETCH(QString, reported_dept);
    const auto library = library_kind(library_number);
    data_center& dc = data_center::instance();
    const int part = type.toInt();
    const auto make = [&](const char* id, const char* parent, const char* name) {
        return node(id, parent, name, qPrintable(type), qPrintable(dept));
    };
    QSignalSpy changes(&dc, &data_center::changed);
    for (const auto& n : {make("p", "-1", "parent"), make("c", "p", "one"), make("d", "p", "two")})
        dc.add_category(library, n);
    dc.sort_categories(library, make("d", "p", "two"), {"d"});
    QCOMPARE(ids(*dc.category_children(library, part, dept, "p")), (QStringList{"d", "c"}));
    dc.update_category(library, make("c", "p", "renamed"));
    QCOMPARE(dc.find_category(library, part, dept, "c")->classifyName, QString("renamed"));
    QCOMPARE(dc.first_level_category(library, part, dept, "c")->id, QString("p"));
    dc.remove_category(library, dc.find_category(library, part, dept, "p"));
    QVERIFY(!dc.find_category(library, part, dept, "d"));
    QVERIFY(dc.top_categories(library, part, dept)->isEmpty());

    const QList<std::tuple<store_op, QString, QStringList>> expected{
        {store_op::added, "-1", {"p"}},  {store_op::added, "p", {"c"}},
        {store_op::added, "p", {"d"}},   {store_op::sorted, "p", {"d"}},
        {store_op::updated, "p", {"c"}}, {store_op::removed, "-1", {"p", "d", "c"}},
    };
    QCOMPARE(changes.count(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const auto change = changes.at(i).first().value<store_change_t>();
        QCOMPARE(change.subject, store_subject::categories);
        QCOMPARE(change.op, std::get<0>(expected[i]));
        QCOMPARE(change.library, library);
        QCOMPARE(change.part, reported_part);
        QCOMPARE(change.dept_id, reported_dept);
        QCOMPARE(change.category_id, std::get<1>(expected[i]));
        QCOMPARE(change.ids, std::get<2>(expected[i]));
    }
}

// The synchronisation's snapshot: each part it holds replaces the store's and
// is announced as its bulk replace is, in the synchronisation's order; a part
// it lacks (a failed query) keeps what the store held.
void test_data_center::a_snapshot_replaces_what_it_holds_in_one_step() {
    data_center& dc = data_center::instance();
    category_tree_t kept_stickers;
    add_to_tree(kept_stickers, node("s1", "-1", "kept", "0"));
    dc.replace_category_tree(library_kind::stickers, 0, QString(), kept_stickers);
    dc.replace_phrases({{"old", phrase_node_spt::create()}});

    library_snapshot_t snapshot;
    category_tree_t pub, dept;
    add_to_tree(pub, node("a", "-1", "public", "0"));
    add_to_tree(dept, node("d", "-1", "dept", "2", "7"));
    snapshot.script_trees = {{0, QString(), pub}, {2, "7", dept}};
    snapshot.scripts = script_map_t{{"a", {script("x", "a")}}};
    snapshot.stickers = sticker_map_t{};

    QStringList seen;
    const auto line = [](store_subject subject, store_op op, int part, const QString& dept) {
        return QString("%1/%2/%3/%4").arg(int(subject)).arg(int(op)).arg(part).arg(dept);
    };
    const QMetaObject::Connection watch =
        connect(&dc, &data_center::changed, this,
                [&](const store_change_t& c) { seen << line(c.subject, c.op, c.part, c.dept_id); });
    dc.apply_snapshot(snapshot);
    disconnect(watch);

    const store_op replaced = store_op::replaced;
    QCOMPARE(seen, (QStringList{line(store_subject::categories, replaced, 0, ""),
                                line(store_subject::categories, replaced, 2, "7"),
                                line(store_subject::scripts, replaced, -1, ""),
                                line(store_subject::stickers, replaced, -1, "")}));
    QVERIFY(dc.find_category(library_kind::scripts, 0, QString(), "a"));
    QVERIFY(dc.find_category(library_kind::scripts, 2, "7", "d"));
    QCOMPARE(dc.scripts_of("a").size(), 1);
    // Not in the snapshot: kept.
    QVERIFY(dc.category_tree(library_kind::stickers, 0)->contains("s1"));
    QVERIFY(dc.phrases().contains("old"));
}

QTEST_GUILESS_MAIN(test_data_center)
#include "test_data_center.moc"
