// The settings centre against quorvel-server: its pages, the management page
// link, autorun, the manual update check and signing out.
#include "app/app_paths.h"
#include "app/settings_store.h"
#include "app/versions.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/base_url.h"
#include "platform/autorun.h"
#include "platform/fake/fake_autorun.h"
#include "platform/installer.h"
#include "platform/named_mutex.h"
#include "resources/resources.h"
#include "server_fixture.h"
#include "ui/contact_support_dialog.h"
#include "ui/settings/about_client_widget.h"
#include "ui/settings/account_setting_widget.h"
#include "ui/settings/clouddoc_setting_widget.h"
#include "ui/settings/common_setting_widget.h"
#include "ui/settings/follow_setting_widget.h"
#include "ui/settings/kb_setting_widget.h"
#include "ui/settings/settings_widget.h"
#include "ui/update/update_guide_widget.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/toggle_switch.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QToolButton>
#include <QtTest>

using namespace quorvel;

// Catches what QDesktopServices would open in the browser.
class url_catcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class test_settings_centre : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void pages_in_order();
    void account_page_shows_the_profile();
    void manage_button_opens_the_address_the_server_gives();
    void manage_button_failure_says_so();
    void manage_link_is_shown_without_a_browser();
    void clouddoc_page_stores_at_once_data();
    void clouddoc_page_stores_at_once();
    void autorun_failure_keeps_the_real_state_data();
    void autorun_failure_keeps_the_real_state();
    void autorun_on_linux_writes_the_users_entry();
    void check_update_same_version_says_latest();
    void check_update_newer_opens_the_dialog_and_raises_it_again();
    void check_update_failure_enables_the_button();
    void help_and_website_open_the_website();
    void contact_dialog();

private:
    template <class T> T* wait_for_top_level();
    void offer(const QString& version);

    server_fixture server_;
    url_catcher urls_;
    QTemporaryDir files_;
};

template <class T> T* test_settings_centre::wait_for_top_level() {
    T* found = nullptr;
    QTest::qWaitFor(
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
                    found = t;
            return found != nullptr;
        },
        20000);
    return found;
}

void test_settings_centre::initTestCase() {
    init_resources();
    QVERIFY(server_.start());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    QDesktopServices::setUrlHandler("http", &urls_, "open");
    QDesktopServices::setUrlHandler("https", &urls_, "open");
    data_center& dc = data_center::instance();
    dc.clear();
    session_state::instance().set_token(server_.login("agent", "agent123"));
    QVERIFY(!session_state::instance().token().isEmpty());
    session_state::instance().set_login_user(user_login_info_t::from_json(
        server_
            .get("/tavorine/loginAccount/getLoginUserData", {}, session_state::instance().token())
            .data()
            .toObject()));
}

void test_settings_centre::init() {
    urls_.urls.clear();
    QFile::remove(app_paths::instance().settings_file());
}

void test_settings_centre::cleanup() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(w) || qobject_cast<message_box*>(w))
            w->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The offered Windows/Linux update of this system, with a small installer.
void test_settings_centre::offer(const QString& version) {
    const QString path = files_.filePath("installer-" + version);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    QCOMPARE(server_.admin({"update", "set", version, path, "--os",
                            QString::fromLatin1(platform::update_os_name())}),
             0);
}

void test_settings_centre::pages_in_order() {
    settings_widget centre;
    QCOMPARE(centre.title(), QStringLiteral("Quorvel设置中心"));
    QCOMPARE(centre.size(), QSize(400, 600));
    const QStringList titles = {"账号设置",   "通用设置", "吸附设置",   "知识库设置",
                                "云文档设置", "高级设置", "关于Quorvel"};
    QCOMPARE(centre.page_list()->count(), titles.size());
    for (int i = 0; i < titles.size(); ++i)
        QCOMPARE(centre.page_list()->item(i)->text(), titles[i]);
    QVERIFY(centre.page<account_setting_widget>(0));
    QVERIFY(centre.page<common_setting_widget>(1));
    QVERIFY(centre.page<follow_setting_widget>(2));
    QVERIFY(centre.page<kb_setting_widget>(3));
    QVERIFY(centre.page<clouddoc_setting_widget>(4));
    QVERIFY(centre.page<advance_setting_widget>(5));
    QVERIFY(centre.page<about_client_widget>(6));
    QCOMPARE(centre.pages()->currentIndex(), 0);
    centre.page_list()->setCurrentRow(4);
    QCOMPARE(centre.pages()->currentIndex(), 4);
}

void test_settings_centre::account_page_shows_the_profile() {
    account_setting_widget page;
    QStringList texts;
    for (QLabel* label : page.findChildren<QLabel*>())
        texts << label->text();
    const data_center& dc = data_center::instance();
    QVERIFY(!session_state::instance().user_name().isEmpty() &&
            !session_state::instance().dept_name().isEmpty());
    QVERIFY2(texts.contains(session_state::instance().user_name()), qPrintable(texts.join('|')));
    QVERIFY(texts.contains(QStringLiteral("agent")));
    QVERIFY(texts.contains(session_state::instance().dept_name()));
    QCOMPARE(page.manage_button()->text(), QStringLiteral("管理后台"));
    QCOMPARE(page.logout_button()->text(), QStringLiteral("退出登录"));
}

void test_settings_centre::manage_button_opens_the_address_the_server_gives() {
    account_setting_widget page;
    page.manage_button()->click();
    QVERIFY(!page.manage_button()->isEnabled()); // while the request runs
    QTRY_COMPARE_WITH_TIMEOUT(urls_.urls.size(), 1, 20000);
    QVERIFY(page.manage_button()->isEnabled());
    const QUrl link = urls_.urls.first();
    QVERIFY2(link.toString().startsWith(server_.base_url() + "/manage/enter?link="),
             qPrintable(link.toString()));
    // What was opened is a working one-time link of this user.
    int status = 0;
    server_.download(link.path() + "?" + link.query(), QString(), &status);
    QCOMPARE(status, 303);
}

void test_settings_centre::manage_button_failure_says_so() {
    data_center& dc = data_center::instance();
    const QString token = session_state::instance().token();
    session_state::instance().set_token("not-a-token");
    account_setting_widget page;
    page.manage_button()->click();
    auto* box = wait_for_top_level<QMessageBox>();
    QVERIFY(box);
    session_state::instance().set_token(token);
    QCOMPARE(box->text(), QStringLiteral("获取管理页地址失败，请稍后再试"));
    QCOMPARE(box->windowTitle(), QStringLiteral("Quorvel"));
    QVERIFY(page.manage_button()->isEnabled());
    QVERIFY(urls_.urls.isEmpty());
}

void test_settings_centre::manage_link_is_shown_without_a_browser() {
    QDesktopServices::unsetUrlHandler("http");
    account_setting_widget page;
    page.manage_button()->click();
    auto* box = wait_for_top_level<QMessageBox>();
    QDesktopServices::setUrlHandler("http", &urls_, "open");
    QVERIFY(box);
    QVERIFY2(box->text().startsWith(QStringLiteral("无法打开浏览器，请在浏览器中打开：\n") +
                                    server_.base_url() + "/manage/enter?link="),
             qPrintable(box->text()));
    QVERIFY(page.manage_button()->isEnabled());
}

void test_settings_centre::clouddoc_page_stores_at_once_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("number") << "35" << 35;
    QTest::newRow("letters store 0") << "ab" << 0;
    QTest::newRow("empty stores 0") << "" << 0;
}

void test_settings_centre::clouddoc_page_stores_at_once() {
    QFETCH(QString, typed);
    QFETCH(int, stored);
    const QString path = app_paths::instance().settings_file();
    settings_store settings(path);
    clouddoc_setting_widget page(settings);
    QCOMPARE(page.size_edit()->text(), QStringLiteral("20")); // the default
    QVERIFY(page.download_switch()->isChecked());
    page.size_edit()->selectAll();
    QTest::keyClick(page.size_edit(), Qt::Key_Delete);
    QTest::keyClicks(page.size_edit(), typed);
    QCOMPARE(open_ini(path)->value("clouddoc/download_size").toInt(), stored);
    QCOMPARE(open_ini(path)->value("clouddoc/download_size").toString(), QString::number(stored));
    page.download_switch()->click();
    QCOMPARE(open_ini(path)->value("clouddoc/download_switch").toInt(), 0);
    page.download_switch()->click();
    QCOMPARE(open_ini(path)->value("clouddoc/download_switch").toInt(), 1);
}

void test_settings_centre::autorun_failure_keeps_the_real_state_data() {
    QTest::addColumn<unsigned long>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("declined elevation") << 1223ul << "用户取消操作";
    QTest::newRow("file") << 2ul << "找不到指定的文件";
    QTest::newRow("path") << 3ul << "路径不存在";
    QTest::newRow("access") << 5ul << "拒绝访问";
    QTest::newRow("memory") << 8ul << "没有足够的内存";
    QTest::newRow("sharing") << 32ul << "共享冲突";
    QTest::newRow("dde") << 1156ul << "dde出错";
    QTest::newRow("dll") << 1157ul << "找不到dll";
    QTest::newRow("other") << 87ul << "未知错误";
}

void test_settings_centre::autorun_failure_keeps_the_real_state() {
    QFETCH(unsigned long, error);
    QFETCH(QString, text);
    auto fake = std::make_unique<platform::fake_autorun>();
    platform::fake_autorun* state = fake.get();
    state->fail_with = error;
    common_setting_widget page(std::move(fake));
    QVERIFY(!page.autorun_box()->isChecked());
    page.autorun_box()->click();
    QCOMPARE(state->requests, std::vector<bool>{true});
    auto* box = wait_for_top_level<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->text(), text);
    QVERIFY(!page.autorun_box()->isChecked());   // the state as it really is
    QCOMPARE(state->requests.size(), size_t(1)); // setting it back asked nothing
}

void test_settings_centre::autorun_on_linux_writes_the_users_entry() {
    if (QString::fromStdString(platform::installer_suffix()) != ".sh")
        QSKIP("the user's own autostart file exists on Linux only");
    const QString entry = QStandardPaths::writableLocation(QStandardPaths::ConfigLocation) +
                          "/autostart/quorvel.desktop";
    QFile::remove(entry);
    common_setting_widget page(platform::make_autorun_switch("/opt/quorvel/bin/quorvel"));
    QVERIFY(!page.autorun_box()->isChecked());
    page.autorun_box()->click();
    QVERIFY(page.autorun_box()->isChecked());
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("Exec=\"/opt/quorvel/bin/quorvel\""));
    file.close();
    // Removed behind the page's back: the next change reads the real state.
    QVERIFY(QFile::remove(entry));
    page.autorun_box()->click();
    QVERIFY(!page.autorun_box()->isChecked());
    QVERIFY(!QFile::exists(entry));
}

void test_settings_centre::check_update_same_version_says_latest() {
    offer(application_version());
    about_client_widget page;
    page.update_button()->click();
    QVERIFY(!page.update_button()->isEnabled());
    auto* box = wait_for_top_level<message_box>();
    QVERIFY(box);
    QCOMPARE(box->message_label->text(), QStringLiteral("当前版本已是最新版本"));
    QCOMPARE(box->button1->text(), QStringLiteral("知道了"));
    QVERIFY(box->button1->isVisible() && !box->button2->isVisible());
    QCOMPARE(box->size(), QSize(230, 174));
    QVERIFY(page.update_button()->isEnabled());
    QVERIFY(!page.update_dialog());
}

void test_settings_centre::check_update_newer_opens_the_dialog_and_raises_it_again() {
    offer("99.0.0");
    about_client_widget page;
    page.update_button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(page.update_dialog(), 20000);
    QPointer<update_guide_widget> dialog = page.update_dialog();
    QVERIFY(dialog->isVisible());
    QVERIFY(page.update_button()->isEnabled());
    // The installer's mutex is held while the dialog is open.
    QVERIFY(platform::named_mutex(installer_mutex_name).already_existed());
    // Again with the dialog open: raised, no request (the button never waits).
    page.update_button()->click();
    QVERIFY(page.update_button()->isEnabled());
    QCOMPARE(page.update_dialog(), dialog.data());
    dialog->close();
    QTRY_VERIFY(dialog.isNull());
    QVERIFY(!platform::named_mutex(installer_mutex_name).already_existed());
    QVERIFY(!page.update_dialog());
}

void test_settings_centre::check_update_failure_enables_the_button() {
    QCOMPARE(
        server_.admin({"update", "clear", "--os", QString::fromLatin1(platform::update_os_name())}),
        0);
    about_client_widget page;
    page.update_button()->click();
    auto* box = wait_for_top_level<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("检查更新失败"));
    QVERIFY(page.update_button()->isEnabled());
}

void test_settings_centre::help_and_website_open_the_website() {
    about_client_widget page;
    QToolButton* help = nullptr;
    for (QToolButton* b : page.findChildren<QToolButton*>())
        if (b->text() == QStringLiteral("查看帮助"))
            help = b;
    QVERIFY(help);
    help->click();
    page.visit_home();
    QCOMPARE(urls_.urls, QList<QUrl>({QUrl(website_url()), QUrl(website_url())}));
}

void test_settings_centre::contact_dialog() {
    contact_support_dialog dialog;
    QCOMPARE(dialog.title(), QStringLiteral("联系客服"));
    QCOMPARE(dialog.size(), QSize(400, 600));
    bool heading = false, picture = false;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        heading |= label->text() == QStringLiteral("扫码联系客服咨询") && label->font().bold() &&
                   label->font().pointSize() == 18;
        picture |= !label->pixmap(Qt::ReturnByValue).isNull() &&
                   label->pixmap(Qt::ReturnByValue).width() <= 200 &&
                   label->pixmap(Qt::ReturnByValue).height() <= 200;
    }
    QVERIFY(heading);
    QVERIFY(picture);
}

QTEST_MAIN(test_settings_centre)
#include "test_settings_centre.moc"
