// The search tab of the scripts page against the demo library of
// quorvel-server: what is sent, where results land, their order and numbers,
// sending from the page and the recent list in kb/search.cfg.
#include "app/app_paths.h"
#include "app/event_bus.h"
#include "app/settings_store.h"
#include "library_login.h"
#include "model/data_center.h"
#include "net/actions/script_actions.h"
#include "net/connection_state.h"
#include "server_fixture.h"
#include "ui/kb/kb_search_widget.h"
#include "ui/kb/script_item.h"

#include <QSettings>
#include <QtTest>
#include <spdlog/sinks/ringbuffer_sink.h>
#include <spdlog/spdlog.h>

using namespace quorvel;

namespace {

QStringList ids_of(const QTreeWidgetItem* group) {
    QStringList ids;
    for (int i = 0; i < group->childCount(); ++i)
        ids << kb_search_widget::script_of(group->child(i))->id;
    return ids;
}

QString group_title(kb_search_widget& page, int group) {
    auto* button = qobject_cast<QToolButton*>(page.tree()->itemWidget(page.group(group), 0));
    return button ? button->text() : QString();
}

int shown_number(kb_search_widget& page, QTreeWidgetItem* row) {
    auto* item = qobject_cast<script_item*>(page.tree()->itemWidget(row, 0));
    return item ? item->index_label()->property("index").toInt() : -1;
}

script_node_spt record(const QString& id, qint64 sort, const QString& updated) {
    auto s = script_node_spt::create();
    s->id = id;
    s->sort = sort;
    s->lastUpdateDate = updated;
    s->speechContent = QStringLiteral("<p>%1</p>").arg(id);
    return s;
}

} // namespace

class test_kb_search : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void blank_text_sends_nothing_data();
    void blank_text_sends_nothing();
    void results_land_under_the_scope_data();
    void results_land_under_the_scope();
    void resort_follows_the_scope();
    void sort_modes_data();
    void sort_modes();
    void numbers_run_on_from_recent_rows();
    void sending_always_sends_and_records();
    void resent_script_ranks_highest();
    void deleted_script_skipped_at_next_start();
    // Last: the server-down row stops the shared server and starts it again.
    void no_answer_clears_old_results_data();
    void no_answer_clears_old_results();

private:
    // Searches and waits for the reply to be shown.
    void search(kb_search_widget& page, int scope, const QString& text);
    int search_requests() const;
    QHash<QString, qint64> history() const;
    QList<script_node_spt> some_scripts(int count) const;

    server_fixture demo_;
    std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt> log_;
    QList<QPair<QString, QVariantList>> events_;
    QObject listener_;
};

void test_kb_search::initTestCase() {
    QVERIFY(demo_.start());
    log_ = std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(2000);
    log_->set_pattern("%v");
    spdlog::default_logger()->sinks().push_back(log_);
    for (const char* name : {"send_script", "input_script"})
        event_bus::instance()->subscribe(QLatin1String(name), &listener_,
                                         [this, name](const QVariantList& args) {
                                             events_ << qMakePair(QString::fromLatin1(name), args);
                                         });
    QVERIFY(log_in_and_sync(demo_, "agent", "agent123"));
}

void test_kb_search::init() {
    QFile::remove(app_paths::instance().settings_file());
    QFile::remove(app_paths::instance().search_history_file());
    events_.clear();
}

void test_kb_search::search(kb_search_widget& page, int scope, const QString& text) {
    page.scope_box()->setCurrentIndex(scope);
    page.search_edit()->setText(text);
    const int before = search_requests();
    // A marker row shows when the reply replaced the results.
    page.show_results({record(QStringLiteral("marker"), 0, QString())});
    QTest::keyClick(page.search_edit(), Qt::Key_Return);
    QCOMPARE(search_requests(), before + 1);
    QTRY_VERIFY_WITH_TIMEOUT(!ids_of(page.group(kb_search_widget::public_group + scope))
                                  .contains(QStringLiteral("marker")),
                             20000);
}

int test_kb_search::search_requests() const {
    int count = 0;
    for (const std::string& line : log_->last_formatted())
        count += QString::fromStdString(line).trimmed() == QLatin1String("query script...");
    return count;
}

QHash<QString, qint64> test_kb_search::history() const {
    QSettings file(app_paths::instance().search_history_file(), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("history"));
    QHash<QString, qint64> ranks;
    for (const QString& key : file.childKeys())
        ranks.insert(key, file.value(key).toLongLong());
    return ranks;
}

QList<script_node_spt> test_kb_search::some_scripts(int count) const {
    QList<script_node_spt> found;
    for (const category_node_spt& top :
         *data_center::instance().top_categories(library_kind::scripts, 0, QString()))
        for (const script_node_spt& s : data_center::instance().scripts_of(top->id))
            if (found.size() < count)
                found << s;
    return found;
}

void test_kb_search::blank_text_sends_nothing_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("spaces") << "   ";
    QTest::newRow("tab and line break") << "\t \n";
}

void test_kb_search::blank_text_sends_nothing() {
    QFETCH(QString, text);
    kb_search_widget page;
    page.search_edit()->setText(text);
    const int before = search_requests();
    QTest::keyClick(page.search_edit(), Qt::Key_Return);
    page.on_search();
    QCOMPARE(search_requests(), before);
    // A real search right after is logged at once, so none was left pending.
    search(page, 0, QStringLiteral("退货"));
}

void test_kb_search::results_land_under_the_scope_data() {
    QTest::addColumn<int>("scope");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("titles");
    // The agent's personal scripts are "… 参考N"; the public demo library
    // says 退货 in several scripts; pinyin finds the same.
    QTest::newRow("personal, Chinese") << 1 << "参考"
                                       << "公共话术(0) 个人话术(%1) 部门话术(0)";
    QTest::newRow("personal, pinyin") << 1 << "cankao"
                                      << "公共话术(0) 个人话术(%1) 部门话术(0)";
    QTest::newRow("public, initials") << 0 << "th"
                                      << "公共话术(%1) 个人话术(0) 部门话术(0)";
}

void test_kb_search::results_land_under_the_scope() {
    QFETCH(int, scope);
    QFETCH(QString, text);
    QFETCH(QString, titles);
    kb_search_widget page;
    search(page, scope, text);
    QTreeWidgetItem* group = page.group(kb_search_widget::public_group + scope);
    const int n = group->childCount();
    QVERIFY(n > 0);
    QVERIFY(!group->isHidden());
    for (int g = kb_search_widget::public_group; g < kb_search_widget::group_count; ++g)
        if (page.group(g) != group)
            QVERIFY(page.group(g)->isHidden());
    QStringList shown;
    for (int g = kb_search_widget::public_group; g < kb_search_widget::group_count; ++g)
        shown << group_title(page, g);
    QCOMPARE(shown.join(' '), titles.arg(n));
    for (int i = 0; i < n; ++i)
        QCOMPARE(kb_search_widget::script_of(group->child(i))->classifyType,
                 QString::number(scope));
}

void test_kb_search::resort_follows_the_scope() {
    kb_search_widget page;
    search(page, 0, QStringLiteral("退货"));
    const QStringList found = ids_of(page.group(kb_search_widget::public_group));
    QVERIFY(!found.isEmpty());
    page.scope_box()->setCurrentIndex(1); // changing the scope alone moves nothing
    QCOMPARE(ids_of(page.group(kb_search_widget::public_group)), found);
    page.on_desc_result();
    QVERIFY(page.group(kb_search_widget::public_group)->isHidden());
    QCOMPARE(page.group(kb_search_widget::personal_group)->childCount(), found.size());
    QCOMPARE(group_title(page, kb_search_widget::public_group), QStringLiteral("公共话术(0)"));
    QCOMPARE(group_title(page, kb_search_widget::personal_group),
             QStringLiteral("个人话术(%1)").arg(found.size()));
    // The demo scripts were stored in one go: keeping the library order brings back the list.
    page.on_original_sort();
    QCOMPARE(ids_of(page.group(kb_search_widget::personal_group)), found);
}

void test_kb_search::sort_modes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("order");
    QTest::newRow("library order") << int(kb_search_widget::keep_order) << "a b c d";
    QTest::newRow("newest first") << int(kb_search_widget::newest_first) << "c a b d";
    QTest::newRow("oldest first") << int(kb_search_widget::oldest_first) << "d b a c";
}

void test_kb_search::sort_modes() {
    QFETCH(int, mode);
    QFETCH(QString, order);
    kb_search_widget page;
    // Shuffled by sort; "d" has no valid update time and counts as the oldest.
    page.show_results({record("c", 3, "2024-03-01 08:00:00"), record("a", 1, "2024-02-01 10:00:00"),
                       record("d", 4, "2024-13-01 00:00:00"),
                       record("b", 2, "2024-02-01 09:59:59")});
    QMenu* menu = page.sort_menu();
    QCOMPARE(menu, page.sort_menu()); // made once
    QCOMPARE(menu->actions().size(), 3);
    QVERIFY(menu->actions().first()->isChecked());
    menu->actions().at(mode)->trigger();
    QCOMPARE(page.sort_mode(), mode);
    QVERIFY(menu->actions().at(mode)->isChecked());
    QCOMPARE(ids_of(page.group(kb_search_widget::public_group)).join(' '), order);
    // And back to the library order.
    menu->actions().first()->trigger();
    QCOMPARE(ids_of(page.group(kb_search_widget::public_group)).join(' '),
             QStringLiteral("a b c d"));
}

void test_kb_search::numbers_run_on_from_recent_rows() {
    kb_search_widget page;
    for (const script_node_spt& s : some_scripts(3))
        page.record_sent(s);
    search(page, 0, QStringLiteral("退货"));
    QTreeWidgetItem* recent = page.group(kb_search_widget::recent_group);
    QCOMPARE(recent->childCount(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(shown_number(page, recent->child(i)), i + 1);
    QTreeWidgetItem* results = page.group(kb_search_widget::public_group);
    QCOMPARE(shown_number(page, results->child(0)), 4);
    auto* first = qobject_cast<script_item*>(page.tree()->itemWidget(results->child(0), 0));
    QCOMPARE(first->index_label()->text(), QStringLiteral("04. "));
    QCOMPARE(shown_number(page, results->child(1)), 5);
}

void test_kb_search::sending_always_sends_and_records() {
    const auto settings = open_ini(app_paths::instance().settings_file());
    settings->setValue(QLatin1String(setting_keys::kb_dbclick), 0);
    settings->setValue(QLatin1String(setting_keys::kb_arrow), 0);
    settings->sync();
    kb_search_widget page;
    search(page, 0, QStringLiteral("退货"));
    QTreeWidgetItem* results = page.group(kb_search_widget::public_group);
    const script_node_spt first = kb_search_widget::script_of(results->child(0));
    const script_node_spt second = kb_search_widget::script_of(results->child(1));

    emit page.tree()->itemDoubleClicked(results->child(0), 0);
    qobject_cast<script_item*>(page.tree()->itemWidget(results->child(1), 0))
        ->send_button()
        ->click();
    for (const auto& entry : page.row_menu(results->child(0)))
        if (entry.text == QStringLiteral("输入话术"))
            entry.action();
    QCOMPARE(events_.size(), 3);
    QCOMPARE(events_[0],
             qMakePair(QStringLiteral("send_script"), QVariantList{first->speechContent}));
    QCOMPARE(events_[1],
             qMakePair(QStringLiteral("send_script"), QVariantList{second->speechContent}));
    QCOMPARE(events_[2],
             qMakePair(QStringLiteral("input_script"), QVariantList{first->speechContent}));
    QTRY_COMPARE(ids_of(page.group(kb_search_widget::recent_group)),
                 (QStringList{first->id, second->id}));

    // Group rows neither send nor offer a menu; the clipboard entry records nothing.
    events_.clear();
    emit page.tree()->itemDoubleClicked(results, 0);
    QVERIFY(page.row_menu(results).isEmpty());
    QStringList entries;
    for (const auto& entry : page.row_menu(results->child(0)))
        entries << entry.text;
    QCOMPARE(entries.join(' '), QStringLiteral("输入话术 发送话术 复制到粘贴板"));
    QCoreApplication::processEvents();
    QVERIFY(events_.isEmpty());
}

void test_kb_search::resent_script_ranks_highest() {
    const QList<script_node_spt> scripts = some_scripts(3);
    {
        kb_search_widget page;
        for (const script_node_spt& s : scripts)
            page.record_sent(s);
        page.record_sent(scripts[0]);
        QCOMPARE(ids_of(page.group(kb_search_widget::recent_group)),
                 (QStringList{scripts[0]->id, scripts[2]->id, scripts[1]->id}));
    }
    const QHash<QString, qint64> ranks = history();
    QCOMPARE(ranks.size(), 3);
    QVERIFY(ranks[scripts[0]->id] > ranks[scripts[2]->id]);
    QVERIFY(ranks[scripts[2]->id] > ranks[scripts[1]->id]);
    // The next start shows them in that order.
    kb_search_widget again;
    QCOMPARE(ids_of(again.group(kb_search_widget::recent_group)),
             (QStringList{scripts[0]->id, scripts[2]->id, scripts[1]->id}));
}

void test_kb_search::deleted_script_skipped_at_next_start() {
    // One of the agent's own scripts, which the agent may delete.
    const category_node_spt mine =
        data_center::instance().top_categories(library_kind::scripts, 1, QString())->first();
    const QList<script_node_spt> own = data_center::instance().scripts_of(mine->id);
    QVERIFY(own.size() >= 2);
    const script_node_spt doomed = own[0];
    {
        kb_search_widget page;
        page.record_sent(own[1]);
        page.record_sent(doomed);
    }
    script_actions actions;
    bool deleted = false;
    actions.delete_script(doomed, [&](const action_result_t& r) { deleted = r.ok; });
    QTRY_VERIFY_WITH_TIMEOUT(deleted, 20000);

    kb_search_widget page;
    QCOMPARE(ids_of(page.group(kb_search_widget::recent_group)), QStringList{own[1]->id});
    QCOMPARE(shown_number(page, page.group(kb_search_widget::recent_group)->child(0)), 1);
    QVERIFY(history().contains(doomed->id));
    page.record_sent(own[1]);
    QVERIFY(history().contains(doomed->id)); // a rewrite leaves it too
}

void test_kb_search::no_answer_clears_old_results_data() {
    QTest::addColumn<bool>("server_down");
    QTest::addColumn<bool>("offline");
    QTest::addColumn<QString>("message");
    QTest::newRow("server down") << true << false << "搜索失败：";
    QTest::newRow("offline") << false << true << "离线使用中，搜索不可用";
}

void test_kb_search::no_answer_clears_old_results() {
    QFETCH(bool, server_down);
    QFETCH(bool, offline);
    QFETCH(QString, message);
    kb_search_widget page;
    search(page, 0, QStringLiteral("退货"));
    QTreeWidgetItem* results = page.group(kb_search_widget::public_group);
    QVERIFY(results->childCount() > 0);
    QVERIFY(!page.status_label()->isVisibleTo(&page));

    if (server_down)
        demo_.stop();
    if (offline)
        connection_state::instance().set_offline(true);
    page.search_edit()->setText(QStringLiteral("参考"));
    QTest::keyClick(page.search_edit(), Qt::Key_Return);
    // Waited for without returning early, so the server and the state come back either way.
    const bool told =
        QTest::qWaitFor([&] { return page.status_label()->isVisibleTo(&page); }, 20000);
    const QString shown = page.status_label()->text();
    connection_state::instance().set_offline(false);
    if (server_down)
        QVERIFY(demo_.restart());

    QVERIFY(told);
    QVERIFY2(shown.startsWith(message), qPrintable(shown));
    QVERIFY(shown.size() > message.size()); // a reason follows, never an empty one
    QCOMPARE(results->childCount(), 0);
    QVERIFY(results->isHidden());
    QCOMPARE(group_title(page, kb_search_widget::public_group), QStringLiteral("公共话术(0)"));

    // The next answer takes the message away again.
    search(page, 0, QStringLiteral("退货"));
    QVERIFY(results->childCount() > 0);
    QVERIFY(!page.status_label()->isVisibleTo(&page));
}

QTEST_MAIN(test_kb_search)
#include "test_kb_search.moc"
