// The rows of a script tree built from a small hand-made library: lookups
// when category and script ids collide, where new rows go, eliding.
#include "model/data_center.h"
#include "model/records.h"
#include "resources/resources.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/script_item.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/widgets/elided_text.h"

#include <QToolButton>
#include <QTreeWidgetItemIterator>
#include <QtTest>

using namespace quorvel;

namespace {

category_node_spt category(const QString& id, const QString& super_id, qint64 sort,
                           const QString& name = QString()) {
    auto node = category_node_spt::create();
    node->id = id;
    node->superId = super_id;
    node->classifyName = name.isEmpty() ? QStringLiteral("分类") + id : name;
    node->classifyType = QStringLiteral("0");
    node->clientBusinessType = QStringLiteral("310");
    node->sort = sort;
    return node;
}

script_node_spt script(const QString& id, const QString& category_id, qint64 sort,
                       const QString& content = QString()) {
    auto node = script_node_spt::create();
    node->id = id;
    node->classifyId = category_id;
    node->classifyType = QStringLiteral("0");
    node->speechContent = content.isEmpty() ? QStringLiteral("话术") + id : content;
    node->sort = sort;
    return node;
}

// Public library: first-level category "1" holding script "5" and the
// sub-categories "5" (empty) and "6" (holding script "6"). Filled in
// display order the rows are: script 5, category 5, category 6, script 6, so
// a lookup by id alone finds the script for category 5 and category 6 for
// script 6.
void make_colliding_library() {
    data_center& dc = data_center::instance();
    dc.clear();
    for (const category_node_spt& node :
         {category("1", top_level_id, 1), category("5", "1", 1), category("6", "1", 2)})
        dc.add_category(library_kind::scripts, node);
    dc.replace_scripts({{QStringLiteral("1"), {script("5", "1", 1)}},
                        {QStringLiteral("5"), {}},
                        {QStringLiteral("6"), {script("6", "6", 1)}}});
}

int kind_of(const QTreeWidgetItem* row) {
    return row->data(0, kb_role::kind).toInt();
}
QString id_of(const QTreeWidgetItem* row) {
    return row->data(0, kb_role::id).toString();
}

// "s:5", "c:5", ... in display order, children indented by ">".
QStringList layout_of(QTreeWidget* tree) {
    QStringList rows;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        QString prefix;
        for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent())
            prefix += QLatin1Char('>');
        rows << prefix + (kind_of(*it) == 1 ? QStringLiteral("s:") : QStringLiteral("c:")) +
                    id_of(*it);
    }
    return rows;
}

int count_rows(QTreeWidget* tree, int kind, const QString& id) {
    int n = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        n += kind_of(*it) == kind && id_of(*it) == id ? 1 : 0;
    return n;
}

} // namespace

class test_kb_rows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { make_colliding_library(); }
    void rows_are_found_by_kind_and_id_data();
    void rows_are_found_by_kind_and_id();
    void changes_reach_the_row_of_their_kind();
    void created_script_goes_where_a_fill_puts_it();
    void second_level_category_is_added_once_data();
    void second_level_category_is_added_once();
    void long_row_texts_are_elided();
    void rows_follow_the_store_data();
    void rows_follow_the_store();
};

void test_kb_rows::initTestCase() {
    init_resources();
    register_meta_types();
}

void test_kb_rows::rows_are_found_by_kind_and_id_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("parent"); // "" for a top-level row
    QTest::newRow("script 5") << 1 << "5"
                              << "";
    QTest::newRow("category 5") << 0 << "5"
                                << "";
    QTest::newRow("category 6") << 0 << "6"
                                << "";
    QTest::newRow("script 6") << 1 << "6"
                              << "6";
}

void test_kb_rows::rows_are_found_by_kind_and_id() {
    QFETCH(int, kind);
    QFETCH(QString, id);
    QFETCH(QString, parent);
    kb_item_widget view(0);
    view.show_category(QStringLiteral("1"));
    drag_drop_treewidget* tree = view.tree_of(QStringLiteral("1"));
    QCOMPARE(layout_of(tree), QStringList({"s:5", "c:5", "c:6", ">s:6"}));
    QTreeWidgetItem* row = kb_item_widget::find_row(tree, kind, id);
    QVERIFY(row);
    QCOMPARE(kind_of(row), kind);
    QCOMPARE(id_of(row), id);
    QCOMPARE(row->parent() ? id_of(row->parent()) : QString(), parent);
    QVERIFY(!kb_item_widget::find_row(tree, kind, QStringLiteral("99")));
}

void test_kb_rows::changes_reach_the_row_of_their_kind() {
    data_center& dc = data_center::instance();
    kb_item_widget view(0);
    view.show_category(QStringLiteral("1"));
    drag_drop_treewidget* tree = view.tree_of(QStringLiteral("1"));

    // A script created in category 5 goes under category 5, not under script 5.
    view.insert_script(script("40", "5", 1));
    QCOMPARE(layout_of(tree), QStringList({"s:5", "c:5", ">s:40", "c:6", ">s:6"}));

    // Renaming category 5 renames its row.
    const category_node_spt renamed = category("5", "1", 1, QStringLiteral("改名"));
    view.rename_category(renamed);
    auto* button = qobject_cast<QToolButton*>(
        tree->itemWidget(kb_item_widget::find_row(tree, category_row, QStringLiteral("5")), 0));
    QVERIFY(button);
    QCOMPARE(button->toolTip(), QStringLiteral("改名"));

    // Refreshing script 6 leaves category 6 a category.
    const script_node_spt edited = script("6", "6", 1, QStringLiteral("新内容"));
    view.refresh_script(edited);
    QTreeWidgetItem* row6 = kb_item_widget::find_row(tree, category_row, QStringLiteral("6"));
    QVERIFY(row6->data(0, kb_role::record).value<category_node_spt>());
    QCOMPARE(kb_item_widget::find_row(tree, script_row, QStringLiteral("6"))->toolTip(0),
             QStringLiteral("新内容"));

    // Deleting script 6 removes its row and keeps category 6.
    dc.remove_script(edited);
    QCOMPARE(layout_of(tree), QStringList({"s:5", "c:5", ">s:40", "c:6"}));
    QVERIFY(dc.scripts_of(QStringLiteral("6")).isEmpty());
}

void test_kb_rows::created_script_goes_where_a_fill_puts_it() {
    data_center& dc = data_center::instance();
    kb_item_widget view(0);
    view.show_category(QStringLiteral("1"));
    drag_drop_treewidget* tree = view.tree_of(QStringLiteral("1"));
    const script_node_spt created = script("41", "1", 2);
    dc.add_script(created); // the view follows the store

    // What the next fill (or reload) shows.
    kb_item_widget fresh(0);
    fresh.show_category(QStringLiteral("1"));
    QCOMPARE(layout_of(fresh.tree_of(QStringLiteral("1"))),
             QStringList({"s:5", "s:41", "c:5", "c:6", ">s:6"}));
    QCOMPARE(layout_of(tree), layout_of(fresh.tree_of(QStringLiteral("1"))));
    QCOMPARE(
        kb_item_widget::find_row(tree, script_row, QStringLiteral("41"))->data(0, kb_role::number),
        QVariant(2));
}

void test_kb_rows::second_level_category_is_added_once_data() {
    QTest::addColumn<bool>("filled_before");
    QTest::newRow("tree not yet filled") << false;
    QTest::newRow("tree filled") << true;
}

void test_kb_rows::second_level_category_is_added_once() {
    QFETCH(bool, filled_before);
    kb_item_widget view(0);
    if (filled_before)
        view.show_category(QStringLiteral("1"));
    // The store has the new category before the view hears of it.
    const category_node_spt added = category("7", "1", 3);
    data_center::instance().add_category(library_kind::scripts, added);
    view.insert_category(added);
    view.show_category(QStringLiteral("1"));
    drag_drop_treewidget* tree = view.tree_of(QStringLiteral("1"));
    QCOMPARE(count_rows(tree, category_row, QStringLiteral("7")), 1);
    QCOMPARE(layout_of(tree), QStringList({"s:5", "c:5", "c:6", ">s:6", "c:7"}));
}

void test_kb_rows::long_row_texts_are_elided() {
    const QString long_name =
        QStringLiteral("售后服务分类名称很长很长很长很长很长很长很长很长结尾甲");
    const QString long_text =
        QStringLiteral("您好，这是一条很长很长很长很长很长很长很长很长很长很长很长的话术结尾乙");
    data_center& dc = data_center::instance();
    dc.add_category(library_kind::scripts, category("8", "1", 4, long_name));
    const script_node_spt long_script = script("9", "1", 2, long_text);
    long_script->speechContentKeywords = QStringLiteral("${#ff0000}欢迎语（智能音箱系列）");
    dc.add_script(long_script);
    // As the program runs: a desktop font smaller than the keywords' 11
    // points, and an application style sheet.
    const QFont desktop_font = QApplication::font();
    QFont small = desktop_font;
    small.setPointSize(9);
    QApplication::setFont(small);
    qApp->setStyleSheet(QStringLiteral("QToolTip { font-size: 11pt; white-space: pre-wrap;}"));
    kb_item_widget view(0);
    view.resize(300, 500);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.show_category(QStringLiteral("1"));
    drag_drop_treewidget* tree = view.tree_of(QStringLiteral("1"));

    script_item* item = view.row_widget(tree, kb_item_widget::find_row(tree, script_row, "9"));
    QTRY_VERIFY(item->isVisible() && item->width() > 0);
    QLabel* content = item->content_label();
    QTRY_VERIFY2(content->text().endsWith(QChar(0x2026)), qPrintable(content->text()));
    QVERIFY(content->fontMetrics().horizontalAdvance(content->text()) <=
            content->contentsRect().width());
    QCOMPARE(item->content(), long_text);
    QLabel* keywords = item->keyword_label();
    QVERIFY2(keywords->text().contains(QChar(0x2026)), qPrintable(keywords->text()));
    QVERIFY(keywords->sizeHint().width() <= keywords->width());

    auto* button = qobject_cast<QToolButton*>(
        tree->itemWidget(kb_item_widget::find_row(tree, category_row, QStringLiteral("8")), 0));
    QVERIFY(button);
    // The distinguishing end of a title stays in view.
    QTRY_VERIFY2(button->text().contains(QChar(0x2026)), qPrintable(button->text()));
    QVERIFY(button->text().endsWith(QStringLiteral("结尾甲")));
    QVERIFY(button->sizeHint().width() <= button->width());
    QCOMPARE(button->toolTip(), long_name);
    qApp->setStyleSheet(QString());
    QApplication::setFont(desktop_font);
}

// A change made anywhere (an action, a dialog, a reload) reaches the rows
// through the store's signal alone.
void test_kb_rows::rows_follow_the_store_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("layout");
    QTest::newRow("category removed") << "remove 6" << QStringList({"s:5", "c:5"});
    QTest::newRow("categories sorted") << "sort" << QStringList({"s:5", "c:6", ">s:6", "c:5"});
    QTest::newRow("category reloaded")
        << "reload" << QStringList({"s:7", "s:8", "c:5", "c:6", ">s:6"});
    QTest::newRow("sub-category reloaded")
        << "reload 6" << QStringList({"s:5", "c:5", "c:6", ">s:9"});
    QTest::newRow("script removed") << "remove script 5" << QStringList({"c:5", "c:6", ">s:6"});
    QTest::newRow("personal category: another view")
        << "personal" << QStringList({"s:5", "c:5", "c:6", ">s:6"});
}

void test_kb_rows::rows_follow_the_store() {
    QFETCH(QString, change);
    data_center& dc = data_center::instance();
    kb_item_widget view(0);
    view.show_category(QStringLiteral("1"));
    drag_drop_treewidget* tree = view.tree_of(QStringLiteral("1"));
    if (change == "remove 6") {
        dc.remove_category(library_kind::scripts, dc.find_category(library_kind::scripts, 0,
                                                                   QString(), QStringLiteral("6")));
    } else if (change == "sort") {
        dc.sort_categories(
            library_kind::scripts,
            dc.find_category(library_kind::scripts, 0, QString(), QStringLiteral("5")), {"6", "5"});
    } else if (change == "reload") {
        dc.replace_category_scripts(0, QString(), QStringLiteral("1"),
                                    {script("7", "1", 1), script("8", "1", 2)});
    } else if (change == "reload 6") {
        dc.replace_category_scripts(0, QString(), QStringLiteral("6"), {script("9", "6", 1)});
    } else if (change == "remove script 5") {
        dc.remove_script(dc.scripts_of(QStringLiteral("1")).first());
    } else {
        auto personal = category("5", "1", 9);
        personal->classifyType = QStringLiteral("1");
        dc.add_category(library_kind::scripts, personal);
    }
    QTEST(layout_of(tree), "layout");
}

QTEST_MAIN(test_kb_rows)
#include "test_kb_rows.moc"
