// The scripts page against the demo library of quorvel-server.
#include "app/app_paths.h"
#include "app/event_bus.h"
#include "app/settings_store.h"
#include "library_login.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "server_fixture.h"
#include "ui/kb/kb_item_menus.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/kb_tab_widget.h"
#include "ui/kb/script_item.h"
#include "ui/library/category_flow_widget.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/library/select_department_menu.h"
#include "ui/sync_data_widget.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

using namespace quorvel;

namespace {

int kind(QTreeWidgetItem* row) {
    return row->data(0, kb_role::kind).toInt();
}
QString row_id(QTreeWidgetItem* row) {
    return row->data(0, kb_role::id).toString();
}
script_node_spt script(QTreeWidgetItem* row) {
    return row->data(0, kb_role::record).value<script_node_spt>();
}

QStringList texts(const QList<kb_item_widget::menu_entry_t>& entries) {
    QStringList out;
    for (const auto& e : entries)
        out << (e.text.isEmpty() ? QStringLiteral("|") : e.text);
    return out;
}

} // namespace

class test_kb_page : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void fresh_view_fills_on_first_click();
    void scripts_before_categories_and_numbering();
    void keyword_and_content_rendering_data();
    void keyword_and_content_rendering();
    void sending_follows_settings();
    void row_widgets_follow_the_view();
    void menus_by_role_data();
    void menus_by_role();
    void pinning_reorders_through_server();
    void dragging_moves_into_sub_category();
    void department_switch_rebuilds_view();
    void department_picker_height_and_rights_data();
    void department_picker_height_and_rights();
    void large_library_page();

private:
    void sync_as(const QString& account, const QString& password);
    void write_setting(const char* key, int value);
    // The first first-level category with scripts and sub-categories.
    QString mixed_category(kb_item_widget* view);
    // Shows that category as a click would; its tree.
    drag_drop_treewidget* open_mixed_category(kb_item_widget* view);

    server_fixture demo_;
    QString synced_as_;
    QList<QPair<QString, QVariantList>> events_;
    QObject listener_;
};

void test_kb_page::initTestCase() {
    QVERIFY(demo_.start());
    sync_data_widget::set_main_window_factory([] { return nullptr; });
    for (const char* name : {"send_script", "input_script", "kb/event/create_category"})
        event_bus::instance()->subscribe(QLatin1String(name), &listener_,
                                         [this, name](const QVariantList& args) {
                                             events_ << qMakePair(QString::fromLatin1(name), args);
                                         });
}

void test_kb_page::init() {
    QFile::remove(app_paths::instance().settings_file());
    events_.clear();
}

void test_kb_page::write_setting(const char* key, int value) {
    const auto settings = open_ini(app_paths::instance().settings_file());
    settings->setValue(QLatin1String(key), value);
    settings->sync();
}

void test_kb_page::sync_as(const QString& account, const QString& password) {
    if (synced_as_ == account)
        return;
    QVERIFY(log_in_and_sync(demo_, account, password));
    synced_as_ = account;
    QFile::remove(app_paths::instance().settings_file());
}

QString test_kb_page::mixed_category(kb_item_widget* view) {
    const data_center& dc = data_center::instance();
    for (const category_node_spt& top :
         *dc.top_categories(library_kind::scripts, view->part(), QString()))
        if (!dc.scripts_of(top->id).isEmpty() &&
            !dc.category_children(library_kind::scripts, view->part(), QString(), top->id)
                 ->isEmpty())
            return top->id;
    return {};
}

drag_drop_treewidget* test_kb_page::open_mixed_category(kb_item_widget* view) {
    const QString id = mixed_category(view);
    view->show_category(id);
    return view->tree_of(id);
}

void test_kb_page::fresh_view_fills_on_first_click() {
    sync_as("agent", "agent123");
    kb_tab_widget page;
    kb_item_widget* view = page.view(0);
    const int tops =
        data_center::instance().top_categories(library_kind::scripts, 0, QString())->size();
    QVERIFY(tops > 0);
    QCOMPARE(view->strip()->count(), tops + 1); // and the "+"
    QCOMPARE(view->current_tree()->property("category/id").toString(), QStringLiteral("blank"));
    QVERIFY(!view->strip()->checked_button());
    const QString first =
        data_center::instance().top_categories(library_kind::scripts, 0, QString())->first()->id;
    QCOMPARE(view->tree_of(first)->property("initialized").toInt(), 0);
    QCOMPARE(view->tree_of(first)->topLevelItemCount(), 0);

    qobject_cast<QAbstractButton*>(view->button_of(first))->click();
    QCOMPARE(view->current_tree(), view->tree_of(first));
    QCOMPARE(view->tree_of(first)->property("initialized").toInt(), 1);
    QVERIFY(view->tree_of(first)->topLevelItemCount() > 0);
}

void test_kb_page::scripts_before_categories_and_numbering() {
    sync_as("agent", "agent123");
    kb_tab_widget page;
    kb_item_widget* view = page.view(0);
    const QString id = mixed_category(view);
    QVERIFY2(!id.isEmpty(), "the demo library needs a category with scripts and sub-categories");
    view->show_category(id);
    drag_drop_treewidget* tree = view->tree_of(id);

    bool seen_category = false;
    qint64 last_script_sort = LLONG_MIN;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = tree->topLevelItem(i);
        if (kind(row) == 0) {
            seen_category = true;
            continue;
        }
        QVERIFY2(!seen_category, "a script after a category row");
        QVERIFY(script(row)->sort >= last_script_sort);
        last_script_sort = script(row)->sort;
    }
    QVERIFY(seen_category);

    int expected = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (kind(*it) != 1)
            continue;
        script_item* item = view->row_widget(tree, *it);
        QVERIFY(item);
        ++expected;
        QCOMPARE(item->index_label()->property("index").toInt(), expected);
        QCOMPARE(item->index_label()->text(), index_text(expected));
    }
    QVERIFY(expected > tree->topLevelItemCount() - 1); // numbering ran into sub-categories
    QCOMPARE(index_text(1), QStringLiteral("01. "));
    QCOMPARE(index_text(123), QStringLiteral("123. "));
}

void test_kb_page::keyword_and_content_rendering_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("style");
    QTest::addColumn<QString>("shown");
    QTest::newRow("red") << "${#ff0000}退款"
                         << "color: white; background-color: #ff0000"
                         << "退款";
    QTest::newRow("white") << "${white}问候"
                           << "color: black; background-color: white"
                           << "问候";
    QTest::newRow("plain") << "物流"
                           << "color: blue; background-color: transparent;"
                           << "物流";
}

void test_kb_page::keyword_and_content_rendering() {
    QFETCH(QString, raw);
    QFETCH(QString, style);
    QFETCH(QString, shown);
    const QString html = keyword_html(raw, QFont());
    QVERIFY2(html.contains(style), qPrintable(html));
    QTextDocument doc;
    doc.setHtml(html);
    QVERIFY2(doc.toPlainText().startsWith(shown), qPrintable(doc.toPlainText()));
    // The span is closed: what follows the keywords keeps the plain look.
    QTextDocument followed;
    followed.setHtml(html + QStringLiteral("正文"));
    QCOMPARE(followed.toPlainText(), shown + QStringLiteral("正文"));
    QTextCursor end(&followed);
    end.movePosition(QTextCursor::End);
    QCOMPARE(end.charFormat().background().style(), Qt::NoBrush);
    QVERIFY(!end.charFormat().hasProperty(QTextFormat::ForegroundBrush));

    QCOMPARE(one_line_content(QStringLiteral("亲 您好\r\n请稍等 ")),
             QStringLiteral("亲您好请稍等"));
    QTextDocument rich;
    rich.setHtml(QStringLiteral("<p>第一 行</p><p>第二行</p>"));
    QCOMPARE(one_line_content(rich.toHtml()), QStringLiteral("第一行第二行"));
}

void test_kb_page::sending_follows_settings() {
    sync_as("agent", "agent123");
    kb_tab_widget page;
    kb_item_widget* view = page.view(0);
    drag_drop_treewidget* tree = open_mixed_category(view);
    QTreeWidgetItem* row = tree->topLevelItem(0);
    QCOMPARE(kind(row), 1);
    const QString content = script(row)->speechContent;

    write_setting(setting_keys::kb_dbclick, 0);
    write_setting(setting_keys::kb_arrow, 1);
    emit tree->itemDoubleClicked(row, 0);
    view->row_widget(tree, row)->send_button()->click();
    for (const auto& entry : view->menus()->row_menu(row))
        if (entry.text == QStringLiteral("发送话术") || entry.text == QStringLiteral("输入话术"))
            entry.action();
    QTRY_COMPARE(events_.size(), 4);
    QCOMPARE(events_[0].first, QStringLiteral("input_script"));
    QCOMPARE(events_[1].first, QStringLiteral("send_script"));
    QCOMPARE(events_[2].first, QStringLiteral("input_script"));
    QCOMPARE(events_[3].first, QStringLiteral("send_script"));
    for (const auto& e : events_)
        QCOMPARE(e.second, QVariantList{content});

    events_.clear();
    write_setting(setting_keys::kb_dbclick, 1);
    emit tree->itemDoubleClicked(row, 0);
    QTRY_COMPARE(events_.size(), 1);
    QCOMPARE(events_[0].first, QStringLiteral("send_script"));

    // "+" suggests the checked category as parent.
    events_.clear();
    qobject_cast<QAbstractButton*>(view->strip()->button_at(view->strip()->count() - 1))->click();
    QTRY_COMPARE(events_.size(), 1);
    QCOMPARE(events_[0].second.value(1).value<category_node_spt>()->id,
             tree->property("category/id").toString());
}

void test_kb_page::row_widgets_follow_the_view() {
    sync_as("agent", "agent123");
    kb_tab_widget page;
    page.resize(360, 420);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    kb_item_widget* view = page.view(0);
    drag_drop_treewidget* tree = open_mixed_category(view);
    QTreeWidgetItem* first = tree->topLevelItem(0);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tree->expandItem(tree->topLevelItem(i));
    QTreeWidgetItem* deepest = first;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        deepest = *it;
    QTRY_VERIFY(tree->itemWidget(first, 0));
    QVERIFY2(!tree->itemWidget(deepest, 0), "rows out of view get their widget later");
    QCOMPARE(first->sizeHint(0).height(), kb_item_widget::script_row_height());

    tree->scrollToItem(deepest);
    QTRY_VERIFY(tree->itemWidget(deepest, 0));
    auto* item = qobject_cast<script_item*>(tree->itemWidget(deepest, 0));
    QCOMPARE(item->index_label()->property("index").toInt(),
             deepest->data(0, kb_role::number).toInt());
    QCOMPARE(item->content(), script(deepest)->speechContent);
}

void test_kb_page::menus_by_role_data() {
    QTest::addColumn<QString>("account");
    QTest::addColumn<int>("part");
    QTest::addColumn<QString>("category_menu");
    QTest::addColumn<QString>("script_menu");
    QTest::addColumn<QString>("empty_menu");
    QTest::newRow("manager") << "manager" << 0
                             << "修改分类 删除分类 | 复制分类 移动分类 | 分类排序 | 展开分类 "
                                "折叠分类 | 新建话术"
                             << "输入话术 发送话术 | 新建话术 修改话术 删除话术 | 复制话术 "
                                "移动话术 | 置顶话术 置底话术 | 复制到剪贴板"
                             << "新建话术";
    QTest::newRow("personal") << "agent" << 1
                              << "修改分类 删除分类 | 复制分类 | 分类排序 | 展开分类 折叠分类 | "
                                 "新建话术"
                              << "输入话术 发送话术 | 新建话术 修改话术 删除话术 | 置顶话术 "
                                 "置底话术 | 复制到剪贴板"
                              << "新建话术";
    QTest::newRow("other") << "agent" << 0 << "复制分类 展开分类 折叠分类"
                           << "输入话术 发送话术 复制话术 复制到剪贴板"
                           << "";
}

void test_kb_page::menus_by_role() {
    QFETCH(QString, account);
    QFETCH(int, part);
    QFETCH(QString, category_menu);
    QFETCH(QString, script_menu);
    QFETCH(QString, empty_menu);
    sync_as(account, account + "123");
    kb_tab_widget page;
    kb_item_widget* view = page.view(part);
    const data_center& dc = data_center::instance();
    const auto* tops = dc.top_categories(library_kind::scripts, part, QString());
    QVERIFY(tops && !tops->isEmpty());
    QCOMPARE(texts(view->menus()->category_menu(tops->first())).join(' '), category_menu);
    QString with_scripts;
    for (const category_node_spt& top : *tops)
        if (!dc.scripts_of(top->id).isEmpty())
            with_scripts = top->id;
    QVERIFY(!with_scripts.isEmpty());
    view->show_category(with_scripts);
    QTreeWidgetItem* row = view->tree_of(with_scripts)->topLevelItem(0);
    QCOMPARE(kind(row), 1);
    QCOMPARE(texts(view->menus()->row_menu(row)).join(' '), script_menu);
    QCOMPARE(texts(view->menus()->empty_area_menu(view->current_tree())).join(' '), empty_menu);
}

void test_kb_page::pinning_reorders_through_server() {
    sync_as("manager", "manager123");
    kb_tab_widget page;
    kb_item_widget* view = page.view(0);
    QString messages;
    view->menus()->set_message_handler([&](const QString& m) { messages += m; });
    drag_drop_treewidget* tree = open_mixed_category(view);
    QTreeWidgetItem* first = tree->topLevelItem(0);
    QVERIFY(kind(first) == 1 && kind(tree->topLevelItem(1)) == 1);
    const QString pinned = row_id(first);
    const QString second = row_id(tree->topLevelItem(1));
    view->menus()->pin_script(script(first), false);

    // The reply rebuilds the rows: the pinned script is now the last script.
    QTRY_COMPARE_WITH_TIMEOUT(row_id(tree->topLevelItem(0)), second, 10000);
    QVERIFY(messages.isEmpty());
    QString last_script;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (kind(tree->topLevelItem(i)) == 1)
            last_script = row_id(tree->topLevelItem(i));
    QCOMPARE(last_script, pinned);
    QCOMPARE(view->row_widget(tree, tree->topLevelItem(0))->index_label()->text(),
             QStringLiteral("01. "));

    // Back on top with the other pin.
    QTreeWidgetItem* row = kb_item_widget::find_row(tree, script_row, pinned);
    view->menus()->pin_script(script(row), true);
    QTRY_COMPARE_WITH_TIMEOUT(row_id(tree->topLevelItem(0)), pinned, 10000);
}

void test_kb_page::dragging_moves_into_sub_category() {
    sync_as("manager", "manager123");
    kb_tab_widget page;
    kb_item_widget* view = page.view(0);
    drag_drop_treewidget* tree = open_mixed_category(view);
    QTreeWidgetItem* dragged = tree->topLevelItem(0);
    QCOMPARE(kind(dragged), 1);
    const QString moved = row_id(dragged);
    // Onto a top-level script: refused.
    QVERIFY(!tree->move_item(dragged, tree->topLevelItem(1)));
    QCOMPARE(row_id(tree->topLevelItem(0)), moved);

    QTreeWidgetItem* target = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (kind(*it) == 1 && (*it)->parent()) {
            target = *it;
            break;
        }
    QVERIFY(target);
    const QString sub = row_id(target->parent());
    QVERIFY(tree->move_item(dragged, target));
    QTRY_VERIFY_WITH_TIMEOUT(kb_item_widget::find_row(tree, script_row, moved) &&
                                 kb_item_widget::find_row(tree, script_row, moved)->parent(),
                             10000);
    QCOMPARE(row_id(kb_item_widget::find_row(tree, script_row, moved)->parent()), sub);
    QCOMPARE(script(kb_item_widget::find_row(tree, script_row, moved))->classifyId, sub);
    synced_as_.clear(); // the library changed
}

void test_kb_page::department_switch_rebuilds_view() {
    sync_as("admin", "admin123");
    data_center& dc = data_center::instance();
    kb_tab_widget page;
    kb_item_widget* view = page.view(2);
    QString other;
    for (const QString& dept : dc.tree_departments(library_kind::scripts))
        if (dept != session_state::instance().dept_id() &&
            dc.top_categories(library_kind::scripts, 2, dept) &&
            !dc.top_categories(library_kind::scripts, 2, dept)->isEmpty())
            other = dept;
    if (other.isEmpty())
        QSKIP("the demo library has one department with scripts");
    page.choose_department(other, QStringLiteral("其他"));
    QCOMPARE(session_state::instance().dept_id(), other);
    QCOMPARE(page.stack()->currentIndex(), 2);
    QCOMPARE(page.department_tab()->text(), QStringLiteral("其他"));
    const auto* tops = dc.top_categories(library_kind::scripts, 2, other);
    QCOMPARE(view->strip()->count(), tops->size() + 1);
    for (const category_node_spt& top : *tops)
        QVERIFY(view->tree_of(top->id)); // made when first asked for
    QVERIFY(view->button_of(tops->first()->id));
}

void test_kb_page::department_picker_height_and_rights_data() {
    QTest::addColumn<QString>("account");
    QTest::newRow("agent manages none") << "agent";
    QTest::newRow("admin manages some") << "admin";
}

void test_kb_page::department_picker_height_and_rights() {
    QFETCH(QString, account);
    sync_as(account, account + "123");
    const session_state& login = session_state::instance();
    select_department_menu picker;
    QVERIFY(picker.height() >= 256 && picker.height() <= 600);
    QSignalSpy chosen(&picker, &select_department_menu::item_selected);
    int managed = 0;
    // Departments the user may not choose look disabled and say why;
    // choosing them does nothing.
    for (QTreeWidgetItemIterator it(picker.tree()); *it; ++it) {
        const bool may = login.has_manager_role_in((*it)->data(0, Qt::UserRole).toString());
        managed += may ? 1 : 0;
        QCOMPARE(bool((*it)->flags() & Qt::ItemIsSelectable), may);
        QCOMPARE((*it)->toolTip(0),
                 may ? QString() : select_department_menu::unchoosable_tooltip());
        QCOMPARE((*it)->foreground(0).color() ==
                     picker.tree()->palette().color(QPalette::Disabled, QPalette::Text),
                 !may);
        if (!may)
            picker.choose(*it);
    }
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(managed > 0, account == QStringLiteral("admin"));
}

// 100,000 categories, a fifth of them first-level, with a script each: the
// page is built and a late category opens with its content. Building it
// used to take minutes (a view per category, and a button group searched
// through at every button).
void test_kb_page::large_library_page() {
    data_center& dc = data_center::instance();
    dc.clear();
    constexpr int count = 100000;
    category_tree_t tree;
    script_map_t scripts;
    for (int i = 0; i < count; ++i) {
        auto c = category_node_spt::create();
        c->id = QStringLiteral("k%1").arg(i);
        c->superId = i % 5 == 0 ? top_level_id : QStringLiteral("k%1").arg(i / 5 * 5);
        c->classifyName = QStringLiteral("分类%1").arg(i);
        c->classifyType = QStringLiteral("0");
        add_to_tree(tree, c);
        auto s = script_node_spt::create();
        s->id = QStringLiteral("s%1").arg(i);
        s->classifyId = c->id;
        s->classifyType = QStringLiteral("0");
        scripts.insert(c->id, {s});
    }
    dc.replace_category_tree(library_kind::scripts, 0, QString(), tree);
    dc.replace_scripts(scripts);
    {
        kb_item_widget view(0);
        QCOMPARE(view.strip()->count(), count / 5 + 1); // and the "+"
        const QString last = QStringLiteral("k%1").arg(count - 5);
        QVERIFY(view.button_of(last));
        view.show_category(last);
        drag_drop_treewidget* tree = view.current_tree();
        QCOMPARE(tree, view.tree_of(last));
        QCOMPARE(tree->topLevelItemCount(), 1 + 4); // its script, then its four sub-categories
        QCOMPARE(row_id(tree->topLevelItem(0)), QStringLiteral("s%1").arg(count - 5));
        QCOMPARE(row_id(tree->topLevelItem(4)), QStringLiteral("k%1").arg(count - 1));
    }
    dc.clear();
}

QTEST_MAIN(test_kb_page)
#include "test_kb_page.moc"
