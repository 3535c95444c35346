// The sticker page's row model: which categories and tiles a store change
// touches in each scope, read from the real store.
#include "model/data_center.h"
#include "model/records.h"
#include "ui/stickers/sticker_row_model.h"

#include <QtTest>
#include <functional>
#include <vector>

using namespace quorvel;

namespace {

category_node_spt category(const QString& id, const QString& type = QStringLiteral("0"),
                           const QString& dept_id = QString()) {
    auto node = category_node_spt::create();
    node->id = id;
    node->superId = top_level_id;
    node->classifyName = QStringLiteral("分类") + id;
    node->classifyType = type;
    node->deptId = dept_id;
    return node;
}

sticker_node_spt sticker(const QString& id, const QString& category_id) {
    auto node = sticker_node_spt::create();
    node->id = id;
    node->classifyId = category_id;
    node->classifyType = QStringLiteral("0");
    return node;
}

// Public "c1" holding stickers t1 and t2, personal "p1", department d1 (the
// shown one) "d1c", department d2 "d2c".
void make_library() {
    data_center& dc = data_center::instance();
    dc.clear();
    dc.add_category(library_kind::stickers, category("c1"));
    dc.add_category(library_kind::stickers, category("p1", QStringLiteral("1")));
    dc.add_category(library_kind::stickers,
                    category("d1c", QStringLiteral("2"), QStringLiteral("d1")));
    dc.add_category(library_kind::stickers,
                    category("d2c", QStringLiteral("2"), QStringLiteral("d2")));
    dc.replace_stickers({{QStringLiteral("c1"), {sticker("t1", "c1"), sticker("t2", "c1")}}});
}

// "inserted tiles c1 [t3]", "updated categories [c1] (c1)": the ids, then
// the ids of the records found for them ("-" for none).
QString describe(const sticker_row_change_t& change) {
    static const char* const ops[] = {"reset", "inserted", "updated", "removed", "listed"};
    QString text = QLatin1String(ops[int(change.op)]);
    if (change.op == sticker_row_op::reset)
        return text;
    text += change.categories ? QStringLiteral(" categories") : QStringLiteral(" tiles");
    if (!change.category_id.isEmpty())
        text += QLatin1Char(' ') + change.category_id;
    text += QStringLiteral(" [") + change.ids.join(QLatin1Char(',')) + QLatin1Char(']');
    QStringList found;
    for (const category_node_spt& node : change.category_records)
        found << (node ? node->id : QStringLiteral("-"));
    for (const sticker_node_spt& node : change.stickers)
        found << (node ? node->id : QStringLiteral("-"));
    if (!found.isEmpty())
        text += QStringLiteral(" (") + found.join(QLatin1Char(',')) + QLatin1Char(')');
    return text;
}

struct store_case_t {
    const char* name;
    int type; // the model's scope
    std::function<void(data_center&)> change;
    QStringList rows;
};

const std::vector<store_case_t>& store_cases() {
    static const std::vector<store_case_t> cases{
        {"sticker added",
         0,
         [](data_center& dc) { dc.add_sticker(sticker("t3", "c1")); },
         {"inserted tiles c1 [t3] (t3)"}},
        {"sticker renamed",
         0,
         [](data_center& dc) { dc.update_sticker(sticker("t1", "c1")); },
         {"updated tiles c1 [t1] (t1)"}},
        {"sticker removed",
         0,
         [](data_center& dc) { dc.remove_sticker(sticker("t2", "c1")); },
         {"removed tiles c1 [t2]"}},
        {"category emptied",
         0,
         [](data_center& dc) { dc.remove_sticker_category_items(QStringLiteral("c1")); },
         {"removed tiles c1 []"}},
        {"category reloaded",
         0,
         [](data_center& dc) { dc.replace_category_stickers("c1", {sticker("t9", "c1")}); },
         {"listed tiles c1 [t9]"}},
        {"every sticker replaced", 0, [](data_center& dc) { dc.replace_stickers({}); }, {"reset"}},
        {"category added",
         0,
         [](data_center& dc) { dc.add_category(library_kind::stickers, category("c2")); },
         {"inserted categories [c2] (c2)"}},
        {"category renamed",
         0,
         [](data_center& dc) { dc.update_category(library_kind::stickers, category("c1")); },
         {"updated categories [c1] (c1)"}},
        {"category removed",
         0,
         [](data_center& dc) { dc.remove_category(library_kind::stickers, category("c1")); },
         {"removed categories [c1]"}},
        {"scope tree replaced",
         0,
         [](data_center& dc) {
             dc.replace_category_tree(library_kind::stickers, 0, QString(), category_tree_t{});
         },
         {"reset"}},
        {"personal category, public scope",
         0,
         [](data_center& dc) {
             dc.add_category(library_kind::stickers, category("p2", QStringLiteral("1")));
         },
         {}},
        {"personal category, personal scope",
         1,
         [](data_center& dc) {
             dc.add_category(library_kind::stickers, category("p2", QStringLiteral("1")));
         },
         {"inserted categories [p2] (p2)"}},
        {"script category",
         0,
         [](data_center& dc) { dc.add_category(library_kind::scripts, category("s1")); },
         {}},
        {"category of the shown department",
         2,
         [](data_center& dc) {
             dc.add_category(library_kind::stickers, category("d1x", QStringLiteral("2"), "d1"));
         },
         {"inserted categories [d1x] (d1x)"}},
        {"category of another department",
         2,
         [](data_center& dc) {
             dc.add_category(library_kind::stickers, category("d2x", QStringLiteral("2"), "d2"));
         },
         {}},
        {"department switched",
         2,
         [](data_center& dc) { dc.set_sticker_dept_id(QStringLiteral("d2")); },
         {}},
    };
    return cases;
}

} // namespace

class test_sticker_row_model : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { register_meta_types(); }
    void init() { make_library(); }
    void cleanup() { data_center::instance().clear(); }
    void store_changes_become_rows_data();
    void store_changes_become_rows();
};

void test_sticker_row_model::store_changes_become_rows_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(store_cases().size()); ++i)
        QTest::newRow(store_cases()[i].name) << i;
}

void test_sticker_row_model::store_changes_become_rows() {
    QFETCH(int, index);
    const store_case_t& c = store_cases()[index];
    sticker_row_model model(c.type);
    model.set_dept(QStringLiteral("d1"));
    QStringList rows;
    connect(&model, &sticker_row_model::rows_changed, this,
            [&](const sticker_row_change_t& change) { rows << describe(change); });
    c.change(data_center::instance());
    QCOMPARE(rows, c.rows);
}

QTEST_MAIN(test_sticker_row_model)
#include "test_sticker_row_model.moc"
