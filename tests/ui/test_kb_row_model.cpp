// The scripts page's row model: which rows a store change inserts, updates,
// removes, reorders or resets, for each part, read from the real store.
#include "model/data_center.h"
#include "model/records.h"
#include "model/session_state.h"
#include "ui/kb/kb_row_model.h"

#include <QtTest>
#include <functional>
#include <vector>

using namespace quorvel;

namespace {

category_node_spt category(const QString& id, const QString& super_id, qint64 sort,
                           const QString& type = QStringLiteral("0"),
                           const QString& dept_id = QString()) {
    auto node = category_node_spt::create();
    node->id = id;
    node->superId = super_id;
    node->classifyName = QStringLiteral("分类") + id;
    node->classifyType = type;
    node->deptId = dept_id;
    node->sort = sort;
    return node;
}

script_node_spt script(const QString& id, const QString& category_id, qint64 sort,
                       const QString& type = QStringLiteral("0"),
                       const QString& dept_id = QString()) {
    auto node = script_node_spt::create();
    node->id = id;
    node->classifyId = category_id;
    node->classifyType = type;
    node->deptId = dept_id;
    node->speechContent = QStringLiteral("话术") + id;
    node->sort = sort;
    return node;
}

// Public: "1" holding script 5 and the sub-categories "5" and "6" (holding
// "7" and script 6), and "2". Personal: "p1". Department d1 (the shown
// one): "d1c"; department d2: "d2c".
void make_library() {
    data_center& dc = data_center::instance();
    dc.clear();
    for (const category_node_spt& node :
         {category("1", top_level_id, 1), category("5", "1", 1), category("6", "1", 2),
          category("7", "6", 1), category("2", top_level_id, 2),
          category("p1", top_level_id, 1, QStringLiteral("1")),
          category("d1c", top_level_id, 1, QStringLiteral("2"), QStringLiteral("d1")),
          category("d2c", top_level_id, 1, QStringLiteral("2"), QStringLiteral("d2"))})
        dc.add_category(library_kind::scripts, node);
    dc.replace_scripts({{QStringLiteral("1"), {script("5", "1", 2), script("4", "1", 1)}},
                        {QStringLiteral("6"), {script("6", "6", 1)}}});
    session_state::instance().set_dept_id(QStringLiteral("d1"));
}

category_node_spt stored(const QString& id, int part = 0) {
    const data_center& dc = data_center::instance();
    return dc.find_category(library_kind::scripts, part,
                            part == 2 ? session_state::instance().dept_id() : QString(), id);
}

// "inserted c:8 in 1 top 1", "reordered c in 1 top 1 [6,5]", "reset s in 6 top 1 [9,10]".
QString describe(const kb_row_change_t& change) {
    static const char* const ops[] = {"reset", "inserted", "updated", "removed", "reordered"};
    QString text = QLatin1String(ops[int(change.op)]) + QLatin1Char(' ') +
                   QLatin1Char(change.kind == script_row ? 's' : 'c');
    if (!change.id.isEmpty())
        text += QLatin1Char(':') + change.id;
    if (!change.parent_id.isEmpty())
        text += QStringLiteral(" in ") + change.parent_id;
    if (!change.top_id.isEmpty())
        text += QStringLiteral(" top ") + change.top_id;
    QStringList ids = change.ids;
    for (const script_node_spt& node : change.scripts)
        ids << node->id;
    if (!ids.isEmpty())
        text += QStringLiteral(" [") + ids.join(QLatin1Char(',')) + QLatin1Char(']');
    return text;
}

struct store_case_t {
    const char* name;
    int part; // the model's part
    std::function<void(data_center&)> change;
    QStringList rows;
};

const std::vector<store_case_t>& store_cases() {
    static const std::vector<store_case_t> cases{
        {"sub-category added",
         0,
         [](data_center& dc) { dc.add_category(library_kind::scripts, category("8", "1", 3)); },
         {"inserted c:8 in 1 top 1"}},
        {"third-level category added",
         0,
         [](data_center& dc) { dc.add_category(library_kind::scripts, category("9", "6", 2)); },
         {"inserted c:9 in 6 top 1"}},
        {"first-level category added",
         0,
         [](data_center& dc) {
             dc.add_category(library_kind::scripts, category("3", top_level_id, 3));
         },
         {"inserted c:3 in -1 top 3"}},
        {"sub-category renamed",
         0,
         [](data_center& dc) {
             auto renamed = category("5", "1", 1);
             renamed->classifyName = QStringLiteral("改名");
             dc.update_category(library_kind::scripts, renamed);
         },
         {"updated c:5 in 1 top 1"}},
        {"first-level category renamed",
         0,
         [](data_center& dc) {
             dc.update_category(library_kind::scripts, category("2", top_level_id, 2));
         },
         {"updated c:2 in -1 top 2"}},
        {"sub-category removed",
         0,
         [](data_center& dc) { dc.remove_category(library_kind::scripts, stored("6")); },
         {"removed c:6 in 1 top 1"}},
        {"first-level category removed",
         0,
         [](data_center& dc) { dc.remove_category(library_kind::scripts, stored("2")); },
         {"removed c:2 in -1 top 2"}},
        {"sub-categories sorted",
         0,
         [](data_center& dc) {
             dc.sort_categories(library_kind::scripts, stored("5"), {"6", "5"});
         },
         {"reordered c in 1 top 1 [6,5]"}},
        {"first-level categories sorted",
         0,
         [](data_center& dc) {
             dc.sort_categories(library_kind::scripts, stored("1"), {"2", "1"});
         },
         {"reordered c in -1 [2,1]"}},
        {"script added deep down",
         0,
         [](data_center& dc) { dc.add_script(script("40", "7", 1)); },
         {"inserted s:40 in 7 top 1"}},
        {"script edited",
         0,
         [](data_center& dc) {
             auto edited = script("5", "1", 2);
             edited->speechContent = QStringLiteral("新内容");
             dc.update_script(edited);
         },
         {"updated s:5 in 1 top 1"}},
        {"script removed",
         0,
         [](data_center& dc) { dc.remove_script(script("6", "6", 1)); },
         {"removed s:6 in 6 top 1"}},
        {"script of an unknown category removed",
         0,
         [](data_center& dc) { dc.remove_script(script("x", "zz", 1)); },
         {"removed s:x in zz"}},
        {"category reloaded",
         0,
         [](data_center& dc) {
             dc.replace_category_scripts(0, QString(), QStringLiteral("6"),
                                         {script("9", "6", 1), script("10", "6", 2)});
         },
         {"reset s in 6 top 1 [9,10]"}},
        {"part reloaded",
         0,
         [](data_center& dc) { dc.replace_script_part(0, QString(), category_tree_t{}, {}); },
         {"reset c"}},
        {"part tree replaced",
         0,
         [](data_center& dc) {
             dc.replace_category_tree(library_kind::scripts, 0, QString(), category_tree_t{});
         },
         {"reset c"}},
        {"every script replaced", 0, [](data_center& dc) { dc.replace_scripts({}); }, {}},
        {"categories merged into several parts",
         0,
         [](data_center& dc) {
             dc.merge_categories(library_kind::scripts,
                                 {{QStringLiteral("11"), category("11", "1", 5)}});
         },
         {}},
        {"personal category, public rows",
         0,
         [](data_center& dc) {
             dc.add_category(library_kind::scripts,
                             category("p2", top_level_id, 2, QStringLiteral("1")));
         },
         {}},
        {"personal category, personal rows",
         1,
         [](data_center& dc) {
             dc.add_category(library_kind::scripts,
                             category("p2", top_level_id, 2, QStringLiteral("1")));
         },
         {"inserted c:p2 in -1 top p2"}},
        {"sticker category",
         0,
         [](data_center& dc) {
             dc.add_category(library_kind::stickers, category("st", top_level_id, 1));
         },
         {}},
        {"category in the shown department",
         2,
         [](data_center& dc) {
             dc.add_category(library_kind::scripts, category("d1x", "d1c", 1, "2", "d1"));
         },
         {"inserted c:d1x in d1c top d1c"}},
        {"category in another department",
         2,
         [](data_center& dc) {
             dc.add_category(library_kind::scripts, category("d2x", "d2c", 1, "2", "d2"));
         },
         {}},
        {"script in another department",
         2,
         [](data_center& dc) { dc.remove_script(script("s", "d2c", 1, "2", "d2")); },
         {}},
        {"script in the shown department",
         2,
         [](data_center& dc) { dc.add_script(script("s", "d1c", 1, "2", "d1")); },
         {"inserted s:s in d1c top d1c"}},
        {"department switched",
         2,
         [](data_center& dc) { session_state::instance().set_dept_id(QStringLiteral("d2")); },
         {}},
    };
    return cases;
}

} // namespace

class test_kb_row_model : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { register_meta_types(); }
    void init() { make_library(); }
    void cleanup() { data_center::instance().clear(); }
    void store_changes_become_rows_data();
    void store_changes_become_rows();
    void rows_come_in_display_order();
};

void test_kb_row_model::store_changes_become_rows_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(store_cases().size()); ++i)
        QTest::newRow(store_cases()[i].name) << i;
}

void test_kb_row_model::store_changes_become_rows() {
    QFETCH(int, index);
    const store_case_t& c = store_cases()[index];
    kb_row_model model(c.part);
    QStringList rows;
    connect(&model, &kb_row_model::rows_changed, this, [&](const kb_row_change_t& change) {
        rows << describe(change);
        // The record travels with its row.
        if (change.category)
            QCOMPARE(change.category->id, change.id);
        if (change.script)
            QCOMPARE(change.script->id, change.id);
    });
    c.change(data_center::instance());
    QCOMPARE(rows, c.rows);
}

void test_kb_row_model::rows_come_in_display_order() {
    kb_row_model model(0);
    QStringList tops, children, scripts;
    for (const category_node_spt& node : model.top_categories())
        tops << node->id;
    for (const category_node_spt& node : model.categories_in(QStringLiteral("1")))
        children << node->id;
    for (const script_node_spt& node : model.scripts_in(QStringLiteral("1")))
        scripts << node->id;
    QCOMPARE(tops, QStringList({"1", "2"}));
    QCOMPARE(children, QStringList({"5", "6"}));
    QCOMPARE(scripts, QStringList({"4", "5"})); // by their sort, not their order in the store
    QCOMPARE(model.top_of_script(script("6", "6", 1)), QStringLiteral("1"));
    QCOMPARE(model.first_level_of(QStringLiteral("7"))->id, QStringLiteral("1"));
    QVERIFY(model.top_of_script(script("x", "zz", 1)).isEmpty());
    kb_row_model department(2);
    QCOMPARE(department.shown_dept(), QStringLiteral("d1"));
    QCOMPARE(department.top_categories().size(), 1);
    QCOMPARE(department.top_categories().first()->id, QStringLiteral("d1c"));
}

QTEST_MAIN(test_kb_row_model)
#include "test_kb_row_model.moc"
