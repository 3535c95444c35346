// The category dialogs against the demo library of quorvel-server: what they
// send, what they show, and that store and server agree afterwards.
#include "app/app_paths.h"
#include "app/event_bus.h"
#include "app/event_names.h"
#include "app/settings_store.h"
#include "fixture_http_server.h"
#include "library_login.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/actions/category_actions.h"
#include "raw_http.h"
#include "server_fixture.h"
#include "ui/kb/delete_category_widget.h"
#include "ui/kb/kb_item_menus.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/kb_tab_widget.h"
#include "ui/kb/new_category_widget.h"
#include "ui/kb/sort_category_widget.h"
#include "ui/kb/transfer_category_widget.h"
#include "ui/kb/update_category_widget.h"
#include "ui/library/category_flow_widget.h"
#include "ui/library/drag_drop_listwidget.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/sync_data_widget.h"
#include "ui/widgets/custom_button.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

using namespace quorvel;

namespace {

// The one open top-level dialog of a type.
template <class T> T* open_dialog() {
    T* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<T*>(w); d && d->isVisible())
            found = d;
    return found;
}

// Category rows and script rows of a tree as "c:name" / "s:content", in
// display order, nested rows indented by their depth.
void tree_lines(QTreeWidgetItem* row, int depth, QStringList* out) {
    const int kind = row->data(0, kb_role::kind).toInt();
    const QVariant record = row->data(0, kb_role::record);
    const QString text =
        kind == category_row
            ? QStringLiteral("c:") + record.value<category_node_spt>()->classifyName
            : QStringLiteral("s:") + record.value<script_node_spt>()->speechContent;
    *out << QString(depth, QLatin1Char(' ')) + text;
    for (int i = 0; i < row->childCount(); ++i)
        tree_lines(row->child(i), depth + 1, out);
}

} // namespace

class test_category_dialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void rename_name_data();
    void rename_name();
    void rename_refused_shows_reason();
    void delete_warning_data();
    void delete_warning();
    void delete_script_category_with_content();
    void delete_sticker_category_follows_sticker_tree();
    void list_reports_changed_rows_data();
    void list_reports_changed_rows();
    void new_category_refusals_data();
    void new_category_refusals();
    void new_category_from_plus_and_strip();
    void sort_sends_full_order_on_each_drop();
    void copy_second_level_to_top_level();
    void transfer_branch_view_matches_server_data();
    void transfer_branch_view_matches_server();
    void failure_after_server_changed_reloads();
    void non_manager_copies_into_personal_only();

private:
    void sync_as(const QString& account, const QString& password);
    // A new personal script category made through the actions.
    category_node_spt make_category(const QString& name, const QString& parent_id = QString());
    // Names of the server's categories of a kind under a parent.
    QStringList server_names(const QString& business, int part, const QString& parent_id,
                             const QString& dept_id = QString());
    // What the view should show for a first-level category, from the server.
    QStringList server_lines(const QString& top_id, int part, const QString& dept_id);
    QStringList server_scripts(const QString& category_id);
    // A first-level personal category with scripts and two sub-categories with scripts.
    category_node_spt make_branch(const QString& name);
    void add_script(const QString& category_id, const QString& content);

    server_fixture demo_;
    QString synced_as_;
};

void test_category_dialogs::initTestCase() {
    QVERIFY(demo_.start());
    sync_data_widget::set_main_window_factory([] { return nullptr; });
}

void test_category_dialogs::sync_as(const QString& account, const QString& password) {
    if (synced_as_ == account)
        return;
    QVERIFY(log_in_and_sync(demo_, account, password));
    synced_as_ = account;
}

category_node_spt test_category_dialogs::make_category(const QString& name,
                                                       const QString& parent_id) {
    category_actions actions;
    bool done = false;
    actions.create_category({name, 1, session_state::instance().dept_id(), parent_id},
                            [&](const action_result_t& r) { done = r.ok; });
    [&] { QTRY_VERIFY_WITH_TIMEOUT(done, 20000); }();
    const data_center& dc = data_center::instance();
    const QList<category_node_spt>* siblings = dc.category_children(
        library_kind::scripts, 1, QString(), parent_id.isEmpty() ? top_level_id : parent_id);
    for (const category_node_spt& c : siblings ? *siblings : QList<category_node_spt>{})
        if (c->classifyName == name)
            return c;
    return {};
}

QStringList test_category_dialogs::server_names(const QString& business, int part,
                                                const QString& parent_id, const QString& dept_id) {
    const auto reply = demo_.post("/tavorine/clientKb/queryClassify",
                                  {{"clientBusinessType", business},
                                   {"classifyType", QString::number(part)},
                                   {"classifyName", ""},
                                   {"superId", parent_id},
                                   {"deptId", dept_id}},
                                  session_state::instance().token());
    QStringList names;
    for (const QJsonValue& v : reply.data().toArray())
        names << v.toObject().value("classifyName").toString();
    return names;
}

void test_category_dialogs::rename_name_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("spaces only keep the old name") << "   "
                                                   << "改名分类";
    QTest::newRow("surrounding spaces are dropped") << "  新的名字 "
                                                    << "新的名字";
}

void test_category_dialogs::rename_name() {
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    sync_as("manager", "manager123");
    const category_node_spt category = make_category(QStringLiteral("改名分类"));
    QVERIFY(category);

    update_category_widget dialog(category);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(dialog.name_edit()->text(), QStringLiteral("改名分类"));
    QSignalSpy finished(&dialog, &update_category_widget::update_finished);
    dialog.name_edit()->setText(typed);
    dialog.save_button()->click();
    QCOMPARE(dialog.save_button()->text(), QStringLiteral("提交中"));
    QVERIFY(!dialog.save_button()->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);

    QCOMPARE(finished.first().first().value<category_node_spt>()->classifyName, expected);
    QVERIFY(dialog.status_label()->text().contains(QStringLiteral("操作成功")));
    QVERIFY(dialog.save_button()->isEnabled());
    QCOMPARE(dialog.save_button()->text(), QStringLiteral("保存"));
    QCOMPARE(data_center::instance()
                 .find_category(library_kind::scripts, 1, QString(), category->id)
                 ->classifyName,
             expected);
    QVERIFY(server_names("310", 1, top_level_id).contains(expected));
}

void test_category_dialogs::rename_refused_shows_reason() {
    sync_as("manager", "manager123");
    auto ghost = category_node_spt::create();
    ghost->id = "999999";
    ghost->superId = top_level_id;
    ghost->classifyType = "1";
    ghost->clientBusinessType = "310";
    ghost->classifyName = "无此分类";
    update_category_widget dialog(ghost);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy finished(&dialog, &update_category_widget::update_finished);
    dialog.save_button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.save_button()->isEnabled(), 20000);
    QVERIFY(dialog.status_label()->text().contains(QStringLiteral("修改失败，原因：")));
    QCOMPARE(dialog.save_button()->text(), QStringLiteral("保存"));
    QCOMPARE(finished.count(), 0);
}

void test_category_dialogs::delete_warning_data() {
    QTest::addColumn<QString>("business");
    QTest::addColumn<QString>("warning");
    QTest::newRow("stickers") << "300"
                              << "注意：删除分类时会清空其下的所有表情！！！";
    QTest::newRow("scripts") << "310"
                             << "注意：删除分类时会清空其下的所有子分类和话术！！！";
    QTest::newRow("documents") << "320"
                               << "注意：删除分类时会清空其下的所有文档！！！";
    QTest::newRow("unknown kind") << "330"
                                  << "";
    QTest::newRow("no kind") << ""
                             << "";
}

void test_category_dialogs::delete_warning() {
    QFETCH(QString, business);
    QFETCH(QString, warning);
    auto category = category_node_spt::create();
    category->classifyName = "某分类";
    category->clientBusinessType = business;
    delete_category_widget dialog(category);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(dialog.warning_label()->text(), warning);
    QCOMPARE(dialog.warning_label()->isVisibleTo(&dialog), !warning.isEmpty());
    QCOMPARE(dialog.title(), QStringLiteral("删除类别"));
}

void test_category_dialogs::delete_script_category_with_content() {
    sync_as("manager", "manager123");
    data_center& dc = data_center::instance();
    const category_node_spt top = make_category(QStringLiteral("删除整枝"));
    QVERIFY(top);
    const category_node_spt child = make_category(QStringLiteral("删除子枝"), top->id);
    QVERIFY(child);
    const auto added = demo_.post("/tavorine/clientKb/createSpeech",
                                  {{"classifyId", child->id},
                                   {"classifyType", "1"},
                                   {"speechContent", "将随分类删除"},
                                   {"speechContentKeywords", ""},
                                   {"deptId", ""}},
                                  session_state::instance().token());
    QCOMPARE(added.code(), 200);

    delete_category_widget dialog(top);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy finished(&dialog, &delete_category_widget::delete_finished);
    dialog.delete_button()->click();
    QVERIFY(!dialog.delete_button()->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QVERIFY(dialog.status_label()->text().contains(QStringLiteral("删除成功")));
    QVERIFY(!dialog.delete_button()->isEnabled());

    QVERIFY(!dc.find_category(library_kind::scripts, 1, QString(), top->id));
    QVERIFY(!dc.find_category(library_kind::scripts, 1, QString(), child->id));
    QVERIFY(!server_names("310", 1, top_level_id).contains(QStringLiteral("删除整枝")));
    // The script went with its category.
    const auto scripts = demo_.post("/tavorine/clientKb/querySpeech",
                                    {{"classifyId", child->id},
                                     {"classifyType", "1"},
                                     {"speechContent", ""},
                                     {"speechContentKeywords", ""},
                                     {"deptId", ""}},
                                    session_state::instance().token());
    QVERIFY(scripts.code() != 200 || scripts.data().toArray().isEmpty());
}

void test_category_dialogs::delete_sticker_category_follows_sticker_tree() {
    sync_as("manager", "manager123");
    data_center& dc = data_center::instance();
    category_node_spt sticker_category;
    const auto* tops = dc.top_categories(library_kind::stickers, 0, QString());
    QVERIFY(tops);
    for (const category_node_spt& c : *tops)
        if (!dc.stickers_by_category().value(c->id).isEmpty())
            sticker_category = c;
    QVERIFY(sticker_category);

    delete_category_widget dialog(sticker_category);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy finished(&dialog, &delete_category_widget::delete_finished);
    dialog.delete_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);

    // Gone from the sticker tree with its stickers; the script trees are untouched.
    tops = dc.top_categories(library_kind::stickers, 0, QString());
    QVERIFY(tops);
    for (const category_node_spt& c : *tops)
        QVERIFY(c->id != sticker_category->id);
    QVERIFY(!dc.stickers_by_category().contains(sticker_category->id));
    QVERIFY(!server_names("300", 0, top_level_id).contains(sticker_category->classifyName));
}

void test_category_dialogs::list_reports_changed_rows_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("reported");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("down") << 0 << 2 << true << QStringList{"b", "c", "a", "d"};
    QTest::newRow("up") << 3 << 0 << true << QStringList{"d", "a", "b", "c"};
    QTest::newRow("onto itself") << 1 << 1 << false << QStringList{"a", "b", "c", "d"};
    QTest::newRow("out of range") << 1 << 4 << false << QStringList{"a", "b", "c", "d"};
}

void test_category_dialogs::list_reports_changed_rows() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, reported);
    QFETCH(QStringList, order);
    qRegisterMetaType<QListWidgetItem*>();
    drag_drop_listwidget list;
    QCOMPARE(list.dragDropMode(), QAbstractItemView::InternalMove);
    QCOMPARE(list.defaultDropAction(), Qt::MoveAction);
    list.addItems({"a", "b", "c", "d"});
    QHash<QListWidgetItem*, QPointer<QLabel>> row_widgets;
    for (int i = 0; i < list.count(); ++i) {
        auto* label = new QLabel(list.item(i)->text());
        list.setItemWidget(list.item(i), label);
        row_widgets.insert(list.item(i), label);
    }
    QSignalSpy changed(&list, &drag_drop_listwidget::item_order_changed);
    list.move_item(from, to);
    QStringList now;
    for (int i = 0; i < list.count(); ++i)
        now << list.item(i)->text();
    QCOMPARE(now, order);
    // Every row keeps the widget set on it, the moved one too.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (int i = 0; i < list.count(); ++i) {
        QListWidgetItem* item = list.item(i);
        QVERIFY2(row_widgets.value(item), qPrintable(item->text()));
        QCOMPARE(list.itemWidget(item), row_widgets.value(item).data());
    }
    QCOMPARE(changed.count(), reported ? 1 : 0);
    if (reported) {
        QCOMPARE(changed.first().at(1).toInt(), from);
        QCOMPARE(changed.first().at(2).toInt(), to);
        QCOMPARE(changed.first().at(0).value<QListWidgetItem*>()->text(), order.at(to));
    }
}

void test_category_dialogs::add_script(const QString& category_id, const QString& content) {
    const auto added = demo_.post("/tavorine/clientKb/createSpeech",
                                  {{"classifyId", category_id},
                                   {"classifyType", "1"},
                                   {"speechContent", content},
                                   {"speechContentKeywords", ""},
                                   {"deptId", ""}},
                                  session_state::instance().token());
    QCOMPARE(added.code(), 200);
}

category_node_spt test_category_dialogs::make_branch(const QString& name) {
    const category_node_spt top = make_category(name);
    if (!top)
        return {};
    add_script(top->id, name + QStringLiteral("-顶1"));
    add_script(top->id, name + QStringLiteral("-顶2"));
    for (const QString& sub : {QStringLiteral("甲"), QStringLiteral("乙")}) {
        const category_node_spt child = make_category(name + sub, top->id);
        if (!child)
            return {};
        add_script(child->id, name + sub + QStringLiteral("-1"));
        add_script(child->id, name + sub + QStringLiteral("-2"));
    }
    return top;
}

QStringList test_category_dialogs::server_scripts(const QString& category_id) {
    const auto reply = demo_.post("/tavorine/clientKb/querySpeech",
                                  {{"classifyId", category_id},
                                   {"speechContent", ""},
                                   {"speechContentKeywords", ""},
                                   {"deptId", ""}},
                                  session_state::instance().token());
    QList<QPair<qint64, QString>> sorted;
    for (const QJsonValue& v : reply.data().toArray())
        sorted << qMakePair(qint64(v.toObject().value("sort").toDouble()),
                            v.toObject().value("speechContent").toString());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList out;
    for (const auto& p : sorted)
        out << p.second;
    return out;
}

QStringList test_category_dialogs::server_lines(const QString& top_id, int part,
                                                const QString& dept_id) {
    QStringList lines;
    for (const QString& content : server_scripts(top_id))
        lines << QStringLiteral("s:") + content;
    const auto reply = demo_.post("/tavorine/clientKb/queryClassify",
                                  {{"clientBusinessType", "310"},
                                   {"classifyType", QString::number(part)},
                                   {"classifyName", ""},
                                   {"superId", top_id},
                                   {"deptId", dept_id}},
                                  session_state::instance().token());
    for (const QJsonValue& v : reply.data().toArray()) {
        lines << QStringLiteral("c:") + v.toObject().value("classifyName").toString();
        for (const QString& content : server_scripts(v.toObject().value("id").toString()))
            lines << QStringLiteral(" s:") + content;
    }
    return lines;
}

void test_category_dialogs::new_category_refusals_data() {
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("status");
    QTest::newRow("spaces only") << 1 << 0 << "   "
                                 << "请填写分类名";
    QTest::newRow("second level without a first level") << 2 << 1 << "某子类"
                                                        << "请先创建一级分类再创建二级分类";
}

void test_category_dialogs::new_category_refusals() {
    QFETCH(int, part);
    QFETCH(int, level);
    QFETCH(QString, name);
    QFETCH(QString, status);
    sync_as("manager", "manager123");
    data_center& dc = data_center::instance();
    const QString dept_before = session_state::instance().dept_id();
    // A department whose part holds no script categories.
    QString empty_dept = QStringLiteral("999999");
    for (const QString& dept : session_state::instance().departments().keys()) {
        const QList<category_node_spt>* tops = dc.top_categories(library_kind::scripts, 2, dept);
        if (!tops || tops->isEmpty())
            empty_dept = dept;
    }
    session_state::instance().set_dept_id(empty_dept);
    QSignalSpy store(&dc, &data_center::changed);

    new_category_widget dialog(part, {});
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.level_group()->button(level)->click();
    QCOMPARE(dialog.parent_row_shown(), level == new_category_widget::second_level);
    dialog.name_edit()->setText(name);
    dialog.save_button()->click();
    session_state::instance().set_dept_id(dept_before);

    QCOMPARE(dialog.status_label()->text(),
             QStringLiteral("<span style = 'color: gray;'>%1</span>").arg(status));
    QVERIFY(dialog.save_button()->isEnabled());
    QVERIFY(dialog.close_dialog_button()->isEnabled());
    QTest::qWait(50);           // a request sent by mistake would have a chance to land
    QCOMPARE(store.count(), 1); // only the department switch back
}

void test_category_dialogs::new_category_from_plus_and_strip() {
    sync_as("manager", "manager123");
    data_center& dc = data_center::instance();
    kb_tab_widget page;
    const category_node_spt top = make_category(QStringLiteral("新建上级"));
    QVERIFY(top);
    event_bus::instance()->post(QLatin1String(events::kb_create_category),
                                {1, QVariant::fromValue(top)});
    QTRY_VERIFY(page.new_category_dialog());
    new_category_widget* dialog = page.new_category_dialog();
    // A second request only brings the open dialog forward.
    event_bus::instance()->post(QLatin1String(events::kb_create_category), {0});
    QTest::qWait(20);
    QCOMPARE(page.new_category_dialog(), dialog);
    QVERIFY(dialog->part_group()->button(1)->isChecked());

    QVERIFY(!dialog->parent_row_shown());
    dialog->level_group()->button(new_category_widget::second_level)->click();
    QVERIFY(dialog->parent_row_shown());
    QCOMPARE(dialog->parent_combo()->currentData().value<category_node_spt>()->id, top->id);
    QSignalSpy created(dialog, &new_category_widget::create_category_finished);
    dialog->name_edit()->setText(QStringLiteral(" 新建子类 "));
    dialog->save_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(created.count(), 1, 20000);
    const auto child = created.first().first().value<category_node_spt>();
    QCOMPARE(child->superId, top->id);
    QCOMPARE(child->classifyName, QStringLiteral("新建子类"));
    QVERIFY(dialog->status_label()->text().contains(QStringLiteral("操作成功")));
    QCOMPARE(dialog->name_edit()->text(), QStringLiteral(" 新建子类 ")); // stays for the next
    QVERIFY(dc.find_category(library_kind::scripts, 1, QString(), child->id));
    QVERIFY(server_names("310", 1, top->id).contains(QStringLiteral("新建子类")));
    // The view shows it under its parent.
    page.view(1)->show_category(top->id);
    QVERIFY(kb_item_widget::find_row(page.view(1)->tree_of(top->id), category_row, child->id));
    dialog->close();
    QTRY_VERIFY(!page.new_category_dialog());
}

void test_category_dialogs::sort_sends_full_order_on_each_drop() {
    sync_as("manager", "manager123");
    data_center& dc = data_center::instance();
    for (const char* name : {"排序甲", "排序乙", "排序丙"})
        QVERIFY(make_category(QString::fromUtf8(name)));
    kb_tab_widget page;
    kb_item_widget* view = page.view(1);
    const category_node_spt first = dc.top_categories(library_kind::scripts, 1, QString())->first();
    view->menus()->open_sort_category(first);
    auto* dialog = open_dialog<sort_category_widget>();
    QVERIFY(dialog);
    QSignalSpy ordered(dialog, &sort_category_widget::order_changed);
    const int n = dialog->list()->count();
    QCOMPARE(n, dc.top_categories(library_kind::scripts, 1, QString())->size());

    for (auto [from, to] : {std::pair{n - 1, 0}, std::pair{1, n - 1}}) {
        ordered.clear();
        QVERIFY(dialog->list()->move_item(from, to));
        QCOMPARE(ordered.count(), 1);
        const QStringList ids = ordered.first().first().toStringList();
        QStringList shown;
        for (int i = 0; i < n; ++i)
            shown << dialog->list()->item(i)->data(Qt::UserRole).toString();
        QCOMPARE(ids, shown);
        // The server, the store and the strip take that order.
        QStringList names;
        for (const QString& id : ids)
            names << dc.find_category(library_kind::scripts, 1, QString(), id)->classifyName;
        QTRY_COMPARE_WITH_TIMEOUT(server_names("310", 1, top_level_id), names, 20000);
        QTRY_COMPARE(dc.top_categories(library_kind::scripts, 1, QString())->first()->id,
                     ids.first());
        QCOMPARE(view->strip()->button_at(0)->property("category/id").toString(), ids.first());
    }
    dialog->close();
}

void test_category_dialogs::copy_second_level_to_top_level() {
    sync_as("manager", "manager123");
    data_center& dc = data_center::instance();
    const category_node_spt top = make_category(QStringLiteral("二级来源"));
    QVERIFY(top);
    const category_node_spt child = make_category(QStringLiteral("将成一级"), top->id);
    QVERIFY(child);
    transfer_category_widget dialog(transfer_category_widget::copy_mode, child);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(dialog.title(), QStringLiteral("复制分类"));
    QCOMPARE(dialog.hint_label()->text(),
             QStringLiteral("提示：复制分类为一级分类时，请选择【顶级分类】"));
    QVERIFY(dialog.parent_row_shown());
    QVERIFY(!dialog.department_row_shown());
    QCOMPARE(dialog.parent_combo()->itemText(0), QStringLiteral("顶级分类"));
    QCOMPARE(dialog.parent_combo()->currentIndex(), 0);
    QSignalSpy finished(&dialog, &transfer_category_widget::transfer_finished);
    dialog.save_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    const auto placed = finished.first().first().value<category_node_spt>();
    QCOMPARE(placed->superId, top_level_id);
    QVERIFY(placed->id != child->id);
    QVERIFY(dc.find_category(library_kind::scripts, 1, QString(),
                             child->id)); // a copy leaves the source
    QVERIFY(dc.find_category(library_kind::scripts, 1, QString(), placed->id));
    QVERIFY(dialog.status_label()->text().contains(QStringLiteral("操作成功")));
}

void test_category_dialogs::transfer_branch_view_matches_server_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("target");
    QTest::newRow("copy into public") << int(transfer_category_widget::copy_mode) << 0;
    QTest::newRow("copy into the department") << int(transfer_category_widget::copy_mode) << 2;
    QTest::newRow("move into public") << int(transfer_category_widget::move_mode) << 0;
}

void test_category_dialogs::transfer_branch_view_matches_server() {
    QFETCH(int, mode);
    QFETCH(int, target);
    sync_as("manager", "manager123");
    data_center& dc = data_center::instance();
    const QString name = QStringLiteral("整枝%1%2").arg(mode).arg(target);
    const category_node_spt branch = make_branch(name);
    QVERIFY(branch);
    const QStringList source_lines = server_lines(branch->id, 1, QString());
    kb_tab_widget page;
    // Every store write must happen on the GUI thread, the fetched scripts too.
    QList<QThread*> writers;
    const auto watch = connect(
        &dc, &data_center::changed, this,
        [&writers](const store_change_t&) { writers << QThread::currentThread(); },
        Qt::DirectConnection);

    const bool move = mode == transfer_category_widget::move_mode;
    page.view(1)->menus()->open_transfer_category(branch, move);
    auto* dialog = open_dialog<transfer_category_widget>();
    QVERIFY(dialog);
    QVERIFY(!dialog->parent_row_shown()); // a first-level category stays one
    QCOMPARE(dialog->hint_label()->text(),
             QStringLiteral("提示：当前分类已有子分类，不能再修改为其他分类的子分类"));
    dialog->part_group()->button(target)->click();
    QCOMPARE(dialog->department_row_shown(), target == 2);
    QSignalSpy finished(dialog, &transfer_category_widget::transfer_finished);
    dialog->save_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    disconnect(watch);
    const auto placed = finished.first().first().value<category_node_spt>();
    QVERIFY(dialog->status_label()->text().contains(QStringLiteral("操作成功")));
    dialog->close();

    QVERIFY(!writers.isEmpty());
    for (QThread* writer : writers)
        QCOMPARE(writer, qApp->thread());
    QCOMPARE(placed->superId, top_level_id);
    QCOMPARE(placed->classifyType, QString::number(target));
    QCOMPARE(placed->id == branch->id, move);
    const QString dept = target == 2 ? session_state::instance().dept_id() : QString();

    // The target view shows the branch as the server holds it.
    kb_item_widget* view = page.view(target);
    QVERIFY(view->button_of(placed->id));
    view->show_category(placed->id);
    drag_drop_treewidget* tree = view->tree_of(placed->id);
    QStringList shown;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tree_lines(tree->topLevelItem(i), 0, &shown);
    const QStringList expected = server_lines(placed->id, target, dept);
    QCOMPARE(expected.size(), 8);     // two scripts, two sub-categories with two each
    QCOMPARE(expected, source_lines); // the whole branch, in its order
    QCOMPARE(shown, expected);
    QCOMPARE(server_names("310", 1, top_level_id).contains(name), !move);
    QCOMPARE(bool(page.view(1)->button_of(branch->id)), !move);
    QCOMPARE(bool(dc.find_category(library_kind::scripts, 1, QString(), branch->id)), !move);
}

void test_category_dialogs::failure_after_server_changed_reloads() {
    sync_as("manager", "manager123");
    data_center& dc = data_center::instance();
    const category_node_spt branch = make_branch(QStringLiteral("断枝"));
    QVERIFY(branch);
    kb_tab_widget page;
    // The real server behind a proxy that loses the reply about the new
    // branch's sub-categories, after the server has copied it.
    fixture_http_server proxy;
    QVERIFY(proxy.listen());
    const quint16 port = demo_.port();
    proxy.set_script([port](const fixture_http_server::request_t& r) {
        fixture_http_server::reply_t reply;
        const QJsonObject body = QJsonDocument::fromJson(r.body).object();
        if (r.url.path().endsWith("/queryClassify") &&
            !body.value("superId").toString().isEmpty()) {
            reply.status = 502;
            reply.body = "bad gateway";
            return reply;
        }
        const raw_http::reply_t real =
            raw_http::exchange(port, raw_http::post(r.url.toString().toUtf8(), r.body,
                                                    r.headers.value("authorities")));
        reply.status = real.status;
        reply.body = real.body;
        return reply;
    });
    qputenv("QUORVEL_BASE_URL", proxy.base_url().toUtf8());

    page.view(1)->menus()->open_transfer_category(branch, false);
    auto* dialog = open_dialog<transfer_category_widget>();
    QVERIFY(dialog);
    dialog->part_group()->button(0)->click();
    QSignalSpy finished(dialog, &transfer_category_widget::transfer_finished);
    dialog->save_button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(
        dialog->status_label()->text().contains(QStringLiteral("已从服务器重新加载")), 30000);
    qputenv("QUORVEL_BASE_URL", demo_.base_url().toUtf8());
    QVERIFY(dialog->status_label()->text().contains(QStringLiteral("同步分类信息失败")));
    QVERIFY(dialog->save_button()->isEnabled());
    QCOMPARE(finished.count(), 0);
    dialog->close();

    // The public part came again from the server: the copy with all it holds.
    category_node_spt copy;
    for (const category_node_spt& top : *dc.top_categories(library_kind::scripts, 0, QString()))
        if (top->classifyName == QStringLiteral("断枝"))
            copy = top;
    QVERIFY(copy);
    kb_item_widget* view = page.view(0);
    QVERIFY(view->button_of(copy->id));
    view->show_category(copy->id);
    QStringList shown;
    drag_drop_treewidget* tree = view->tree_of(copy->id);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tree_lines(tree->topLevelItem(i), 0, &shown);
    QCOMPARE(shown, server_lines(copy->id, 0, QString()));
    QCOMPARE(shown.size(), 8);
}

void test_category_dialogs::non_manager_copies_into_personal_only() {
    sync_as("agent", "agent123");
    data_center& dc = data_center::instance();
    QVERIFY(!session_state::instance().has_manager_role());
    kb_tab_widget page;
    const category_node_spt source =
        dc.top_categories(library_kind::scripts, 0, QString())->first();
    QStringList texts;
    for (const auto& entry : page.view(0)->menus()->category_menu(source))
        texts << entry.text;
    QCOMPARE(texts, (QStringList{"复制分类", "展开分类", "折叠分类"}));
    page.view(0)->menus()->category_menu(source).first().action();
    auto* dialog = open_dialog<transfer_category_widget>();
    QVERIFY(dialog);
    QVERIFY(!dialog->part_group()->button(0)->isEnabled());
    QVERIFY(!dialog->part_group()->button(2)->isEnabled());
    QVERIFY(dialog->part_group()->button(1)->isChecked());
    QVERIFY(!dialog->department_row_shown());
    QSignalSpy finished(dialog, &transfer_category_widget::transfer_finished);
    dialog->save_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    const auto placed = finished.first().first().value<category_node_spt>();
    dialog->close();
    QCOMPARE(placed->classifyType, QStringLiteral("1"));
    QVERIFY(page.view(1)->button_of(placed->id));
    QVERIFY(server_names("310", 1, top_level_id).contains(source->classifyName));
}

QTEST_MAIN(test_category_dialogs)
#include "test_category_dialogs.moc"
