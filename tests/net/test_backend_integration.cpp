// The client's requests against a real quorvel-server with its demo library.
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/blocking_requests.h"
#include "net/envelope.h"
#include "net/request_center.h"
#include "raw_http.h"
#include "server_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace quorvel;

namespace {

// Waits for one of the two callbacks of an asynchronous operation.
struct outcome_t {
    bool done = false;
    bool ok = false;
    QString message;
    failure_cb fail() {
        return [this](const QString& m) {
            done = true;
            message = m;
        };
    }
};

} // namespace

class test_backend_integration : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void login_and_profile();
    void synchronisation_queries();
    void view_queries();
    void category_and_script_changes();
    void sticker_phrase_and_quick_reply_changes();
    void document_changes();

private:
    template <class T>
    T await(const std::function<void(std::function<void(const T&)>, failure_cb)>& start,
            outcome_t* out = nullptr);
    void await_done(const std::function<void(done_cb, failure_cb)>& start,
                    outcome_t* out = nullptr);

    server_fixture server_;
    QObject context_;
};

template <class T>
T test_backend_integration::await(
    const std::function<void(std::function<void(const T&)>, failure_cb)>& start, outcome_t* out) {
    outcome_t local;
    outcome_t& o = out ? *out : local;
    T result{};
    start(
        [&](const T& value) {
            result = value;
            o.ok = o.done = true;
        },
        o.fail());
    [&] {
        QTRY_VERIFY_WITH_TIMEOUT(o.done, 20000);
        if (!out)
            QVERIFY2(o.ok, qPrintable(o.message));
    }();
    return result;
}

void test_backend_integration::await_done(const std::function<void(done_cb, failure_cb)>& start,
                                          outcome_t* out) {
    outcome_t local;
    outcome_t& o = out ? *out : local;
    start([&] { o.ok = o.done = true; }, o.fail());
    QTRY_VERIFY_WITH_TIMEOUT(o.done, 20000);
    if (!out)
        QVERIFY2(o.ok, qPrintable(o.message));
}

void test_backend_integration::initTestCase() {
    QVERIFY(server_.start());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    data_center::instance().clear();
}

void test_backend_integration::login_and_profile() {
    auto* rc = request_center::instance();
    outcome_t wrong;
    await_done(
        [&](done_cb ok, failure_cb fail) {
            rc->login({{"account", "agent"}, {"password", "x"}}, &context_, ok, fail);
        },
        &wrong);
    QVERIFY(!wrong.ok);
    QCOMPARE(wrong.message, QStringLiteral("用户名或密码错误"));

    await_done([&](done_cb ok, failure_cb fail) {
        rc->login({{"account", "manager"}, {"password", "manager123"}}, &context_, ok, fail);
    });
    QCOMPARE(session_state::instance().token().size(), 64);
    const auto profile = await<user_login_info_spt>(
        [&](auto ok, auto fail) { rc->get_login_info({}, &context_, ok, fail); });
    QVERIFY(profile);
    session_state::instance().set_login_user(profile);
    session_state& login = session_state::instance();
    QCOMPARE(login.account(), QString("manager"));
    QVERIFY(login.has_manager_role());
    QVERIFY(login.has_manager_role_in("4"));
    QVERIFY(!login.has_manager_role_in("5"));
    QCOMPARE(login.departments().size(), 5);
    QCOMPARE(login.default_department()->id,
             QString("2")); // the user's own department, with rights
}

void test_backend_integration::synchronisation_queries() {
    data_center& dc = data_center::instance();
    http_client client;
    QString message;
    for (int part : {0, 1}) {
        category_tree_t tree;
        QVERIFY(fetch_category_tree(client, "310", QString::number(part), "", &tree, &message));
        dc.replace_category_tree(library_kind::scripts, part, QString(), tree);
    }
    for (const QString& dept : session_state::instance().departments().keys()) {
        category_tree_t tree;
        if (fetch_category_tree(client, "310", "2", dept, &tree, &message))
            dc.replace_category_tree(library_kind::scripts, 2, dept, tree);
    }
    QVERIFY(dc.top_categories(library_kind::scripts, 0, QString())->size() >= 6);
    QVERIFY(dc.category_tree(library_kind::scripts, 2, "3"));  // a managed department
    QVERIFY(!dc.category_tree(library_kind::scripts, 2, "5")); // no rights there

    scripts_by_category_t scripts;
    for (const char* type : {"0", "1", "2"})
        QVERIFY(query_scripts_of_type(client, type, &scripts, &message));
    int total = 0;
    for (const auto& list : scripts)
        total += list.size();
    QVERIFY(total >= 150);
    dc.replace_scripts(scripts);
    const QString first_public =
        dc.top_categories(library_kind::scripts, 0, QString())->first()->id;
    QVERIFY(!dc.scripts_by_category().value(first_public).isEmpty());

    QVERIFY(query_all_stickers(client,
                               {{"classifyId", ""},
                                {"emojiContentDesc", ""},
                                {"emojiContentMatchKeywords", ""},
                                {"emojiType", ""}},
                               &message));
    QVERIFY(!dc.stickers_by_category().isEmpty());
    category_tree_t stickers;
    QVERIFY(query_sticker_categories(client, "0", "", &stickers, &message));
    dc.replace_category_tree(library_kind::stickers, 0, QString(), stickers);
    QVERIFY(!dc.category_tree(library_kind::stickers, 0)->value("-1").children.isEmpty());

    phrase_map_t phrases;
    QVERIFY(query_phrases(client, &phrases, &message));
    QCOMPARE(phrases.size(), 6);

    docs_by_category_t docs;
    QVERIFY(query_docs_blocking(
        client, {{"account", session_state::instance().account()}, {"classifyId", ""}}, &docs,
        &message));
    QVERIFY(!docs.isEmpty());
    const doc_node_spt doc = docs.begin().value().first();
    QString sha;
    QVERIFY(query_file_sha256(client, doc->fileId, &sha, &message));
    QCOMPARE(sha, doc->nasFile->sha256Hex);

    supported_apps_t apps;
    QVERIFY(query_supported_apps(client, &apps, &message));
    QVERIFY(apps.contains(QStringLiteral("微信")));
    QVERIFY(!check_version_update_blocking(client, false, &message)); // nothing offered
    QCOMPARE(message, QString());
}

void test_backend_integration::view_queries() {
    auto* rc = request_center::instance();
    data_center& dc = data_center::instance();
    const QString top =
        dc.top_categories(library_kind::scripts, 0, QString())->at(1)->id; // has sub-categories
    const auto sub = await<category_tree_t>([&](auto ok, auto fail) {
        rc->query_sub_categories({{"clientBusinessType", "310"},
                                  {"classifyType", "0"},
                                  {"deptId", ""},
                                  {"superId", top},
                                  {"classifyName", ""}},
                                 &context_, ok, fail);
    });
    QVERIFY(!sub.value(top).children.isEmpty());
    const auto scripts = await<script_list_t>([&](auto ok, auto fail) {
        rc->query_scripts(
            {{"classifyId", ""}, {"classifyType", "0"}, {"speechContentKeywords", "退货"}},
            &context_, ok, fail);
    });
    QVERIFY(!scripts.isEmpty());
    const auto stickers = await<sticker_list_t>(
        [&](auto ok, auto fail) { rc->query_stickers({}, &context_, ok, fail); });
    QVERIFY(stickers.size() >= 16);
    QVERIFY(stickers.first()->nasFile);
    const auto quick = await<quick_reply_map_t>(
        [&](auto ok, auto fail) { rc->query_quick_replies(&context_, ok, fail); });
    QVERIFY(quick.isEmpty()); // the demo gives quick replies to the agent only
    const auto found = await<doc_list_t>(
        [&](auto ok, auto fail) { rc->search_docs(QStringLiteral("手册"), &context_, ok, fail); });
    QVERIFY(!found.isEmpty());
    const auto page = await<QString>(
        [&](auto ok, auto fail) { rc->get_manage_page_url(false, &context_, ok, fail); });
    QVERIFY(page.startsWith(server_.base_url() + "/manage/enter?link="));
    // The address opens the management page once: a session cookie, then never again.
    const QByteArray open =
        "GET " + QUrl(page).toString(QUrl::RemoveScheme | QUrl::RemoveAuthority).toUtf8() +
        " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    const auto first = raw_http::exchange(server_.port(), open);
    QCOMPARE(first.status, 303);
    QVERIFY(first.header("Set-Cookie").contains("HttpOnly"));
    QCOMPARE(raw_http::exchange(server_.port(), open).status, 403);
    outcome_t update;
    await<version_update_info_spt>(
        [&](auto ok, auto fail) { rc->check_version_update(false, &context_, ok, fail); }, &update);
    QVERIFY(!update.ok);
    QCOMPARE(update.message, QString());
}

void test_backend_integration::category_and_script_changes() {
    auto* rc = request_center::instance();
    data_center& dc = data_center::instance();
    const auto created = await<category_node_spt>([&](auto ok, auto fail) {
        rc->create_category({{"classifyName", "集成测试"},
                             {"clientBusinessType", "310"},
                             {"classifyType", "0"},
                             {"superiorId", "-1"},
                             {"deptId", ""}},
                            &context_, ok, fail);
    });
    dc.add_category(library_kind::scripts, created);
    QVERIFY(dc.find_category(library_kind::scripts, 0, QString(), created->id));

    const auto renamed = await<category_node_spt>([&](auto ok, auto fail) {
        rc->update_category({{"id", created->id},
                             {"classifyName", "集成测试改"},
                             {"superId", "-1"},
                             {"operateType", "0"},
                             {"classifyType", "0"},
                             {"clientBusinessType", "310"},
                             {"whetherToUnfold", "0"},
                             {"deptId", ""}},
                            &context_, ok, fail);
    });
    dc.update_category(library_kind::scripts, renamed);
    QCOMPARE(dc.find_category(library_kind::scripts, 0, QString(), created->id)->classifyName,
             QStringLiteral("集成测试改"));

    const auto script = await<script_node_spt>([&](auto ok, auto fail) {
        rc->create_script({{"classifyId", created->id},
                           {"classifyType", "0"},
                           {"deptId", ""},
                           {"speechContent", "<p>您好${日期}</p>"},
                           {"speechContentKeywords", "${#ff0000}问候"},
                           {"customShortcuts", "unknown"}},
                          &context_, ok, fail);
    });
    QCOMPARE(dc.scripts_by_category().value(created->id).size(), 1); // stored by the operation
    const auto updated = await<script_node_spt>([&](auto ok, auto fail) {
        rc->update_script({{"id", script->id},
                           {"operateType", "0"},
                           {"classifyId", created->id},
                           {"classifyType", "0"},
                           {"deptId", ""},
                           {"speechContent", "<p>改过</p>"},
                           {"speechContentKeywords", "问候"},
                           {"customShortcuts", "unknown"}},
                          &context_, ok, fail);
    });
    QCOMPARE(updated, script); // the stored record, changed in place
    QCOMPARE(script->speechContent, QStringLiteral("<p>改过</p>"));

    const auto second = await<category_node_spt>([&](auto ok, auto fail) {
        rc->create_category({{"classifyName", "集成目标"},
                             {"clientBusinessType", "310"},
                             {"classifyType", "0"},
                             {"superiorId", "-1"},
                             {"deptId", ""}},
                            &context_, ok, fail);
    });
    await_done([&](done_cb ok, failure_cb fail) {
        rc->transfer_script(
            {{"id", script->id}, {"operateType", "3"}, {"classifyId", second->id}, {"deptId", ""}},
            &context_, ok, fail);
    });
    await_done([&](done_cb ok, failure_cb fail) {
        rc->move_script(script->id, second->id, {script->id}, &context_, ok, fail);
    });
    await_done([&](done_cb ok, failure_cb fail) {
        rc->sort_category(second->id, "-1", {second->id, created->id}, &context_, ok, fail);
    });
    const auto moved = await<script_list_t>([&](auto ok, auto fail) {
        rc->query_scripts({{"classifyId", second->id}, {"classifyType", "0"}}, &context_, ok, fail);
    });
    QCOMPARE(moved.size(), 2);
    await_done([&](done_cb ok, failure_cb fail) {
        rc->delete_script(
            {{"id", script->id}, {"operateType", "1"}, {"deptId", ""}, {"classifyId", second->id}},
            &context_, ok, fail);
    });
    await_done([&](done_cb ok, failure_cb fail) {
        rc->delete_category({{"id", created->id},
                             {"operateType", "1"},
                             {"classifyType", "0"},
                             {"deptId", ""},
                             {"clientBusinessType", "310"}},
                            &context_, ok, fail);
    });
    dc.remove_category(library_kind::scripts,
                       dc.find_category(library_kind::scripts, 0, QString(), created->id));
    QVERIFY(!dc.find_category(library_kind::scripts, 0, QString(), created->id));
    QVERIFY(!dc.scripts_by_category().contains(created->id));
}

void test_backend_integration::sticker_phrase_and_quick_reply_changes() {
    auto* rc = request_center::instance();
    data_center& dc = data_center::instance();
    const auto up = server_.upload("/tavorine/nas/userUploadFileDirect", "C:\\图\\赞.png",
                                   "png-bytes", session_state::instance().token());
    const QString file_id = up.data().toObject().value("id").toString();
    const QString category =
        dc.category_tree(library_kind::stickers, 0)->value("-1").children.first()->id;
    const auto sticker = await<sticker_node_spt>([&](auto ok, auto fail) {
        rc->add_sticker({{"emojiType", "3"},
                         {"fileId", file_id},
                         {"emojiContent", ""},
                         {"deptId", ""},
                         {"emojiContentDesc", "赞"},
                         {"emojiContentMatchKeywords", "赞"},
                         {"classifyId", category}},
                        &context_, ok, fail);
    });
    QCOMPARE(sticker->nasFile->id, file_id);
    const auto changed = await<sticker_node_spt>([&](auto ok, auto fail) {
        rc->update_sticker({{"id", sticker->id},
                            {"operateType", "0"},
                            {"classifyId", category},
                            {"fileId", file_id},
                            {"emojiContent", ""},
                            {"emojiType", "3"},
                            {"emojiContentDesc", "大赞"},
                            {"emojiContentMatchKeywords", "大赞"},
                            {"deptId", "-1"}},
                           &context_, ok, fail);
    });
    QCOMPARE(changed->emojiContentDesc, QStringLiteral("大赞"));

    const auto phrase = await<phrase_node_spt>([&](auto ok, auto fail) {
        rc->create_phrase({{"phraseContent", "马上处理"}}, &context_, ok, fail);
    });
    QVERIFY(dc.phrases().contains(phrase->id));
    const auto sorted = await<phrase_map_t>(
        [&](auto ok, auto fail) { rc->sort_phrases({phrase->id}, &context_, ok, fail); });
    QCOMPARE(sorted.value(phrase->id)->sort, 1LL);
    await_done([&](done_cb ok, failure_cb fail) {
        rc->delete_phrase({{"id", phrase->id}}, &context_, ok, fail);
    });

    const QString any_script = dc.scripts_by_category().begin().value().first()->id;
    await_done([&](done_cb ok, failure_cb fail) {
        rc->save_quick_replies({any_script}, &context_, ok, fail);
    });
    const auto quick = await<quick_reply_map_t>(
        [&](auto ok, auto fail) { rc->query_quick_replies(&context_, ok, fail); });
    QVERIFY(quick.contains(any_script));
}

void test_backend_integration::document_changes() {
    auto* rc = request_center::instance();
    data_center& dc = data_center::instance();
    const auto up = server_.upload("/tavorine/nas/userUploadFileDirect", "D:\\资料\\合同.pdf",
                                   "%PDF-1.4", session_state::instance().token());
    const QString file_id = up.data().toObject().value("id").toString();
    const auto docs = await<docs_by_category_t>([&](auto ok, auto fail) {
        rc->query_docs({{"classifyId", ""}, {"account", session_state::instance().account()}},
                       &context_, ok, fail);
    });
    const QString category = docs.begin().key();
    const QJsonObject body{{"classifyId", category}, {"fileName", "合同"},
                           {"fileSuffix", "pdf"},    {"fileSize", 8},
                           {"keywords", "合同"},     {"customShortcuts", "unknown"},
                           {"fileType", "3"},        {"fileId", file_id}};
    await_done([&](done_cb ok, failure_cb fail) {
        rc->save_doc(QJsonDocument(body).toJson(), &context_, ok, fail);
    });
    const auto listed = await<docs_by_category_t>([&](auto ok, auto fail) {
        rc->query_docs({{"classifyId", category}, {"account", session_state::instance().account()}},
                       &context_, ok, fail);
    });
    doc_node_spt saved;
    for (const doc_node_spt& d : listed.value(category))
        if (d->fileId == file_id)
            saved = d;
    QVERIFY(saved);
    dc.merge_docs(listed);
    const auto updated = await<doc_node_spt>([&](auto ok, auto fail) {
        rc->update_doc(
            QJsonDocument(
                QJsonObject{{"operateType", "4"}, {"id", saved->id}, {"classifyId", category}})
                .toJson(),
            &context_, ok, fail);
    });
    QVERIFY(updated->sort < saved->sort);
    dc.update_doc(updated);
    QCOMPARE(saved->sort, updated->sort);
    const auto copied = await<doc_node_spt>([&](auto ok, auto fail) {
        rc->transfer_doc({{"operateType", "1"}, {"id", saved->id}, {"classifyId", category}},
                         &context_, ok, fail);
    });
    QVERIFY(copied->id != saved->id);
    await_done([&](done_cb ok, failure_cb fail) {
        rc->delete_doc({{"operateType", "3"}, {"id", copied->id}, {"classifyId", category}},
                       &context_, ok, fail);
    });
}

QTEST_GUILESS_MAIN(test_backend_integration)
#include "test_backend_integration.moc"
