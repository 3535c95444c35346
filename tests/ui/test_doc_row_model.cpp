// The document page's row model: which rows and lists a store change
// touches, read from the real store.
#include "model/data_center.h"
#include "model/records.h"
#include "ui/docs/doc_row_model.h"

#include <QtTest>
#include <functional>
#include <vector>

using namespace quorvel;

namespace {

doc_node_spt doc(const QString& id, const QString& category_id) {
    auto node = doc_node_spt::create();
    node->id = id;
    node->classifyId = category_id;
    return node;
}

category_node_spt category(const QString& id, const QString& super_id) {
    auto node = category_node_spt::create();
    node->id = id;
    node->superId = super_id;
    node->classifyName = QStringLiteral("分类") + id;
    node->classifyType = QStringLiteral("0");
    return node;
}

// Categories "c1" (holding documents d1 and d2) and "c2" below it.
void make_library() {
    data_center& dc = data_center::instance();
    dc.clear();
    dc.add_category(library_kind::documents, category("c1", top_level_id));
    dc.add_category(library_kind::documents, category("c2", "c1"));
    dc.merge_docs({{QStringLiteral("c1"), {doc("d1", "c1"), doc("d2", "c1")}}});
}

// "listed c1", "updated c1 [d1]", "categories reset".
QString describe(const doc_row_change_t& change) {
    static const char* const ops[] = {"categories reset", "updated", "removed", "listed"};
    QString text = QLatin1String(ops[int(change.op)]);
    if (change.op == doc_row_op::categories_reset)
        return text;
    if (!change.category_id.isEmpty())
        text += QLatin1Char(' ') + change.category_id;
    if (!change.ids.isEmpty())
        text += QStringLiteral(" [") + change.ids.join(QLatin1Char(',')) + QLatin1Char(']');
    return text;
}

struct store_case_t {
    const char* name;
    std::function<void(data_center&)> change;
    QStringList rows;
};

const std::vector<store_case_t>& store_cases() {
    static const std::vector<store_case_t> cases{
        {"document uploaded",
         [](data_center& dc) {
             dc.merge_docs({{"c2", {doc("d3", "c2")}}});
         },
         {"listed c2"}},
        {"documents of several categories merged",
         [](data_center& dc) {
             dc.merge_docs({{"c1", {doc("d3", "c1")}}, {"c2", {doc("d4", "c2")}}});
         },
         {"listed"}},
        {"document renamed",
         [](data_center& dc) { dc.update_doc(doc("d1", "c1")); },
         {"updated c1 [d1]"}},
        {"unknown document renamed", [](data_center& dc) { dc.update_doc(doc("dx", "c1")); }, {}},
        {"document removed",
         [](data_center& dc) { dc.remove_doc(doc("d2", "c1")); },
         {"removed c1 [d2]"}},
        {"category reloaded",
         [](data_center& dc) { dc.replace_category_docs("c2", {doc("d5", "c2")}); },
         {"listed c2"}},
        {"category added",
         [](data_center& dc) { dc.add_category(library_kind::documents, category("c3", "c1")); },
         {"categories reset"}},
        {"category renamed",
         [](data_center& dc) { dc.update_category(library_kind::documents, category("c2", "c1")); },
         {"categories reset"}},
        {"category removed",
         [](data_center& dc) { dc.remove_category(library_kind::documents, category("c2", "c1")); },
         {"categories reset"}},
        {"category tree replaced",
         [](data_center& dc) {
             dc.replace_category_tree(library_kind::documents, -1, QString(), category_tree_t{});
         },
         {"categories reset"}},
        {"attachments category set",
         [](data_center& dc) { dc.set_attachments_category(category("c9", top_level_id)); },
         {}},
        {"script category added",
         [](data_center& dc) {
             dc.add_category(library_kind::scripts, category("s1", top_level_id));
         },
         {}},
    };
    return cases;
}

} // namespace

class test_doc_row_model : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { register_meta_types(); }
    void init() { make_library(); }
    void cleanup() { data_center::instance().clear(); }
    void store_changes_become_rows_data();
    void store_changes_become_rows();
};

void test_doc_row_model::store_changes_become_rows_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(store_cases().size()); ++i)
        QTest::newRow(store_cases()[i].name) << i;
}

void test_doc_row_model::store_changes_become_rows() {
    QFETCH(int, index);
    const store_case_t& c = store_cases()[index];
    doc_row_model model;
    QStringList rows;
    connect(&model, &doc_row_model::rows_changed, this,
            [&](const doc_row_change_t& change) { rows << describe(change); });
    c.change(data_center::instance());
    QCOMPARE(rows, c.rows);
}

QTEST_MAIN(test_doc_row_model)
#include "test_doc_row_model.moc"
