// The category dialogs against the demo library of quorvel-server: what they
// send, what they show, and that store and server agree afterwards.
#include "app/app_paths.h"
#include "app/settings_store.h"
#include "model/data_center.h"
#include "net/actions/category_actions.h"
#include "server_fixture.h"
#include "ui/kb/delete_category_widget.h"
#include "ui/kb/update_category_widget.h"
#include "ui/library/drag_drop_listwidget.h"
#include "ui/sync_data_widget.h"
#include "ui/widgets/custom_button.h"

#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace quorvel;

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

private:
    void sync_as(const QString& account, const QString& password);
    // A new personal script category made through the actions.
    category_node_spt make_category(const QString& name, const QString& parent_id = QString());
    // Names of the server's categories of a kind under a parent.
    QStringList server_names(const QString& business, int part, const QString& parent_id);

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
    qputenv("QUORVEL_BASE_URL", demo_.base_url().toUtf8());
    const auto settings = open_ini(app_paths::instance().settings_file());
    settings->setValue(QLatin1String(setting_keys::clouddoc_download_switch), 0);
    settings->sync();
    data_center& dc = data_center::instance();
    dc.clear();
    dc.set_token(demo_.login(account, password));
    dc.set_login_user(user_login_info_t::from_json(
        demo_.get("/tavorine/loginAccount/getLoginUserData", {}, dc.token()).data().toObject()));
    auto* dialog = new sync_data_widget;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<sync_data_widget> alive(dialog);
    dialog->show();
    QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 60000);
    synced_as_ = account;
}

category_node_spt test_category_dialogs::make_category(const QString& name,
                                                       const QString& parent_id) {
    category_actions actions;
    bool done = false;
    actions.create_category({name, 1, data_center::instance().dept_id(), parent_id},
                            [&](const action_result_t& r) { done = r.ok; });
    [&] { QTRY_VERIFY_WITH_TIMEOUT(done, 20000); }();
    const data_center& dc = data_center::instance();
    const QList<category_node_spt>* siblings =
        dc.script_children(1, QString(), parent_id.isEmpty() ? top_level_id : parent_id);
    for (const category_node_spt& c : siblings ? *siblings : QList<category_node_spt>{})
        if (c->classifyName == name)
            return c;
    return {};
}

QStringList test_category_dialogs::server_names(const QString& business, int part,
                                                const QString& parent_id) {
    const auto reply = demo_.post("/tavorine/clientKb/queryClassify",
                                  {{"clientBusinessType", business},
                                   {"classifyType", QString::number(part)},
                                   {"classifyName", ""},
                                   {"superId", parent_id},
                                   {"deptId", data_center::instance().dept_id()}},
                                  data_center::instance().token());
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
    QCOMPARE(data_center::instance().find_script_category(1, category->id)->classifyName, expected);
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
                                  dc.token());
    QCOMPARE(added.code(), 200);

    delete_category_widget dialog(top);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy finished(&dialog, &delete_category_widget::delete_finished);
    dialog.delete_button()->click();
    QVERIFY(!dialog.delete_button()->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QVERIFY(dialog.status_label()->text().contains(QStringLiteral("删除成功")));
    QVERIFY(!dialog.delete_button()->isEnabled());

    QVERIFY(!dc.find_script_category(1, top->id));
    QVERIFY(!dc.find_script_category(1, child->id));
    QVERIFY(!server_names("310", 1, top_level_id).contains(QStringLiteral("删除整枝")));
    // The script went with its category.
    const auto scripts = demo_.post("/tavorine/clientKb/querySpeech",
                                    {{"classifyId", child->id},
                                     {"classifyType", "1"},
                                     {"speechContent", ""},
                                     {"speechContentKeywords", ""},
                                     {"deptId", ""}},
                                    dc.token());
    QVERIFY(scripts.code() != 200 || scripts.data().toArray().isEmpty());
}

void test_category_dialogs::delete_sticker_category_follows_sticker_tree() {
    sync_as("manager", "manager123");
    data_center& dc = data_center::instance();
    category_node_spt sticker_category;
    for (const category_node_spt& c : dc.sticker_category_children(0, top_level_id))
        if (!dc.stickers_by_category().value(c->id).isEmpty())
            sticker_category = c;
    QVERIFY(sticker_category);

    delete_category_widget dialog(sticker_category);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy finished(&dialog, &delete_category_widget::delete_finished);
    dialog.delete_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);

    // Gone from the sticker tree with its stickers; the script trees are untouched.
    for (const category_node_spt& c : dc.sticker_category_children(0, top_level_id))
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
    QSignalSpy changed(&list, &drag_drop_listwidget::item_order_changed);
    list.move_item(from, to);
    QStringList now;
    for (int i = 0; i < list.count(); ++i)
        now << list.item(i)->text();
    QCOMPARE(now, order);
    QCOMPARE(changed.count(), reported ? 1 : 0);
    if (reported) {
        QCOMPARE(changed.first().at(1).toInt(), from);
        QCOMPARE(changed.first().at(2).toInt(), to);
        QCOMPARE(changed.first().at(0).value<QListWidgetItem*>()->text(), order.at(to));
    }
}

QTEST_MAIN(test_category_dialogs)
#include "test_category_dialogs.moc"
