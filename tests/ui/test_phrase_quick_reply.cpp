// The phrase and quick-reply managers opened from the bar, against the demo
// library of quorvel-server (and small hand-built stores for the tree shapes).
#include "app/event_bus.h"
#include "library_login.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "server_fixture.h"
#include "ui/auto_follow_widget.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/phrase_list_item.h"
#include "ui/kb/phrase_manager_widget.h"
#include "ui/kb/quick_reply_manager_widget.h"
#include "ui/library/drag_drop_listwidget.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/custom_toolbutton.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QStackedLayout>
#include <QTreeWidget>
#include <QtTest>

using namespace quorvel;

namespace {

category_node_spt category(const QString& id, const QString& super, const QString& name,
                           const QString& type, const QString& dept = QString()) {
    auto c = category_node_spt::create();
    c->id = id;
    c->superId = super;
    c->classifyName = name;
    c->classifyType = type;
    c->deptId = dept;
    c->clientBusinessType = QString::fromLatin1(protocol::business::scripts);
    return c;
}

script_node_spt script(const QString& id, const QString& category_id, const QString& content) {
    auto s = script_node_spt::create();
    s->id = id;
    s->classifyId = category_id;
    s->speechContent = content;
    return s;
}

category_tree_t tree_of(const QList<category_node_spt>& nodes) {
    category_tree_t tree;
    for (const category_node_spt& n : nodes)
        add_to_tree(tree, n);
    return tree;
}

// A small library: category and script ids overlap on purpose ("1"), a
// first-level category holds a script of its own, one branch is empty.
void fill_small_library(const QString& dept_id, bool dept_tree) {
    data_center& dc = data_center::instance();
    dc.clear();
    session_state::instance().set_dept_id(dept_id);
    dc.replace_category_tree(
        library_kind::scripts, 0, QString(),
        tree_of({category("1", "-1", "问候", "0"), category("11", "1", "开场", "0"),
                 category("2", "-1", "空分类", "0"), category("21", "2", "空子类", "0")}));
    dc.replace_category_tree(
        library_kind::scripts, 1, QString(),
        tree_of({category("3", "-1", "我的", "1"), category("31", "3", "常用", "1")}));
    if (dept_tree)
        dc.replace_category_tree(library_kind::scripts, 2, dept_id,
                                 tree_of({category("4", "-1", "部门", "2", dept_id)}));
    dc.replace_scripts({{"1", {script("1", "1", "<b>您好</b>")}},
                        {"11", {script("7", "11", "开场白"), script("8", "11", "第二句")}},
                        {"31", {script("9", "31", "个人话术")}},
                        {"4", {script("10", "4", "部门话术")}}});
    QHash<QString, quick_reply_node_spt> marks;
    for (const char* id : {"1", "8"}) {
        auto q = quick_reply_node_spt::create();
        q->speechId = QLatin1String(id);
        marks.insert(q->speechId, q);
    }
    dc.replace_quick_replies(marks);
}

QString row_text(QTreeWidget* tree, QTreeWidgetItem* row) {
    if (!quick_reply_manager_widget::is_script_row(row))
        return row->text(0);
    auto* label = qobject_cast<QLabel*>(tree->itemWidget(row, 0));
    return QStringLiteral("%1 %2").arg(row->checkState(0) == Qt::Checked ? "[x]" : "[ ]",
                                       label ? label->text() : "?");
}

// The tree as indented lines; hidden rows left out when asked.
QStringList dump(QTreeWidget* tree, bool visible_only = false) {
    QStringList lines;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (visible_only && (*it)->isHidden())
            continue;
        int depth = 0;
        for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent())
            ++depth;
        lines << QString(depth * 2, QLatin1Char(' ')) + row_text(tree, *it);
    }
    return lines;
}

QList<QTreeWidgetItem*> script_rows(QTreeWidget* tree) {
    QList<QTreeWidgetItem*> rows;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (quick_reply_manager_widget::is_script_row(*it))
            rows << *it;
    return rows;
}

script_node_spt script_of(QTreeWidgetItem* row) {
    return row->data(0, kb_role::record).value<script_node_spt>();
}

// Answers the next message box with OK and keeps its text.
class message_catcher : public QObject {
public:
    message_catcher() {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                titles << box->windowTitle();
                box->button(QMessageBox::Ok)->click();
            }
        });
        timer_.start();
    }
    QStringList texts;
    QStringList titles;

private:
    QTimer timer_;
};

phrase_node_spt phrase(const QString& id, qint64 sort, const QString& text) {
    auto p = phrase_node_spt::create();
    p->id = id;
    p->sort = sort;
    p->phraseContent = text;
    return p;
}

QStringList row_texts(phrase_manager_widget* dialog) {
    QStringList rows;
    for (int i = 0; i < dialog->list()->count(); ++i) {
        phrase_list_item* row = dialog->row_widget(i);
        rows << (row ? row->index_label()->text() + row->content_label()->text() : "?");
    }
    return rows;
}

QStringList row_ids(phrase_manager_widget* dialog) {
    QStringList ids;
    for (int i = 0; i < dialog->list()->count(); ++i)
        ids << phrase_manager_widget::phrase_of(dialog->list()->item(i))->id;
    return ids;
}

// The phrase buttons of the bar, after its caption, "隐藏" and "+".
QStringList bar_phrases(auto_follow_widget* bar) {
    QStringList texts;
    QLayout* layout = bar->pages()->widget(0)->layout();
    for (int i = 3; i < layout->count(); ++i)
        texts << qobject_cast<QToolButton*>(layout->itemAt(i)->widget())->text();
    return texts;
}

} // namespace

class test_phrase_quick_reply : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void quick_reply_groups_follow_the_department_data();
    void quick_reply_groups_follow_the_department();
    void quick_reply_rows_marks_and_filter();
    void quick_reply_script_rows_read_as_text_data();
    void quick_reply_script_rows_read_as_text();
    void quick_reply_save_replaces_the_list_and_the_bar_menu_follows();
    void quick_reply_failed_save_keeps_dialog_and_marks();

    void phrase_row_index_data();
    void phrase_row_index();
    void phrases_sharing_a_sort_are_all_listed_by_id();
    void phrase_add_checks_data();
    void phrase_add_checks();
    void phrase_delete_renumbers_from_one();
    void phrase_reorder_sends_the_new_order();
    void bar_shows_the_servers_phrases_after_the_dialog_closes();

private:
    QStringList server_phrases(bool texts = false);
    // The store as the synchronisation leaves it for an account.
    void load_library_as(const QString& account);
    QStringList server_quick_replies();
    QString token_;
    server_fixture server_;
};

void test_phrase_quick_reply::initTestCase() {
    register_meta_types();
    QVERIFY(server_.start());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
}

void test_phrase_quick_reply::load_library_as(const QString& account) {
    QVERIFY(log_in_and_sync(server_, account, account + "123"));
    token_ = session_state::instance().token();
}

QStringList test_phrase_quick_reply::server_quick_replies() {
    QStringList ids;
    for (const QJsonValue& v :
         server_.get("/tavorine/clientOperateHabit/getQuickReplySpeech", {}, token_)
             .data()
             .toArray())
        ids << v.toObject()["speechId"].toString();
    return ids;
}

// ---- quick replies ----

void test_phrase_quick_reply::quick_reply_groups_follow_the_department_data() {
    QTest::addColumn<QString>("dept");
    QTest::addColumn<bool>("dept_tree");
    QTest::addColumn<QStringList>("groups");
    const QStringList both{"公共分类", "个人分类"};
    QTest::newRow("department with a tree") << "5" << true << both + QStringList{"部门分类"};
    QTest::newRow("department without a tree") << "5" << false << both;
    QTest::newRow("no department") << "" << false << both;
}

void test_phrase_quick_reply::quick_reply_groups_follow_the_department() {
    QFETCH(QString, dept);
    QFETCH(bool, dept_tree);
    QFETCH(QStringList, groups);
    fill_small_library(dept, dept_tree);
    quick_reply_manager_widget dialog;
    QStringList tops;
    for (int i = 0; i < dialog.tree()->topLevelItemCount(); ++i)
        tops << dialog.tree()->topLevelItem(i)->text(0);
    QCOMPARE(tops, groups);
}

void test_phrase_quick_reply::quick_reply_rows_marks_and_filter() {
    fill_small_library("5", true);
    quick_reply_manager_widget dialog;
    QTreeWidget* tree = dialog.tree();
    const QStringList all{"公共分类", "  问候",           "    [x] 您好",
                          "    开场", "      [ ] 开场白", "      [x] 第二句",
                          "  空分类", "    空子类",       "个人分类",
                          "  我的",   "    常用",         "      [ ] 个人话术",
                          "部门分类", "  部门",           "    [ ] 部门话术"};
    QCOMPARE(dump(tree), all);
    // The label never reads text as markup; the first-level category "1" is
    // no script though its id is a marked script's id.
    auto* label = qobject_cast<QLabel*>(tree->itemWidget(script_rows(tree).first(), 0));
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(dialog.checked_script_ids(), (QStringList{"1", "8"}));

    dialog.only_marked_box()->setChecked(true);
    QCOMPARE(dump(tree, true),
             (QStringList{"公共分类", "  问候", "    [x] 您好", "    开场", "      [x] 第二句",
                          "  空分类", "    空子类", "个人分类", "  我的", "    常用", "部门分类",
                          "  部门"}));
    // Unchecking a shown row keeps it shown until the next switch.
    script_rows(tree).first()->setCheckState(0, Qt::Unchecked);
    QVERIFY(!script_rows(tree).first()->isHidden());
    QCOMPARE(dialog.checked_script_ids(), QStringList{"8"});
    dialog.only_marked_box()->setChecked(false);
    QCOMPARE(dump(tree, true).size(), all.size());
}

void test_phrase_quick_reply::quick_reply_script_rows_read_as_text_data() {
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("visible");
    QTest::addColumn<bool>("elided");
    // As the script editor saves it.
    const QString document = QStringLiteral(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
        "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
        "<html><head><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">\n"
        "p, li { white-space: pre-wrap; }\n</style></head>"
        "<body style=\" font-family:'SimSun'; font-size:9pt;\">\n"
        "<p style=\" margin-top:0px;\">您好，请问</p>\n<p>有什么可以&amp;帮您？</p></body></html>");
    QTest::newRow("html document") << document << "您好，请问 有什么可以&帮您？" << false;
    QTest::newRow("picture dropped") << "<p>请看<img src=\"a.png\"/>图</p>"
                                     << "请看图" << false;
    QTest::newRow("plain text") << "a < b 也\n行"
                                << "a < b 也 行" << false;
    QTest::newRow("long") << "<p>" + QString(200, QChar(0x8bdd)) + "</p>"
                          << QString(200, QChar(0x8bdd)) << true;
}

void test_phrase_quick_reply::quick_reply_script_rows_read_as_text() {
    QFETCH(QString, content);
    QFETCH(QString, visible);
    QFETCH(bool, elided);
    data_center& dc = data_center::instance();
    dc.clear();
    dc.replace_category_tree(library_kind::scripts, 0, QString(),
                             tree_of({category("1", "-1", "问候", "0")}));
    dc.replace_scripts({{"1", {script("5", "1", content)}}});
    quick_reply_manager_widget dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTreeWidget* tree = dialog.tree();
    auto* label = qobject_cast<QLabel*>(tree->itemWidget(script_rows(tree).value(0), 0));
    QVERIFY(label);
    const QString shown = label->text();
    if (elided) {
        QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QVERIFY(visible.startsWith(shown.chopped(1)));
    } else {
        QCOMPARE(shown, visible);
    }
    QCOMPARE(label->toolTip().remove(QStringLiteral("\n\r")), visible);
}

void test_phrase_quick_reply::quick_reply_save_replaces_the_list_and_the_bar_menu_follows() {
    load_library_as("manager"); // no quick replies of its own
    QVERIFY(server_quick_replies().isEmpty());
    QSignalSpy changes(&data_center::instance(), &data_center::changed);
    auto quick_replies_reloaded = [&changes] {
        for (const QList<QVariant>& args : changes)
            if (args[0].value<store_change_t>().subject == store_subject::quick_replies)
                return true;
        return false;
    };
    auto_follow_widget bar;
    QTRY_VERIFY(quick_replies_reloaded());
    QList<QVariantList> sent;
    QObject listener;
    event_bus::instance()->subscribe(QStringLiteral("send_script"), &listener,
                                     [&sent](const QVariantList& args) { sent << args; });
    auto menu_sends = [&] {
        sent.clear();
        QMenu menu;
        bar.fill_quick_reply_menu(&menu);
        const QList<QAction*> actions = menu.actions();
        // The entries, a separator, the manager entry (usable).
        [&] {
            QVERIFY(actions.size() >= 2);
            QVERIFY(actions[actions.size() - 2]->isSeparator());
            QCOMPARE(actions.last()->text(), QStringLiteral("点击进入快捷回复管理"));
            QVERIFY(actions.last()->isEnabled());
        }();
        for (int i = 0; i < actions.size() - 2; ++i)
            actions[i]->trigger();
        QStringList texts;
        for (const QVariantList& args : sent)
            texts << args.value(0).toString();
        texts.sort();
        return texts;
    };

    bar.quick_reply_settings();
    auto* dialog = qobject_cast<quick_reply_manager_widget*>(bar.quick_reply_manager());
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("快捷回复管理"));
    const QList<QTreeWidgetItem*> rows = script_rows(dialog->tree());
    QVERIFY(rows.size() > 2);
    for (QTreeWidgetItem* row : rows)
        QCOMPARE(row->checkState(0), Qt::Unchecked);
    // A script right under a first-level category, and one deeper.
    QTreeWidgetItem* shallow = nullptr;
    QTreeWidgetItem* deep = nullptr;
    for (QTreeWidgetItem* row : rows) {
        QTreeWidgetItem*& slot = row->parent()->parent()->parent() ? deep : shallow;
        if (!slot)
            slot = row;
    }
    QVERIFY(shallow && deep);
    shallow->setCheckState(0, Qt::Checked);
    deep->setCheckState(0, Qt::Checked);
    const QStringList chosen = dialog->checked_script_ids();
    QCOMPARE(chosen.size(), 2);
    QStringList expected{script_of(shallow)->speechContent, script_of(deep)->speechContent};
    expected.sort();
    QPointer<QWidget> alive(dialog);
    changes.clear();
    dialog->save_button()->click();
    QTRY_VERIFY(alive.isNull());
    QCOMPARE(server_quick_replies(), chosen);
    QTRY_VERIFY(quick_replies_reloaded());
    QCOMPARE(menu_sends(), expected);

    // Reopened: the marks as saved; all taken away, an empty list is saved.
    bar.quick_reply_settings();
    dialog = qobject_cast<quick_reply_manager_widget*>(bar.quick_reply_manager());
    QCOMPARE(dialog->checked_script_ids(), chosen);
    for (QTreeWidgetItem* row : script_rows(dialog->tree()))
        row->setCheckState(0, Qt::Unchecked);
    alive = dialog;
    changes.clear();
    dialog->save_button()->click();
    QTRY_VERIFY(alive.isNull());
    QVERIFY(server_quick_replies().isEmpty());
    QTRY_VERIFY(quick_replies_reloaded());
    QVERIFY(data_center::instance().quick_replies().isEmpty());
    QVERIFY(menu_sends().isEmpty());
}

void test_phrase_quick_reply::quick_reply_failed_save_keeps_dialog_and_marks() {
    const QString personal = [this] {
        load_library_as("manager");
        return data_center::instance()
            .top_categories(library_kind::scripts, 1, QString())
            ->first()
            ->id;
    }();
    const QString doomed = server_
                               .post("/tavorine/clientKb/createSpeech",
                                     {{"classifyId", personal},
                                      {"classifyType", "1"},
                                      {"deptId", ""},
                                      {"speechContent", "即将删除"},
                                      {"speechContentKeywords", "即将删除"}},
                                     token_)
                               .data()
                               .toObject()["id"]
                               .toString();
    QVERIFY(!doomed.isEmpty());
    load_library_as("manager");
    quick_reply_manager_widget dialog;
    dialog.show();
    QTreeWidgetItem* row = nullptr;
    for (QTreeWidgetItem* r : script_rows(dialog.tree()))
        if (script_of(r)->id == doomed)
            row = r;
    QVERIFY(row);
    row->setCheckState(0, Qt::Checked);
    QCOMPARE(server_
                 .post("/tavorine/clientKb/editSpeech",
                       {{"id", doomed},
                        {"operateType", QString::fromLatin1(protocol::edit_script::remove)}},
                       token_)
                 .code(),
             200);
    message_catcher messages;
    dialog.save_button()->click();
    QTRY_COMPARE(messages.texts.size(), 1);
    QVERIFY2(messages.texts[0].startsWith(QStringLiteral("保存失败，原因：")),
             qPrintable(messages.texts[0]));
    QCOMPARE(messages.titles[0], QStringLiteral("Quorvel"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.checked_script_ids(), QStringList{doomed});
}

// ---- phrases ----

QStringList test_phrase_quick_reply::server_phrases(bool texts) {
    QStringList out;
    for (const QJsonValue& v :
         server_.get("/tavorine/clientPhrase/list", {}, token_).data().toArray())
        out << v.toObject()[texts ? "phraseContent" : "id"].toString();
    return out;
}

void test_phrase_quick_reply::phrase_row_index_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one digit") << 1 << "01.";
    QTest::newRow("two digits") << 12 << "12.";
    QTest::newRow("three digits") << 123 << "123.";
}

void test_phrase_quick_reply::phrase_row_index() {
    QFETCH(int, n);
    QFETCH(QString, shown);
    phrase_list_item row(7, QStringLiteral("好的"));
    QCOMPARE(row.index_label()->text(), QStringLiteral("07."));
    row.set_index(n);
    QCOMPARE(row.index_label()->text(), shown);
    QVERIFY(!row.delete_button()->icon().isNull());
    QSignalSpy deleted(&row, &phrase_list_item::delete_clicked);
    row.delete_button()->click();
    QCOMPARE(deleted.count(), 1);
}

// Ids in numeric order: "9" before "12".
void test_phrase_quick_reply::phrases_sharing_a_sort_are_all_listed_by_id() {
    data_center& dc = data_center::instance();
    dc.clear();
    dc.replace_phrases({{"12", phrase("12", 2, "甲")},
                        {"9", phrase("9", 2, "乙")},
                        {"3", phrase("3", 1, "丙")},
                        {"40", phrase("40", 3, "丁")}});
    phrase_manager_widget dialog;
    QCOMPARE(row_texts(&dialog), (QStringList{"01.丙", "02.乙", "03.甲", "04.丁"}));
    QCOMPARE(dialog.row_widget(1)->property("data").value<phrase_node_spt>(),
             dc.phrases().value("9"));
    auto_follow_widget bar;
    QCOMPARE(bar_phrases(&bar), (QStringList{"丙", "乙", "甲", "丁"}));
}

void test_phrase_quick_reply::phrase_add_checks_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message"); // empty: added
    const QString too_long = QStringLiteral("短语内容不能超过15个字符");
    QTest::newRow("15 characters") << "一二三四五六七八九十一二三四五"
                                   << "";
    QTest::newRow("16 characters") << "一二三四五六七八九十一二三四五六" << too_long;
    QTest::newRow("empty") << "" << too_long;
    QTest::newRow("the same text") << "您好，在的～"
                                   << "短语已经存在，请修改后再添加";
    QTest::newRow("with a trailing space") << "您好，在的～ "
                                           << "";
    QTest::newRow("refused by the server") << "   "
                                           << "创建短语失败，原因：";
}

void test_phrase_quick_reply::phrase_add_checks() {
    QFETCH(QString, typed);
    QFETCH(QString, message);
    load_library_as("admin");
    phrase_manager_widget dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("短语管理"));
    const int rows = dialog.list()->count();
    QVERIFY(rows > 0);
    message_catcher messages;
    dialog.input()->setText(typed);
    dialog.add_button()->click();
    if (message.isEmpty()) {
        QTRY_COMPARE(dialog.list()->count(), rows + 1);
        QVERIFY(messages.texts.isEmpty());
        QCOMPARE(dialog.input()->text(), QString());
        QCOMPARE(row_texts(&dialog).last(),
                 QStringLiteral("%1.%2").arg(rows + 1, 2, 10, QChar('0')).arg(typed));
        QCOMPARE(server_phrases(true).last(), typed);
        QVERIFY(data_center::instance().phrases().contains(row_ids(&dialog).last()));
    } else {
        QTRY_COMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].startsWith(message), qPrintable(messages.texts[0]));
        QCOMPARE(messages.titles[0], QStringLiteral("Quorvel"));
        QCOMPARE(dialog.list()->count(), rows);
        QCOMPARE(dialog.input()->text(), typed);
    }
}

void test_phrase_quick_reply::phrase_delete_renumbers_from_one() {
    load_library_as("admin");
    phrase_manager_widget dialog;
    const QStringList before = row_texts(&dialog);
    QVERIFY(before.size() >= 3);
    const QString first = row_ids(&dialog).first();
    dialog.row_widget(0)->delete_button()->click();
    QTRY_COMPARE(dialog.list()->count(), before.size() - 1);
    QStringList expected;
    for (int i = 1; i < before.size(); ++i)
        expected << QStringLiteral("%1.").arg(i, 2, 10, QChar('0')) + before[i].mid(3);
    QCOMPARE(row_texts(&dialog), expected);
    QVERIFY(!server_phrases().contains(first));
    QVERIFY(!data_center::instance().phrases().contains(first));
}

void test_phrase_quick_reply::phrase_reorder_sends_the_new_order() {
    load_library_as("admin");
    phrase_manager_widget dialog;
    const QStringList ids = row_ids(&dialog);
    QVERIFY(ids.size() >= 3);
    QSignalSpy drops(dialog.list(), &drag_drop_listwidget::item_order_changed);
    QSignalSpy changes(&data_center::instance(), &data_center::changed);
    // Dropped where it was: nothing to report, nothing sent.
    QVERIFY(dialog.list()->move_item(1, 1));
    QCOMPARE(drops.count(), 0);

    QVERIFY(dialog.list()->move_item(ids.size() - 1, 0));
    const QStringList moved = QStringList{ids.last()} + ids.mid(0, ids.size() - 1);
    QCOMPARE(row_ids(&dialog), moved);
    QTRY_COMPARE(server_phrases(), moved);
    QTRY_VERIFY(!changes.isEmpty());
    const auto& stored = data_center::instance().phrases();
    QCOMPARE(phrases_in_order(stored).first()->id, ids.last());
    for (int i = 0; i < moved.size(); ++i) {
        QCOMPARE(dialog.row_widget(i)->index_label()->text(),
                 QStringLiteral("%1.").arg(i + 1, 2, 10, QChar('0')));
        QCOMPARE(dialog.row_widget(i)->property("data").value<phrase_node_spt>(),
                 stored.value(moved[i]));
    }
    // The moved row still deletes its own phrase.
    dialog.row_widget(0)->delete_button()->click();
    QTRY_COMPARE(dialog.list()->count(), ids.size() - 1);
    QVERIFY(!server_phrases().contains(ids.last()));
}

void test_phrase_quick_reply::bar_shows_the_servers_phrases_after_the_dialog_closes() {
    load_library_as("agent");
    auto_follow_widget bar;
    QVERIFY(bar.add_phrase_button()->isEnabled());
    bar.add_phrase_button()->click();
    auto* dialog = qobject_cast<phrase_manager_widget*>(bar.phrase_manager());
    QVERIFY(dialog);
    const int rows = dialog->list()->count();
    dialog->input()->setText(QStringLiteral("马上到"));
    dialog->add_button()->click();
    QTRY_COMPARE(dialog->list()->count(), rows + 1);
    dialog->row_widget(1)->delete_button()->click();
    QTRY_COMPARE(dialog->list()->count(), rows);
    QVERIFY(dialog->list()->move_item(rows - 1, 0));
    QTRY_COMPARE(server_phrases(), row_ids(dialog));
    QPointer<QWidget> alive(dialog);
    dialog->close_button()->click();
    QTRY_VERIFY(alive.isNull());
    QCOMPARE(bar_phrases(&bar), server_phrases(true));
    QCOMPARE(bar_phrases(&bar).first(), QStringLiteral("马上到"));

    QList<QVariantList> sent;
    QObject listener;
    event_bus::instance()->subscribe(QStringLiteral("send_script"), &listener,
                                     [&sent](const QVariantList& args) { sent << args; });
    qobject_cast<QToolButton*>(bar.pages()->widget(0)->layout()->itemAt(3)->widget())->click();
    QCOMPARE(sent, (QList<QVariantList>{{QStringLiteral("马上到")}}));
}

QTEST_MAIN(test_phrase_quick_reply)
#include "test_phrase_quick_reply.moc"
