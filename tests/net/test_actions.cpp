// The actions of each library kind against a real quorvel-server: the
// request goes out, a success reaches the store through its named operation
// (announced by `changed`), a refusal comes back as the error text.
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/actions/category_actions.h"
#include "net/actions/document_actions.h"
#include "net/actions/phrase_actions.h"
#include "net/actions/quick_reply_actions.h"
#include "net/actions/script_actions.h"
#include "net/actions/sticker_actions.h"
#include "net/blocking_requests.h"
#include "server_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QtTest>

using namespace quorvel;

namespace {

// The changes the store announced since the last call.
QList<store_change_t> take_changes(QSignalSpy& spy) {
    QList<store_change_t> changes;
    for (const QList<QVariant>& args : spy)
        changes << args.first().value<store_change_t>();
    spy.clear();
    return changes;
}

bool announced(const QList<store_change_t>& changes, store_subject subject, store_op op,
               const QString& id) {
    for (const store_change_t& c : changes)
        if (c.subject == subject && c.op == op && c.ids.contains(id))
            return true;
    return false;
}

} // namespace

class test_actions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { changes_.reset(new QSignalSpy(&data_center::instance(), &data_center::changed)); }
    void script_actions_change_the_store();
    void category_actions_change_the_store();
    void refusals_leave_the_store_data();
    void refusals_leave_the_store();
    void sticker_actions_change_the_store();
    void document_actions_change_the_store();
    void phrase_and_quick_reply_actions_change_the_store();

private:
    // Starts an action and waits for its one result.
    action_result_t run(const std::function<void(action_cb)>& start);
    script_node_spt stored_script(const QString& category_id, const QString& content) const;

    server_fixture server_;
    std::unique_ptr<QSignalSpy> changes_;
};

void test_actions::initTestCase() {
    register_meta_types();
    QVERIFY(server_.start());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    data_center& dc = data_center::instance();
    dc.clear();
    session_state::instance().set_token(server_.login("manager", "manager123"));
    session_state::instance().set_login_user(user_login_info_t::from_json(
        server_
            .get("/tavorine/loginAccount/getLoginUserData", {}, session_state::instance().token())
            .data()
            .toObject()));
    http_client client;
    QString message;
    for (int part : {0, 1}) {
        category_tree_t tree;
        QVERIFY(fetch_category_tree(client, "310", QString::number(part), "", &tree, &message));
        dc.replace_category_tree(library_kind::scripts, part, QString(), tree);
    }
    scripts_by_category_t scripts;
    for (const char* type : {"0", "1", "2"})
        QVERIFY(query_scripts_of_type(client, type, &scripts, &message));
    dc.replace_scripts(scripts);
    QVERIFY(query_all_stickers(client, {}, &message));
    docs_by_category_t docs;
    QVERIFY(query_docs_blocking(
        client, {{"account", session_state::instance().account()}, {"classifyId", ""}}, &docs,
        &message));
    dc.merge_docs(docs);
    phrase_map_t phrases;
    QVERIFY(query_phrases(client, &phrases, &message));
    dc.replace_phrases(phrases);
}

action_result_t test_actions::run(const std::function<void(action_cb)>& start) {
    bool done = false;
    action_result_t result;
    start([&](const action_result_t& r) {
        QVERIFY2(!done, "reported twice");
        result = r;
        done = true;
    });
    [&] { QTRY_VERIFY_WITH_TIMEOUT(done, 20000); }();
    return result;
}

script_node_spt test_actions::stored_script(const QString& category_id,
                                            const QString& content) const {
    for (const script_node_spt& s : data_center::instance().scripts_of(category_id))
        if (s->speechContent == content)
            return s;
    return {};
}

void test_actions::script_actions_change_the_store() {
    data_center& dc = data_center::instance();
    script_actions scripts;
    const QList<category_node_spt>& tops = *dc.top_categories(library_kind::scripts, 0, QString());
    const QString from = tops.at(0)->id;
    const QString to = tops.at(2)->id;

    QVERIFY(run([&](action_cb done) {
                scripts.create_script({from, 0, QString(), "<p>动作新建</p>", "动作"}, done);
            }).ok);
    const script_node_spt created = stored_script(from, "<p>动作新建</p>");
    QVERIFY(created);
    QVERIFY(
        announced(take_changes(*changes_), store_subject::scripts, store_op::added, created->id));

    QVERIFY(run([&](action_cb done) {
                scripts.edit_script(created, "<p>动作改过</p>", "动作", done);
            }).ok);
    QCOMPARE(created->speechContent, QStringLiteral("<p>动作改过</p>")); // changed in place
    QVERIFY(
        announced(take_changes(*changes_), store_subject::scripts, store_op::updated, created->id));

    // To the top of its category: the reload brings the server's order.
    QStringList order{created->id};
    for (const script_node_spt& s : dc.scripts_of(from))
        if (s->id != created->id)
            order << s->id;
    QVERIFY(run([&](action_cb done) { scripts.sort_scripts(created->id, from, order, done); }).ok);
    QVERIFY(run([&](action_cb done) { scripts.reload_category(0, QString(), from, done); }).ok);
    QCOMPARE(dc.scripts_of(from).first()->id, created->id);
    const QList<store_change_t> reloaded = take_changes(*changes_);
    QVERIFY(announced(reloaded, store_subject::scripts, store_op::replaced, created->id));
    QCOMPARE(reloaded.last().category_id, from);

    // A move leaves the old category and shows up in the reloaded target.
    const script_node_spt moving = dc.scripts_of(from).first();
    QVERIFY(run([&](action_cb done) {
                scripts.transfer_script(moving, false, 0, to, QString(), done);
            }).ok);
    QVERIFY(!stored_script(from, "<p>动作改过</p>"));
    const script_node_spt moved = stored_script(to, "<p>动作改过</p>");
    QVERIFY(moved);
    QVERIFY(
        announced(take_changes(*changes_), store_subject::scripts, store_op::removed, moving->id));

    bool searched = false;
    scripts.search_scripts(0, "动作", [&](const action_result_t& r, const script_list_t& found) {
        QVERIFY(r.ok);
        QVERIFY(!found.isEmpty());
        searched = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(searched, 20000);

    QVERIFY(run([&](action_cb done) { scripts.delete_script(moved, done); }).ok);
    QVERIFY(!stored_script(to, "<p>动作改过</p>"));
    QVERIFY(
        announced(take_changes(*changes_), store_subject::scripts, store_op::removed, moved->id));
}

void test_actions::category_actions_change_the_store() {
    data_center& dc = data_center::instance();
    category_actions categories;
    QVERIFY(run([&](action_cb done) {
                categories.create_category({"动作分类", 1, QString(), QString()}, done);
            }).ok);
    category_node_spt created;
    for (const category_node_spt& c : *dc.top_categories(library_kind::scripts, 1, QString()))
        if (c->classifyName == QStringLiteral("动作分类"))
            created = c;
    QVERIFY(created);
    QVERIFY(announced(take_changes(*changes_), store_subject::categories, store_op::added,
                      created->id));

    QVERIFY(run([&](action_cb done) {
                categories.rename_category(created, "  动作分类改  ", done);
            }).ok);
    QCOMPARE(dc.find_category(library_kind::scripts, 1, QString(), created->id)->classifyName,
             QStringLiteral("动作分类改"));
    QVERIFY(announced(take_changes(*changes_), store_subject::categories, store_op::updated,
                      created->id));

    QVERIFY(run([&](action_cb done) {
                categories.create_category({"动作子分类", 1, QString(), created->id}, done);
            }).ok);
    const QList<category_node_spt>* children =
        dc.category_children(library_kind::scripts, 1, QString(), created->id);
    QVERIFY(children && children->size() == 1);
    const category_node_spt child = children->first();

    // Last first: the store follows the order the server took.
    QStringList order;
    for (const category_node_spt& c : *dc.top_categories(library_kind::scripts, 1, QString()))
        order.prepend(c->id);
    QVERIFY(run([&](action_cb done) { categories.sort_categories(created, order, done); }).ok);
    QCOMPARE(dc.top_categories(library_kind::scripts, 1, QString())->first()->id, order.first());
    const QList<store_change_t> sorted = take_changes(*changes_);
    QVERIFY(announced(sorted, store_subject::categories, store_op::sorted, created->id));
    QCOMPARE(sorted.last().category_id, top_level_id);

    // A copy into the public part lands there; the original stays.
    QVERIFY(run([&](action_cb done) {
                categories.transfer_category(child, true, 0, QString(), top_level_id, done);
            }).ok);
    QVERIFY(dc.find_category(library_kind::scripts, 1, QString(), child->id));
    bool copied = false;
    for (const category_node_spt& c : *dc.top_categories(library_kind::scripts, 0, QString()))
        copied = copied || c->classifyName == QStringLiteral("动作子分类");
    QVERIFY(copied);

    QVERIFY(run([&](action_cb done) { categories.delete_category(created, done); }).ok);
    QVERIFY(!dc.find_category(library_kind::scripts, 1, QString(), created->id));
    QVERIFY(!dc.find_category(library_kind::scripts, 1, QString(), child->id)); // and its subtree
    QVERIFY(announced(take_changes(*changes_), store_subject::categories, store_op::removed,
                      child->id));
}

void test_actions::refusals_leave_the_store_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("delete a script that is gone") << "script";
    QTest::newRow("rename a category that is gone") << "category";
    QTest::newRow("delete a phrase that is gone") << "phrase";
}

void test_actions::refusals_leave_the_store() {
    QFETCH(QString, kind);
    script_actions scripts;
    category_actions categories;
    phrase_actions phrases;
    action_result_t result;
    if (kind == "script") {
        auto ghost = script_node_spt::create();
        ghost->id = "999999";
        ghost->classifyId = data_center::instance()
                                .top_categories(library_kind::scripts, 0, QString())
                                ->first()
                                ->id;
        result = run([&](action_cb done) { scripts.delete_script(ghost, done); });
    } else if (kind == "category") {
        auto ghost = category_node_spt::create();
        ghost->id = "999999";
        ghost->superId = top_level_id;
        ghost->classifyType = "0";
        ghost->clientBusinessType = "310";
        result = run([&](action_cb done) { categories.rename_category(ghost, "无", done); });
    } else {
        auto ghost = phrase_node_spt::create();
        ghost->id = "999999";
        result = run([&](action_cb done) { phrases.delete_phrase(ghost, done); });
    }
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QVERIFY(take_changes(*changes_).isEmpty());
}

void test_actions::sticker_actions_change_the_store() {
    data_center& dc = data_center::instance();
    sticker_actions stickers;
    const auto up = server_.upload("/tavorine/nas/userUploadFileDirect", "C:\\图\\动作.png",
                                   "png-bytes", session_state::instance().token());
    const QString file_id = up.data().toObject().value("id").toString();
    const QString category = dc.stickers_by_category().begin().key();
    QString target;
    for (auto it = dc.stickers_by_category().begin(); it != dc.stickers_by_category().end(); ++it)
        if (it.key() != category)
            target = it.key();
    QVERIFY(!target.isEmpty());

    QVERIFY(
        run([&](action_cb done) { stickers.add_sticker(category, file_id, "动作表情", done); }).ok);
    sticker_node_spt added;
    for (const sticker_node_spt& s : dc.stickers_by_category().value(category))
        if (s->emojiContentDesc == QStringLiteral("动作表情"))
            added = s;
    QVERIFY(added);
    QVERIFY(
        announced(take_changes(*changes_), store_subject::stickers, store_op::added, added->id));

    QVERIFY(run([&](action_cb done) { stickers.rename_sticker(added, "动作改名", done); }).ok);
    QCOMPARE(added->emojiContentDesc, QStringLiteral("动作改名"));

    QVERIFY(run([&](action_cb done) {
                stickers.transfer_sticker(added, false, target, QString(), done);
            }).ok);
    bool left = true;
    for (const sticker_node_spt& s : dc.stickers_by_category().value(category))
        left = left && s->id != added->id;
    QVERIFY(left);
    sticker_node_spt moved;
    for (const sticker_node_spt& s : dc.stickers_by_category().value(target))
        if (s->emojiContentDesc == QStringLiteral("动作改名"))
            moved = s;
    QVERIFY(moved);

    QVERIFY(run([&](action_cb done) { stickers.delete_sticker(moved, done); }).ok);
    for (const sticker_node_spt& s : dc.stickers_by_category().value(target))
        QVERIFY(s->id != moved->id);
    QVERIFY(
        announced(take_changes(*changes_), store_subject::stickers, store_op::removed, moved->id));
}

void test_actions::document_actions_change_the_store() {
    data_center& dc = data_center::instance();
    document_actions docs;
    const QString category = dc.docs_by_category().begin().key();
    const QList<doc_node_spt> listed = dc.docs_by_category().value(category);
    QVERIFY(listed.size() >= 2);
    const doc_node_spt last = listed.last();

    QVERIFY(run([&](action_cb done) { docs.pin_doc(last, true, done); }).ok);
    for (const doc_node_spt& other : listed)
        if (other != last)
            QVERIFY(last->sort < other->sort); // the stored record took the new place
    QVERIFY(announced(take_changes(*changes_), store_subject::docs, store_op::updated, last->id));

    QVERIFY(run([&](action_cb done) { docs.transfer_doc(last, true, category, done); }).ok);
    const QList<doc_node_spt> after_copy = dc.docs_by_category().value(category);
    QCOMPARE(after_copy.size(), listed.size() + 1);
    const doc_node_spt copy = after_copy.last();
    QVERIFY(copy->id != last->id);

    QVERIFY(run([&](action_cb done) { docs.delete_doc(copy, done); }).ok);
    QCOMPARE(dc.docs_by_category().value(category).size(), listed.size());
    QVERIFY(announced(take_changes(*changes_), store_subject::docs, store_op::removed, copy->id));
}

void test_actions::phrase_and_quick_reply_actions_change_the_store() {
    data_center& dc = data_center::instance();
    phrase_actions phrases;
    QVERIFY(run([&](action_cb done) { phrases.create_phrase("动作短语", done); }).ok);
    phrase_node_spt created;
    for (const phrase_node_spt& p : dc.phrases())
        if (p->phraseContent == QStringLiteral("动作短语"))
            created = p;
    QVERIFY(created);

    QStringList order{created->id};
    for (const phrase_node_spt& p : dc.phrases())
        if (p->id != created->id)
            order << p->id;
    QVERIFY(run([&](action_cb done) { phrases.sort_phrases(order, done); }).ok);
    QCOMPARE(dc.phrases().value(created->id)->sort, 1LL);
    QVERIFY(
        announced(take_changes(*changes_), store_subject::phrases, store_op::added, created->id));

    QVERIFY(run([&](action_cb done) { phrases.delete_phrase(created, done); }).ok);
    QVERIFY(!dc.phrases().contains(created->id));

    quick_reply_actions quick;
    const QString any_script = dc.scripts_by_category().begin().value().first()->id;
    QVERIFY(run([&](action_cb done) { quick.save_quick_replies({any_script}, done); }).ok);
    QVERIFY(dc.quick_replies().contains(any_script));
    QVERIFY(announced(take_changes(*changes_), store_subject::quick_replies, store_op::replaced,
                      any_script));
}

QTEST_GUILESS_MAIN(test_actions)
#include "test_actions.moc"
