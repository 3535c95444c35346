// The script transfer and delete dialogs, opened from the scripts page,
// against the demo library of quorvel-server: what they offer by rights,
// what they refuse locally, and that a copy, move or delete shows in the
// view and on the server alike.
#include "library_login.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "server_fixture.h"
#include "ui/kb/delete_script_widget.h"
#include "ui/kb/kb_item_menus.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/kb_tab_widget.h"
#include "ui/kb/transfer_script_widget.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/widgets/custom_button.h"

#include <QJsonArray>
#include <QtTest>

using namespace quorvel;

namespace {

QStringList names_of(const QComboBox* box) {
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names << box->itemText(i);
    return names;
}

QStringList names_of(const QList<category_node_spt>* categories) {
    QStringList names;
    if (categories)
        for (const category_node_spt& c : *categories)
            names << c->classifyName;
    return names;
}

// The first script stored directly in a first-level category of the part.
script_node_spt first_script(int part, const QString& dept_id = QString()) {
    const data_center& dc = data_center::instance();
    const auto* tops = dc.top_categories(library_kind::scripts, part, dept_id);
    if (tops)
        for (const category_node_spt& top : *tops)
            if (!dc.scripts_of(top->id).isEmpty())
                return dc.scripts_of(top->id).first();
    return {};
}

} // namespace

class test_script_dialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void non_manager_is_held_to_personal_data();
    void non_manager_is_held_to_personal();
    void manager_starts_on_the_script_part_data();
    void manager_starts_on_the_script_part();
    void departments_refill_and_empty_part_is_refused();
    void copy_and_move_show_in_view_and_server();
    void delete_succeeds_once();
    void refusals_show_the_reason_data();
    void refusals_show_the_reason();

private:
    void sync_as(const QString& account);
    // The ids of a category's scripts on the server.
    QStringList server_ids(const QString& category_id);
    QStringList server_contents(const QString& category_id);
    QJsonArray server_scripts(const QString& category_id);

    server_fixture demo_;
    QString synced_as_;
};

void test_script_dialogs::initTestCase() {
    QVERIFY(demo_.start());
}

void test_script_dialogs::sync_as(const QString& account) {
    if (synced_as_ == account)
        return;
    QVERIFY(log_in_and_sync(demo_, account, account + "123"));
    synced_as_ = account;
}

QJsonArray test_script_dialogs::server_scripts(const QString& category_id) {
    const auto reply = demo_.post("/tavorine/clientKb/querySpeech",
                                  {{"speechContent", ""},
                                   {"speechContentKeywords", ""},
                                   {"classifyId", category_id},
                                   {"deptId", ""},
                                   {"classifyType", ""}},
                                  session_state::instance().token());
    return reply.data().toArray();
}

QStringList test_script_dialogs::server_ids(const QString& category_id) {
    QStringList ids;
    for (const QJsonValue& s : server_scripts(category_id))
        ids << s.toObject().value("id").toString();
    return ids;
}

QStringList test_script_dialogs::server_contents(const QString& category_id) {
    QStringList contents;
    for (const QJsonValue& s : server_scripts(category_id))
        contents << s.toObject().value("speechContent").toString();
    return contents;
}

void test_script_dialogs::non_manager_is_held_to_personal_data() {
    QTest::addColumn<int>("part");
    QTest::newRow("public script") << 0;
    QTest::newRow("personal script") << 1;
}

void test_script_dialogs::non_manager_is_held_to_personal() {
    QFETCH(int, part);
    sync_as("agent");
    const script_node_spt script = first_script(part);
    QVERIFY(script);
    transfer_script_widget dialog(true, script);
    QCOMPARE(dialog.title(), QStringLiteral("复制话术"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("复制话术"));
    QVERIFY(!dialog.part_button(0)->isEnabled());
    QVERIFY(dialog.part_button(1)->isEnabled());
    QVERIFY(!dialog.part_button(2)->isEnabled());
    QCOMPARE(dialog.checked_part(), 1);
    QVERIFY(!dialog.department_row_shown());
    QCOMPARE(names_of(dialog.first_level_box()),
             names_of(data_center::instance().top_categories(library_kind::scripts, 1, QString())));
    QVERIFY(!dialog.path_label()->text().isEmpty());
}

void test_script_dialogs::manager_starts_on_the_script_part_data() {
    QTest::addColumn<int>("part");
    QTest::newRow("public") << 0;
    QTest::newRow("personal") << 1;
    QTest::newRow("department") << 2;
}

void test_script_dialogs::manager_starts_on_the_script_part() {
    QFETCH(int, part);
    sync_as("manager");
    const data_center& dc = data_center::instance();
    const QString dept = part == 2 ? session_state::instance().default_department()->id : QString();
    const script_node_spt script = first_script(part, dept);
    QVERIFY(script);
    transfer_script_widget dialog(false, script);
    QCOMPARE(dialog.title(), QStringLiteral("移动话术"));
    QCOMPARE(dialog.checked_part(), part);
    for (int p = 0; p < 3; ++p)
        QVERIFY(dialog.part_button(p)->isEnabled());
    QCOMPARE(dialog.department_row_shown(), part == 2);
    const auto* tops = dc.top_categories(library_kind::scripts, part, dept);
    QCOMPARE(names_of(dialog.first_level_box()), names_of(tops));
    // The second box: an empty first item, then the children of the first.
    QStringList second{QString()};
    second << names_of(dc.category_children(library_kind::scripts, part, dept, tops->first()->id));
    QCOMPARE(names_of(dialog.second_level_box()), second);
    QCOMPARE(dialog.second_level_box()->currentIndex(), 0);

    // Another part: the department row follows the 部门 button.
    const int other = part == 2 ? 0 : 2;
    dialog.part_button(other)->click();
    QCOMPARE(dialog.checked_part(), other);
    QCOMPARE(dialog.department_row_shown(), other == 2);
}

void test_script_dialogs::departments_refill_and_empty_part_is_refused() {
    sync_as("admin");
    const data_center& dc = data_center::instance();
    QString empty, filled;
    for (const auto& dept : session_state::instance().departments().keys()) {
        const auto* tops = dc.top_categories(library_kind::scripts, 2, dept);
        if (tops && !tops->isEmpty())
            filled = dept;
        else
            empty = dept;
    }
    QVERIFY(!empty.isEmpty() && !filled.isEmpty());
    transfer_script_widget dialog(true, first_script(0));
    dialog.part_button(2)->click();
    QVERIFY(dialog.department_row_shown());

    dialog.choose_department(filled, QStringLiteral("有分类"));
    QCOMPARE(dialog.department_picker()->text(), QStringLiteral("有分类"));
    QCOMPARE(dialog.department_picker()->property("id").toString(), filled);
    QCOMPARE(names_of(dialog.first_level_box()),
             names_of(dc.top_categories(library_kind::scripts, 2, filled)));

    dialog.choose_department(empty, QStringLiteral("无分类"));
    QCOMPARE(dialog.first_level_box()->count(), 0);
    QCOMPARE(dialog.second_level_box()->count(), 0);
    QSignalSpy finished(&dialog, &transfer_script_widget::transfer_finished);
    dialog.save_button()->click();
    QCOMPARE(dialog.status_label()->text(),
             QStringLiteral("<span style = 'color: gray;'>当前类别下没有一级分类，请先创建再操作"
                            "</span>"));
    QVERIFY(dialog.save_button()->isEnabled());
    QVERIFY(dialog.close_dialog_button()->isEnabled());
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 0);
}

void test_script_dialogs::copy_and_move_show_in_view_and_server() {
    sync_as("manager");
    data_center& dc = data_center::instance();
    kb_tab_widget page;
    kb_item_widget* view = page.view(0);
    const auto* tops = dc.top_categories(library_kind::scripts, 0, QString());
    // From a first-level category with scripts and sub-categories to the
    // first other first-level category and to a sub-category of it.
    category_node_spt from, to;
    for (const category_node_spt& top : *tops) {
        const auto* children = dc.category_children(library_kind::scripts, 0, QString(), top->id);
        if (!from && !dc.scripts_of(top->id).isEmpty() && children && !children->isEmpty())
            from = top;
        else if (!to && children && !children->isEmpty())
            to = top;
    }
    QVERIFY(from && to);
    const category_node_spt sub =
        dc.category_children(library_kind::scripts, 0, QString(), to->id)->first();
    view->show_category(from->id);
    view->show_category(to->id);
    drag_drop_treewidget* old_tree = view->tree_of(from->id);
    drag_drop_treewidget* new_tree = view->tree_of(to->id);
    const script_node_spt script = dc.scripts_of(from->id).first();
    const QString content = script->speechContent;

    // Copy into the first-level category (second box left empty).
    transfer_script_widget* copy = view->menus()->open_transfer_script(script, true);
    QSignalSpy copied(copy, &transfer_script_widget::transfer_finished);
    copy->first_level_box()->setCurrentIndex(copy->first_level_box()->findData(to->id));
    QCOMPARE(copy->second_level_box()->currentIndex(), 0);
    copy->save_button()->click();
    QVERIFY(!copy->save_button()->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(copied.count(), 1, 20000);
    QCOMPARE(copied.first(), (QList<QVariant>{0, to->id}));
    QCOMPARE(copy->status_label()->text(),
             QStringLiteral("<span style = 'color: green; font-weight: bold;'>操作完成</span>"));
    QVERIFY(copy->save_button()->isEnabled());
    QVERIFY(server_ids(from->id).contains(script->id));
    QVERIFY(server_contents(to->id).contains(content));
    QTRY_VERIFY_WITH_TIMEOUT(kb_item_widget::find_row(old_tree, script_row, script->id), 20000);
    bool in_new_tree = false;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (int i = 0; i < new_tree->topLevelItemCount(); ++i) {
                QTreeWidgetItem* row = new_tree->topLevelItem(i);
                const auto s = row->data(0, kb_role::record).value<script_node_spt>();
                in_new_tree = in_new_tree || (s && s->speechContent == content);
            }
            return in_new_tree;
        }(),
        20000);
    copy->close();

    // Move into the sub-category.
    transfer_script_widget* move = view->menus()->open_transfer_script(script, false);
    QSignalSpy moved(move, &transfer_script_widget::transfer_finished);
    move->first_level_box()->setCurrentIndex(move->first_level_box()->findData(to->id));
    move->second_level_box()->setCurrentIndex(move->second_level_box()->findData(sub->id));
    move->save_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(moved.count(), 1, 20000);
    QCOMPARE(moved.first(), (QList<QVariant>{0, sub->id}));
    QVERIFY(!kb_item_widget::find_row(old_tree, script_row, script->id));
    for (const script_node_spt& s : dc.scripts_of(from->id))
        QVERIFY(s->id != script->id);
    QVERIFY(!server_ids(from->id).contains(script->id));
    QVERIFY(server_ids(sub->id).contains(script->id));
    QTRY_VERIFY_WITH_TIMEOUT(kb_item_widget::find_row(new_tree, script_row, script->id), 20000);
    QTreeWidgetItem* row = kb_item_widget::find_row(new_tree, script_row, script->id);
    QVERIFY(row->parent());
    QCOMPARE(row->parent()->data(0, kb_role::id).toString(), sub->id);
    move->close();
    synced_as_.clear(); // the library changed
}

void test_script_dialogs::delete_succeeds_once() {
    sync_as("manager");
    data_center& dc = data_center::instance();
    kb_tab_widget page;
    kb_item_widget* view = page.view(0);
    const script_node_spt script = first_script(0);
    const QString category = script->classifyId;
    view->show_category(category);
    drag_drop_treewidget* tree = view->tree_of(category);
    QVERIFY(kb_item_widget::find_row(tree, script_row, script->id));

    delete_script_widget* dialog = view->menus()->open_delete_script(script);
    QCOMPARE(dialog->title(), QStringLiteral("删除话术"));
    QCOMPARE(dialog->size(), QSize(400, 200));
    QSignalSpy deleted(dialog, &delete_script_widget::delete_script_finished);
    dialog->delete_button()->click();
    QVERIFY(!dialog->delete_button()->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(deleted.count(), 1, 20000);
    QCOMPARE(dialog->status_label()->text(),
             QStringLiteral("<span style = 'color: green; font-weight: bold;'>删除成功</span>"));
    QVERIFY(dialog->delete_button()->isHidden());
    QVERIFY(dialog->close_dialog_button()->isVisibleTo(dialog));
    QVERIFY(!kb_item_widget::find_row(tree, script_row, script->id));
    for (const script_node_spt& s : dc.scripts_of(category))
        QVERIFY(s->id != script->id);
    QVERIFY(!server_ids(category).contains(script->id));
    dialog->close();
    synced_as_.clear();
}

void test_script_dialogs::refusals_show_the_reason_data() {
    QTest::addColumn<QString>("what");
    QTest::newRow("agent moves a public script") << "move";
    QTest::newRow("delete a script that is gone") << "delete";
}

void test_script_dialogs::refusals_show_the_reason() {
    QFETCH(QString, what);
    sync_as("agent");
    const QString failed =
        QStringLiteral("<span style = 'color: red; font-weight: bold;'>%1，原因：");
    if (what == "move") {
        const script_node_spt script = first_script(0);
        transfer_script_widget dialog(false, script);
        QSignalSpy finished(&dialog, &transfer_script_widget::transfer_finished);
        dialog.save_button()->click();
        QTRY_VERIFY_WITH_TIMEOUT(dialog.save_button()->isEnabled(), 20000);
        QVERIFY2(dialog.status_label()->text().startsWith(failed.arg("操作失败")),
                 qPrintable(dialog.status_label()->text()));
        QCOMPARE(finished.count(), 0);
        QVERIFY(server_ids(script->classifyId).contains(script->id));
        return;
    }
    auto ghost = script_node_spt::create();
    ghost->id = QStringLiteral("999999");
    ghost->classifyId = first_script(1)->classifyId;
    delete_script_widget dialog(ghost);
    QSignalSpy deleted(&dialog, &delete_script_widget::delete_script_finished);
    dialog.delete_button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.delete_button()->isEnabled(), 20000);
    QVERIFY2(dialog.status_label()->text().startsWith(failed.arg("删除失败")),
             qPrintable(dialog.status_label()->text()));
    QVERIFY(!dialog.delete_button()->isHidden());
    QCOMPARE(deleted.count(), 0);
}

QTEST_MAIN(test_script_dialogs)
#include "test_script_dialogs.moc"
