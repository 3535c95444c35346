// The management page against the real server: one-time links, sessions,
// every page's changes, the rights of administrators, managers and agents,
// form tokens and hostile input.
#include "server_fixture.h"
#include "web_browser.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QtTest>

namespace {

// Demo organisation: departments 1 总部, 2 客服中心, 3 售前组, 4 售后组, 5 销售部;
// users 1 admin, 2 manager (manager key in 2, 3, 4), 3 agent (in 3).
// Roles 1 adminzz, 2 kfzz (held by the manager), 3 kf.
constexpr char hq[] = "1";
constexpr char presale[] = "3";
constexpr char sales[] = "5";
constexpr char admin_id[] = "1";
constexpr char agent_id[] = "3";

const QHash<QString, QString>& passwords() {
    static const QHash<QString, QString> p = {
        {"admin", "admin123"}, {"manager", "manager123"}, {"agent", "agent123"}};
    return p;
}

} // namespace

class test_web_admin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void link_is_spent_on_first_use();
    void expired_link_and_configured_addresses();
    void rights_matrix_data();
    void rights_matrix();
    void form_token_required_data();
    void form_token_required();
    void department_actions();
    void role_actions();
    void user_actions();
    void manager_adds_user_in_own_department();
    void offered_update_per_system();
    void offer_signature_and_version_checked_data();
    void offer_signature_and_version_checked();
    void supported_apps();
    void supported_app_patterns_data();
    void supported_app_patterns();
    void library_overview();
    void markup_is_escaped();
    void over_long_fields_refused_data();
    void over_long_fields_refused();
    void logout_ends_session();
    void logout_needs_the_form_token_data();
    void logout_needs_the_form_token();
    void user_page_offers_only_held_roles();

private:
    // A browser signed in through the link the client API hands out.
    web_browser signed_in(const QString& account);
    QString visit_link(const QString& account, const QString& network = "QRV_EXTRANET");
    QString sam_id_;
    QString wu_id_; // home in 售前组 (managed), manager key in 销售部 (not)
    server_fixture server_;
};

void test_web_admin::initTestCase() {
    QVERIFY(server_.start());
    QString out;
    QCOMPARE(server_.admin({"user", "add", "sam", "销售小王", "sam12345", sales}, &out), 0);
    sam_id_ = out.trimmed();
    QCOMPARE(
        server_.admin({"user", "add", "wu", "吴组长", "wu123456", presale, "--role", "kf"}, &out),
        0);
    wu_id_ = out.trimmed();
    QCOMPARE(server_.admin({"user", "grant", "wu", presale, "kf"}), 0);
    QCOMPARE(server_.admin({"user", "grant", "wu", sales, "kfzz"}), 0);
}

QString test_web_admin::visit_link(const QString& account, const QString& network) {
    const QString token = server_.login(account, passwords().value(account));
    const auto reply = server_.get("/tavorine/clientGeneral/generatedVisitAddress",
                                   {{"requestNetworkType", network}}, token);
    return reply.data().toString();
}

web_browser test_web_admin::signed_in(const QString& account) {
    web_browser browser(server_.port());
    browser.enter(path_of(visit_link(account)));
    return browser;
}

void test_web_admin::link_is_spent_on_first_use() {
    const QString link = visit_link("admin");
    QVERIFY2(link.startsWith(server_.base_url() + "/manage/enter?link="), qPrintable(link));
    web_browser browser(server_.port());
    const auto first = browser.enter(path_of(link));
    QCOMPARE(first.status, 303);
    QCOMPARE(first.header("Location"), QByteArray("/manage"));
    const QByteArray cookie = first.header("Set-Cookie");
    QVERIFY(cookie.contains("HttpOnly"));
    QVERIFY(cookie.contains("SameSite=Strict"));
    QVERIFY(!cookie.contains("Secure")); // plain HTTP on loopback
    const auto page = browser.get("/manage");
    QCOMPARE(page.status, 200);
    QVERIFY(page.header("Content-Security-Policy").contains("default-src 'none'"));
    QVERIFY(!browser.csrf().isEmpty());

    web_browser second(server_.port());
    QCOMPARE(second.enter(path_of(link)).status, 403);
    QVERIFY(second.cookie().isEmpty());
    QCOMPARE(second.get("/manage").status, 401);
}

void test_web_admin::expired_link_and_configured_addresses() {
    server_fixture other;
    QVERIFY(other.start({"--demo", "--manage-link-seconds", "1", "--manage-secure-cookie",
                         "--manage-intranet-url", "http://10.1.2.3:9000", "--manage-extranet-url",
                         "https://quorvel.example.com/"}));
    const QString token = other.login("admin", "admin123");
    auto link = [&](const char* network) {
        return other
            .get("/tavorine/clientGeneral/generatedVisitAddress", {{"requestNetworkType", network}},
                 token)
            .data()
            .toString();
    };
    QVERIFY(link("QRV_INTRANET").startsWith("http://10.1.2.3:9000/manage/enter?link="));
    const QString extranet = link("QRV_EXTRANET");
    QVERIFY2(extranet.startsWith("https://quorvel.example.com/manage/enter?link="),
             qPrintable(extranet));
    web_browser fresh(other.port());
    const auto entered = fresh.enter(path_of(link("QRV_EXTRANET")));
    QCOMPARE(entered.status, 303);
    QVERIFY(entered.header("Set-Cookie").contains("; Secure"));
    QTest::qWait(2200);
    web_browser late(other.port());
    QCOMPARE(late.enter(path_of(extranet)).status, 403);
    QVERIFY(late.cookie().isEmpty());
}

void test_web_admin::rights_matrix_data() {
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("fields"); // name, value, ...; empty: a GET
    QTest::addColumn<int>("status");
    const QStringList get;
    for (const char* page :
         {"/manage/departments", "/manage/roles", "/manage/update", "/manage/apps"}) {
        QTest::addRow("admin opens %s", page) << "admin" << page << get << 200;
        QTest::addRow("manager opens %s", page) << "manager" << page << get << 403;
        QTest::addRow("agent opens %s", page) << "agent" << page << get << 403;
    }
    for (const char* page : {"/manage", "/manage/users"}) {
        QTest::addRow("admin opens %s", page) << "admin" << page << get << 200;
        QTest::addRow("manager opens %s", page) << "manager" << page << get << 200;
        QTest::addRow("agent opens %s", page) << "agent" << page << get << 403;
    }
    const QString agent_page = QStringLiteral("/manage/user?id=") + agent_id;
    QTest::newRow("manager opens own department's user") << "manager" << agent_page << get << 200;
    QTest::newRow("manager opens other department's user")
        << "manager"
        << "/manage/user?id=" + sam_id_ << get << 403;
    QTest::newRow("manager opens administrator")
        << "manager" << QStringLiteral("/manage/user?id=") + admin_id << get << 403;
    QTest::newRow("manager adds department")
        << "manager"
        << "/manage/departments/add" << QStringList{"name", "新部门", "parent", "0"} << 403;
    QTest::newRow("manager adds role")
        << "manager"
        << "/manage/roles/add" << QStringList{"name", "x", "key", "xzz"} << 403;
    QTest::newRow("manager sets roles")
        << "manager"
        << "/manage/users/roles" << QStringList{"id", agent_id, "role", "1"} << 403;
    QTest::newRow("manager resets password in B")
        << "manager"
        << "/manage/users/password" << QStringList{"id", sam_id_, "password", "abcdef1"} << 403;
    QTest::newRow("manager disables user in B")
        << "manager"
        << "/manage/users/status" << QStringList{"id", sam_id_, "disabled", "1"} << 403;
    QTest::newRow("manager grants right in B to own user")
        << "manager"
        << "/manage/users/grant" << QStringList{"id", agent_id, "dept", sales, "role", "3"} << 403;
    QTest::newRow("manager moves own user to B")
        << "manager"
        << "/manage/users/department" << QStringList{"id", agent_id, "dept", sales} << 403;
    QTest::newRow("manager adds user in B")
        << "manager"
        << "/manage/users/add"
        << QStringList{"account", "eve", "password", "abcdef1", "dept", sales, "role", "0"} << 403;
    QTest::newRow("manager resets administrator's password")
        << "manager"
        << "/manage/users/password" << QStringList{"id", admin_id, "password", "abcdef1"} << 403;
    QTest::newRow("manager publishes nothing: clears update")
        << "manager"
        << "/manage/update/clear" << QStringList{"os", "windows"} << 403;
    QTest::newRow("agent resets own colleague's password")
        << "agent"
        << "/manage/users/password" << QStringList{"id", agent_id, "password", "abcdef1"} << 403;
    // A user of a managed department who holds rights elsewhere too: whoever
    // could set the password could sign in as them and act there.
    QTest::newRow("manager opens own user with a key in B")
        << "manager"
        << "/manage/user?id=" + wu_id_ << get << 403;
    QTest::newRow("manager resets password of own user with a key in B")
        << "manager"
        << "/manage/users/password" << QStringList{"id", wu_id_, "password", "abcdef1"} << 403;
    QTest::newRow("manager disables own user with a key in B")
        << "manager"
        << "/manage/users/status" << QStringList{"id", wu_id_, "disabled", "1"} << 403;
    QTest::newRow("manager moves own user with a key in B within A")
        << "manager"
        << "/manage/users/department" << QStringList{"id", wu_id_, "dept", "4"} << 403;
    QTest::newRow("manager grants right in A to own user with a key in B")
        << "manager"
        << "/manage/users/grant" << QStringList{"id", wu_id_, "dept", "4", "role", "2"} << 403;
    QTest::newRow("manager revokes right in A of own user with a key in B")
        << "manager"
        << "/manage/users/revoke" << QStringList{"id", wu_id_, "dept", presale, "role", "3"} << 403;
    // Only roles the manager holds (kfzz), as when adding a user.
    QTest::newRow("manager grants a role it does not hold")
        << "manager"
        << "/manage/users/grant" << QStringList{"id", agent_id, "dept", "4", "role", "3"} << 403;
    QTest::newRow("manager grants the administrator role")
        << "manager"
        << "/manage/users/grant" << QStringList{"id", agent_id, "dept", "4", "role", "1"} << 403;
    QTest::newRow("manager grants right in A to own user")
        << "manager"
        << "/manage/users/grant" << QStringList{"id", agent_id, "dept", presale, "role", "2"}
        << 303;
}

void test_web_admin::rights_matrix() {
    QFETCH(QString, account);
    QFETCH(QString, path);
    QFETCH(QStringList, fields);
    QFETCH(int, status);
    web_browser browser = signed_in(account);
    web_browser admin = signed_in("admin");
    const auto before = admin.get("/manage/users").body;
    raw_http::reply_t reply;
    if (fields.isEmpty()) {
        reply = browser.get(path);
    } else {
        browser.get("/manage"); // a page for the form token, also for those refused
        const web_browser::fields_t form = web_browser::form_of(fields);
        reply = browser.post(path, form);
    }
    QCOMPARE(reply.status, status);
    if (status == 403 && !fields.isEmpty()) {
        QCOMPARE(admin.get("/manage/users").body, before); // store unchanged
        QVERIFY(!server_.login("sam", "sam12345").isEmpty());
        QVERIFY(!server_.login("admin", "admin123").isEmpty());
        QVERIFY(!server_.login("wu", "wu123456").isEmpty());
    }
}

void test_web_admin::form_token_required_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("token"); // "none" leaves the field out
    QTest::newRow("add department, no token")
        << "/manage/departments/add" << QStringList{"name", "无令牌", "parent", "0"} << "none";
    QTest::newRow("add department, wrong token")
        << "/manage/departments/add" << QStringList{"name", "错令牌", "parent", "0"}
        << QString(64, 'a');
    QTest::newRow("password, empty token")
        << "/manage/users/password" << QStringList{"id", agent_id, "password", "hijack1"} << "";
    QTest::newRow("save apps, another session's token")
        << "/manage/apps/save" << QStringList{"apps", "坏=bad"} << "other";
}

void test_web_admin::form_token_required() {
    QFETCH(QString, path);
    QFETCH(QStringList, fields);
    QFETCH(QString, token);
    web_browser browser = signed_in("admin");
    const auto before = browser.get("/manage/departments").body;
    const auto apps_before = server_.get("/tavorine/clientOperateHabit/getAdsorptionList", {},
                                         server_.login("agent", "agent123"));
    const web_browser::fields_t form = web_browser::form_of(fields);
    QString given = token == "other" ? signed_in("admin").csrf() : token;
    raw_http::reply_t reply;
    if (token == "none") {
        reply = browser.post_without_token(path, form);
    } else {
        reply = browser.post(path, form, &given);
    }
    QCOMPARE(reply.status, 403);
    QVERIFY(QString::fromUtf8(reply.body).contains("表单已失效"));
    QCOMPARE(browser.get("/manage/departments").body, before);
    QVERIFY(!server_.login("agent", "agent123").isEmpty());
    QCOMPARE(server_
                 .get("/tavorine/clientOperateHabit/getAdsorptionList", {},
                      server_.login("agent", "agent123"))
                 .raw,
             apps_before.raw);
    // A change is never made by a GET, token or not.
    QCOMPARE(browser.get(path + "?csrf=" + browser.csrf() + "&name=GET部门&parent=0").status, 404);
}

void test_web_admin::department_actions() {
    web_browser b = signed_in("admin");
    b.get("/manage/departments");
    auto added = b.post("/manage/departments/add", {{"name", "质检组"}, {"parent", hq}});
    QCOMPARE(added.status, 303);
    QCOMPARE(added.header("Location"), QByteArray("/manage/departments?done=dept_added"));
    auto page = QString::fromUtf8(b.get("/manage/departments?done=dept_added").body);
    QVERIFY(page.contains("部门已添加"));
    QVERIFY(page.contains("质检组"));
    const QRegularExpression id_of(
        "name=\"id\" value=\"(\\d+)\"><input type=\"text\" name=\"name\" value=\"质检组\"");
    const QString id = id_of.match(page).captured(1);
    QVERIFY(!id.isEmpty());
    QCOMPARE(b.post("/manage/departments/rename", {{"id", id}, {"name", "质检中心"}}).status, 303);
    page = QString::fromUtf8(b.get("/manage/departments").body);
    QVERIFY(page.contains("质检中心") && !page.contains("质检组"));
    // Not empty: a user, a sub-department or a department library keeps it.
    const auto with_users = b.post("/manage/departments/delete", {{"id", presale}});
    QCOMPARE(with_users.status, 409);
    QVERIFY(QString::fromUtf8(with_users.body).contains("还有"));
    QCOMPARE(b.post("/manage/departments/delete", {{"id", hq}}).status, 409);
    QCOMPARE(b.post("/manage/departments/delete", {{"id", id}}).status, 303);
    QVERIFY(!QString::fromUtf8(b.get("/manage/departments").body).contains("质检中心"));
    QCOMPARE(b.post("/manage/departments/delete", {{"id", id}}).status, 404);
}

void test_web_admin::role_actions() {
    web_browser b = signed_in("admin");
    b.get("/manage/roles");
    QCOMPARE(b.post("/manage/roles/add", {{"name", "质检主管"}, {"key", "qczz"}}).status, 303);
    const auto page = QString::fromUtf8(b.get("/manage/roles").body);
    QVERIFY(page.contains("<code>qczz</code> <span class=\"tag manager\">主管</span>"));
    QCOMPARE(b.post("/manage/roles/add", {{"name", "重复"}, {"key", "qczz"}}).status, 409);
    QCOMPARE(b.post("/manage/roles/add", {{"name", "坏标识"}, {"key", "a b"}}).status, 400);
    const QString id = QRegularExpression("name=\"id\" value=\"(\\d+)\"><input type=\"text\" "
                                          "name=\"name\" value=\"质检主管\"")
                           .match(page)
                           .captured(1);
    QVERIFY(!id.isEmpty());
    QCOMPARE(b.post("/manage/roles/rename", {{"id", id}, {"name", "质检组长"}}).status, 303);
    QVERIFY(QString::fromUtf8(b.get("/manage/roles").body).contains("质检组长"));
    QCOMPARE(b.post("/manage/roles/delete", {{"id", "3"}}).status, 409); // kf, held by the agent
    QCOMPARE(b.post("/manage/roles/delete", {{"id", id}}).status, 303);
    QVERIFY(!QString::fromUtf8(b.get("/manage/roles").body).contains("质检组长"));
}

void test_web_admin::user_actions() {
    web_browser b = signed_in("admin");
    b.get("/manage/users");
    // A new colleague with a department and the manager key kfzz (role 2) there.
    const auto added = b.post("/manage/users/add", {{"account", "zhao"},
                                                    {"name", "赵主管"},
                                                    {"password", "zhao-pass1"},
                                                    {"dept", sales},
                                                    {"role", "2"}});
    QCOMPARE(added.status, 303);
    const QString id = QRegularExpression("id=(\\d+)")
                           .match(QString::fromUtf8(added.header("Location")))
                           .captured(1);
    QString token = server_.login("zhao", "zhao-pass1");
    QVERIFY(!token.isEmpty());
    auto profile =
        server_.get("/tavorine/loginAccount/getLoginUserData", {}, token).data().toObject();
    QCOMPARE(profile.value("deptId").toString(), QString(sales));
    const auto rights =
        profile.value("deptRoleTreeMap").toObject().value("checkDeptDataList").toArray();
    QCOMPARE(rights.size(), 1);
    QCOMPARE(rights[0].toObject().value("roleKeys").toArray().first().toString(), QString("kfzz"));

    QCOMPARE(b.post("/manage/users/add",
                    {{"account", "zhao"}, {"password", "another1"}, {"dept", sales}, {"role", "0"}})
                 .status,
             409);

    b.get("/manage/user?id=" + id);
    QCOMPARE(b.post("/manage/users/grant", {{"id", id}, {"dept", presale}, {"role", "3"}}).status,
             303);
    QCOMPARE(b.post("/manage/users/revoke", {{"id", id}, {"dept", sales}, {"role", "2"}}).status,
             303);
    QCOMPARE(b.post("/manage/users/department", {{"id", id}, {"dept", presale}}).status, 303);
    QCOMPARE(b.post("/manage/users/roles", {{"id", id}, {"role", "3"}, {"role", "3"}}).status, 303);
    profile = server_.get("/tavorine/loginAccount/getLoginUserData", {}, token).data().toObject();
    QCOMPARE(profile.value("deptId").toString(), QString(presale));
    const auto after =
        profile.value("deptRoleTreeMap").toObject().value("checkDeptDataList").toArray();
    QCOMPARE(after.size(), 1);
    QCOMPARE(after[0].toObject().value("deptId").toString(), QString(presale));
    QCOMPARE(profile.value("userRoleList").toArray().size(), 1);
    QCOMPARE(profile.value("userRoleList").toArray()[0].toObject().value("roleKey").toString(),
             QString("kf"));

    // A new password signs the user out everywhere.
    QCOMPARE(b.post("/manage/users/password", {{"id", id}, {"password", "new-pass2"}}).status, 303);
    QCOMPARE(server_.get("/tavorine/loginAccount/getLoginUserData", {}, token).code(), 4401);
    QVERIFY(server_.login("zhao", "zhao-pass1").isEmpty());
    token = server_.login("zhao", "new-pass2");
    QVERIFY(!token.isEmpty());

    // Switched off: no login, the old token is gone; switched on again: logs in.
    QCOMPARE(b.post("/manage/users/status", {{"id", id}, {"disabled", "1"}}).status, 303);
    QCOMPARE(server_.get("/tavorine/loginAccount/getLoginUserData", {}, token).code(), 4401);
    QVERIFY(server_.login("zhao", "new-pass2").isEmpty());
    QVERIFY(QString::fromUtf8(b.get("/manage/users").body).contains("已停用"));
    QCOMPARE(b.post("/manage/users/status", {{"id", id}, {"disabled", "0"}}).status, 303);
    QVERIFY(!server_.login("zhao", "new-pass2").isEmpty());

    QCOMPARE(b.post("/manage/users/status", {{"id", admin_id}, {"disabled", "1"}}).status, 409);
}

void test_web_admin::manager_adds_user_in_own_department() {
    web_browser b = signed_in("manager");
    const auto page = QString::fromUtf8(b.get("/manage/users").body);
    QVERIFY(page.contains("李小客"));               // the agent, in a managed department
    QVERIFY(!page.contains("销售小王"));            // sam, in 销售部
    QVERIFY(!page.contains("<option value=\"5\"")); // 销售部 is not offered
    QCOMPARE(b.post("/manage/users/add", {{"account", "qian"},
                                          {"name", "钱客服"},
                                          {"password", "qian-pass"},
                                          {"dept", presale},
                                          {"role", "2"}})
                 .status,
             303);
    QVERIFY(!server_.login("qian", "qian-pass").isEmpty());
    // kf is a role the manager does not hold: not theirs to hand out.
    QCOMPARE(
        b.post("/manage/users/add",
               {{"account", "sun"}, {"password", "sun-pass"}, {"dept", presale}, {"role", "3"}})
            .status,
        403);
    QVERIFY(server_.login("sun", "sun-pass").isEmpty());
}

void test_web_admin::offered_update_per_system() {
    web_browser b = signed_in("admin");
    b.get("/manage/update");
    const QByteArray linux_installer = "#!/bin/sh\necho installing\n";
    const auto uploaded = b.post_file(
        "/manage/update/upload",
        {{"os", "linux"}, {"version", "3.1.0"}, {"force", "1"}, {"notes", "修复 <b>问题</b>"}},
        "installer", "quorvel-3.1.0.run", linux_installer);
    QCOMPARE(uploaded.status, 303);
    QVERIFY(
        QString::fromUtf8(b.get("/manage/update").body).contains("修复 &lt;b&gt;问题&lt;/b&gt;"));

    const QString token = server_.login("agent", "agent123");
    auto check = [&](const QList<QPair<QString, QString>>& query) {
        return server_.get("/tavorine/clientGeneral/checkVersionUpdate", query, token)
            .data()
            .toObject();
    };
    const auto offer = check({{"requestNetworkType", "QRV_EXTRANET"}, {"os", "linux"}});
    QCOMPARE(offer.value("latestVersion").toString(), QString("3.1.0"));
    QCOMPARE(offer.value("isForceUpdate").toBool(), true);
    QCOMPARE(offer.value("isSilentInstall").toBool(), false);
    QCOMPARE(
        offer.value("sha256").toString(),
        QString(QCryptographicHash::hash(linux_installer, QCryptographicHash::Sha256).toHex()));
    int status = 0;
    QCOMPARE(server_.download("/tavorine/nas/downloadFileById?fileId=" +
                                  offer.value("fileId").toString(),
                              token, &status),
             linux_installer);
    QVERIFY(check({{"requestNetworkType", "QRV_EXTRANET"}}).isEmpty()); // Windows: none yet

    // The console command fills the same slot the page shows.
    QTemporaryFile exe;
    QVERIFY(exe.open());
    exe.write("MZ windows installer");
    exe.close();
    QCOMPARE(server_.admin({"update", "set", "3.0.9", exe.fileName(), "--silent"}), 0);
    QCOMPARE(check({}).value("latestVersion").toString(), QString("3.0.9"));
    QVERIFY(QString::fromUtf8(b.get("/manage/update").body).contains("3.0.9"));

    QCOMPARE(b.post("/manage/update/clear", {{"os", "linux"}}).status, 303);
    QVERIFY(check({{"os", "linux"}}).isEmpty());
    QCOMPARE(check({}).value("latestVersion").toString(), QString("3.0.9"));

    // Refused uploads change nothing: no file, a version with markup.
    QCOMPARE(b.post_file("/manage/update/upload", {{"os", "linux"}, {"version", "3.2"}},
                         "installer", "x.run", QByteArray())
                 .status,
             400);
    QCOMPARE(b.post_file("/manage/update/upload", {{"os", "linux"}, {"version", "<i>3</i>"}},
                         "installer", "x.run", "data")
                 .status,
             400);
    const QString wrong(64, 'b');
    QCOMPARE(b.post_file("/manage/update/upload", {{"os", "linux"}, {"version", "3.3"}},
                         "installer", "x.run", "data", &wrong)
                 .status,
             403);
    QVERIFY(check({{"os", "linux"}}).isEmpty());
}

void test_web_admin::offer_signature_and_version_checked_data() {
    QTest::addColumn<bool>("web"); // the page's form, or the console command
    QTest::addColumn<QString>("version");
    QTest::addColumn<QByteArray>("signature"); // a signature file's content; empty: none
    QTest::addColumn<bool>("accepted");
    const QByteArray signature = QByteArray(64, '\x42').toBase64() + "\n";
    for (const bool web : {true, false}) {
        const char* way = web ? "page: " : "console: ";
        QTest::newRow(qPrintable(way + QString("signed"))) << web << "4.0.1" << signature << true;
        QTest::newRow(qPrintable(way + QString("unsigned")))
            << web << "4.0.2" << QByteArray() << true;
        QTest::newRow(qPrintable(way + QString("not a signature")))
            << web << "4.0.3" << QByteArray("not a signature") << false;
        QTest::newRow(qPrintable(way + QString("short signature")))
            << web << "4.0.4" << QByteArray(63, '\x42').toBase64() << false;
        QTest::newRow(qPrintable(way + QString("climbing version")))
            << web << "4.0/../../x" << signature << false;
        QTest::newRow(qPrintable(way + QString("letters in the version")))
            << web << "4.0.5-beta" << signature << false;
    }
    QTest::newRow("console: raw signature bytes")
        << false << "4.0.6" << QByteArray(64, '\x42') << true;
}

// The offer carries the publisher's signature and the installer's size;
// a version that is not dotted numbers or a file that is no signature is
// refused on the page and on the console alike.
void test_web_admin::offer_signature_and_version_checked() {
    QFETCH(bool, web);
    QFETCH(QString, version);
    QFETCH(QByteArray, signature);
    QFETCH(bool, accepted);
    QCOMPARE(server_.admin({"update", "clear", "--os", "linux"}), 0);
    const QByteArray installer = "#!/bin/sh\necho signed\n";
    if (web) {
        web_browser b = signed_in("admin");
        b.get("/manage/update");
        QList<QPair<QString, QString>> fields = {{"os", "linux"}, {"version", version}};
        if (!signature.isEmpty())
            fields.append({"signature", QString::fromLatin1(signature)});
        QCOMPARE(
            b.post_file("/manage/update/upload", fields, "installer", "q.run", installer).status,
            accepted ? 303 : 400);
        if (accepted)
            QVERIFY(QString::fromUtf8(b.get("/manage/update").body)
                        .contains(signature.isEmpty() ? "未签名" : "已签名"));
    } else {
        QTemporaryDir dir;
        const QString path = dir.filePath("q.run");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(installer) == installer.size());
        file.close();
        QStringList args = {"update", "set", version, path, "--os", "linux"};
        if (!signature.isEmpty()) {
            QFile sig(path + ".sig");
            QVERIFY(sig.open(QIODevice::WriteOnly));
            sig.write(signature);
            args << "--signature" << sig.fileName();
        }
        QCOMPARE(server_.admin(args) == 0, accepted);
    }
    const QJsonObject offer = server_
                                  .get("/tavorine/clientGeneral/checkVersionUpdate",
                                       {{"requestNetworkType", "QRV_EXTRANET"}, {"os", "linux"}},
                                       server_.login("agent", "agent123"))
                                  .data()
                                  .toObject();
    if (!accepted) {
        QVERIFY(offer.isEmpty());
        return;
    }
    QCOMPARE(offer.value("latestVersion").toString(), version);
    QCOMPARE(offer.value("fileSize").toInt(), installer.size());
    QCOMPARE(offer.value("signature").toString(),
             signature.isEmpty() ? QString() : QString(QByteArray(64, '\x42').toBase64()));
}

void test_web_admin::supported_apps() {
    web_browser b = signed_in("admin");
    QVERIFY(QString::fromUtf8(b.get("/manage/apps").body).contains("微信=wechatmainwndforpc"));
    const QString token = server_.login("agent", "agent123");
    auto apps = [&] {
        return server_.get("/tavorine/clientOperateHabit/getAdsorptionList", {}, token)
            .data()
            .toArray();
    };
    QCOMPARE(
        b.post("/manage/apps/save", {{"apps", "钉钉=dingtalk,,standalonewindow\r\n\n飞书=feishu"}})
            .status,
        303);
    auto list = apps();
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[0].toObject().value("operateHabitKey").toString(), QString("钉钉"));
    QCOMPARE(list[0].toObject().value("operateHabitValue").toString(),
             QString("dingtalk,,standalonewindow"));
    const auto bad = b.post("/manage/apps/save", {{"apps", "好=ok\n没有等号"}});
    QCOMPARE(bad.status, 400);
    QVERIFY(QString::fromUtf8(bad.body).contains("第 2 行"));
    QCOMPARE(apps(), list);
}

// Identifiers the clients match as patterns: what the page explains, what it
// keeps, and what it refuses with the reason and the admin's text still in the form.
void test_web_admin::supported_app_patterns_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem"); // empty: saved
    QTest::addColumn<QString>("stored");
    QTest::newRow("class, title and plain patterns")
        << "网页客服=class:Chromium\n客服=Chromium,title:*QV Web Chat*, (1) chat.\n"
        << ""
        << "网页客服=class:Chromium;客服=Chromium,title:*QV Web Chat*, (1) chat.";
    QTest::newRow("pattern of 260 characters") << "长=title:" + QString(260, 'x') << ""
                                               << "长=title:" + QString(260, 'x');
    QTest::newRow("no identifier") << "好=ok\n钉钉="
                                   << "第 2 行没有窗口标识"
                                   << "";
    QTest::newRow("only commas") << "钉钉= , ,"
                                 << "第 1 行没有窗口标识"
                                 << "";
    QTest::newRow("empty class pattern") << "钉钉=dingtalk,class:"
                                         << "第 1 行的标识“class:”后缺少要匹配的文字"
                                         << "";
    QTest::newRow("empty title pattern") << "钉钉=TITLE:  "
                                         << "第 1 行的标识“TITLE:”后缺少要匹配的文字"
                                         << "";
    QTest::newRow("only a wildcard") << "钉钉=dingtalk,*"
                                     << "第 1 行的标识“*”只有通配符"
                                     << "";
    QTest::newRow("only wildcards after the prefix") << "钉钉=title:**"
                                                     << "第 1 行的标识“title:**”只有通配符"
                                                     << "";
    QTest::newRow("over-long pattern") << "钉钉=class:" + QString(261, 'x') << "超过 260 个字符"
                                       << "";
    QTest::newRow("over-long plain pattern with a percent sign")
        << "钉钉=%2" + QString(260, 'y') << "第 1 行的标识“%2yyyyyyyyyyyyyyyyyy…”超过 260 个字符"
        << "";
    QTest::newRow("markup in a refused entry") << "钉钉=<b>x</b>,\"*\",*"
                                               << "第 1 行的标识“*”只有通配符"
                                               << "";
}

void test_web_admin::supported_app_patterns() {
    QFETCH(QString, text);
    QFETCH(QString, problem);
    QFETCH(QString, stored);
    web_browser b = signed_in("admin");
    const QString page = QString::fromUtf8(b.get("/manage/apps").body);
    for (const char* example : {"网页客服=chromium,*qv web chat*", "网页客服=class:chromium",
                                "网页客服=title:*qv web chat*", "不区分大小写"})
        QVERIFY2(page.contains(QString::fromUtf8(example)), example);
    QCOMPARE(b.post("/manage/apps/save", {{"apps", "原有=keep"}}).status, 303);
    const QString token = server_.login("agent", "agent123");
    auto values = [&] {
        QStringList out;
        const auto list = server_.get("/tavorine/clientOperateHabit/getAdsorptionList", {}, token)
                              .data()
                              .toArray();
        for (const auto& item : list)
            out << item.toObject().value("operateHabitKey").toString() + "=" +
                       item.toObject().value("operateHabitValue").toString();
        return out.join(';');
    };
    const auto reply = b.post("/manage/apps/save", {{"apps", text}});
    if (problem.isEmpty()) {
        QCOMPARE(reply.status, 303);
        QCOMPARE(values(), stored);
        return;
    }
    QCOMPARE(reply.status, 400);
    const QString body = QString::fromUtf8(reply.body);
    QVERIFY2(body.contains(problem.toHtmlEscaped()), qPrintable(body.left(2000)));
    QVERIFY(body.contains("class=\"notice error\""));
    // The form comes back with the text as sent, escaped, and a fresh token.
    const QString escaped = text.toHtmlEscaped();
    QVERIFY2(body.contains(">" + escaped + "</textarea>"), qPrintable(body.left(4000)));
    QVERIFY(!body.contains("<b>x"));
    QVERIFY(body.contains("name=\"csrf\" value=\"" + b.csrf() + "\""));
    QCOMPARE(values(), QString("原有=keep"));
}

void test_web_admin::library_overview() {
    const auto admin_page = QString::fromUtf8(signed_in("admin").get("/manage").body);
    QVERIFY(admin_page.contains("最大的话术分类"));
    QVERIFY(admin_page.contains("销售部"));
    QVERIFY(admin_page.contains("未记录"));
    const auto manager_page = QString::fromUtf8(signed_in("manager").get("/manage").body);
    QVERIFY(manager_page.contains("售前组"));
    QVERIFY(!manager_page.contains("销售部")); // not a department of theirs
}

void test_web_admin::markup_is_escaped() {
    web_browser b = signed_in("admin");
    b.get("/manage/departments");
    const QString hostile = "<script>alert(\"x\")</script>'&";
    QCOMPARE(b.post("/manage/departments/add", {{"name", hostile}, {"parent", "0"}}).status, 303);
    QCOMPARE(b.post("/manage/users/add", {{"account", "mallory"},
                                          {"name", hostile},
                                          {"password", "mallory1"},
                                          {"dept", sales},
                                          {"role", "0"}})
                 .status,
             303);
    for (const char* page : {"/manage/departments", "/manage/users", "/manage"}) {
        const QString body = QString::fromUtf8(b.get(page).body);
        QVERIFY2(!body.contains("<script>"), page);
        QVERIFY2(body.contains("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;&#39;&amp;") ||
                     QString(page) == "/manage",
                 page);
    }
}

void test_web_admin::over_long_fields_refused_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("message");
    const QString long_name(65, QChar(0x540D)); // 名
    QTest::newRow("department name")
        << "/manage/departments/add" << QStringList{"name", long_name, "parent", "0"}
        << "部门名称最多 64 个字符";
    QTest::newRow("role name") << "/manage/roles/add"
                               << QStringList{"name", long_name, "key", "longzz"}
                               << "角色名称最多 64 个字符";
    QTest::newRow("account") << "/manage/users/add" << QStringList{"account",  QString(65, 'a'),
                                                                   "password", "abcdef1",
                                                                   "dept",     hq,
                                                                   "role",     "0"}
                             << "账号最多 64 个字符";
    QTest::newRow("password") << "/manage/users/password"
                              << QStringList{"id", agent_id, "password", QString(129, 'p')}
                              << "密码最多 128 个字符";
    QTest::newRow("short password")
        << "/manage/users/password" << QStringList{"id", agent_id, "password", "abc"}
        << "密码至少 6 个字符";
    QTest::newRow("applications") << "/manage/apps/save"
                                  << QStringList{"apps", "a=" + QString(8000, 'b')}
                                  << "应用列表最多 8000 个字符";
}

void test_web_admin::over_long_fields_refused() {
    QFETCH(QString, path);
    QFETCH(QStringList, fields);
    QFETCH(QString, message);
    web_browser b = signed_in("admin");
    const QByteArray users = b.get("/manage/users").body;
    const QByteArray depts = b.get("/manage/departments").body;
    const QByteArray roles = b.get("/manage/roles").body;
    const web_browser::fields_t form = web_browser::form_of(fields);
    const auto reply = b.post(path, form);
    QCOMPARE(reply.status, 400);
    QVERIFY2(QString::fromUtf8(reply.body).contains(message), reply.body.constData());
    QCOMPARE(b.get("/manage/users").body, users);
    QCOMPARE(b.get("/manage/departments").body, depts);
    QCOMPARE(b.get("/manage/roles").body, roles);
    QVERIFY(!server_.login("agent", "agent123").isEmpty());
}

void test_web_admin::logout_ends_session() {
    web_browser b = signed_in("manager");
    QCOMPARE(b.get("/manage/users").status, 200);
    const auto out = b.post("/manage/logout", {});
    QCOMPARE(out.status, 200);
    QVERIFY(out.header("Set-Cookie").contains("Max-Age=0"));
    QCOMPARE(b.get("/manage/users").status, 401); // the old cookie is worth nothing now
}

// A form on another site knows no token: signing out needs it like any change.
void test_web_admin::logout_needs_the_form_token_data() {
    QTest::addColumn<QString>("token"); // "none" leaves the field out
    QTest::newRow("no token") << "none";
    QTest::newRow("empty token") << "";
    QTest::newRow("wrong token") << QString(64, 'a');
    QTest::newRow("another session's token") << "other";
}

void test_web_admin::logout_needs_the_form_token() {
    QFETCH(QString, token);
    web_browser b = signed_in("manager");
    QCOMPARE(b.get("/manage/users").status, 200);
    const QString given = token == "other" ? signed_in("admin").csrf() : token;
    const auto out = token == "none" ? b.post_without_token("/manage/logout", {})
                                     : b.post("/manage/logout", {}, &given);
    QCOMPARE(out.status, 403);
    QVERIFY(out.header("Set-Cookie").isEmpty());
    QCOMPARE(b.get("/manage/users").status, 200);
}

// The grant form offers the roles the manager may hand out, nothing more.
void test_web_admin::user_page_offers_only_held_roles() {
    const QString page = QStringLiteral("/manage/user?id=") + agent_id;
    const auto managers = QString::fromUtf8(signed_in("manager").get(page).body);
    QVERIFY(managers.contains("客服主管（kfzz）"));
    QVERIFY(!managers.contains("（kf）"));
    QVERIFY(!managers.contains("（adminzz）"));
    const auto admins = QString::fromUtf8(signed_in("admin").get(page).body);
    for (const char* offered : {"（kfzz）", "（kf）", "（adminzz）"})
        QVERIFY2(admins.contains(offered), offered);
    // Nor is the user of a managed department with rights elsewhere a manager's to open.
    const auto users = QString::fromUtf8(signed_in("manager").get("/manage/users").body);
    QVERIFY(users.contains("吴组长"));
    QVERIFY(!users.contains("/manage/user?id=" + wu_id_ + "\""));
    QVERIFY(users.contains(QStringLiteral("/manage/user?id=") + agent_id + "\""));
}

QTEST_GUILESS_MAIN(test_web_admin)
#include "test_web_admin.moc"
