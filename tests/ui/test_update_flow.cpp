// The self-update through quorvel-server with a small recording installer,
// and the main window's entries into the settings centre.
#include "app/app_paths.h"
#include "app/settings_store.h"
#include "app/versions.h"
#include "integration/current_desktop.h"
#include "model/data_center.h"
#include "model/records.h"
#include "net/blocking_requests.h"
#include "net/http_client.h"
#include "net/request_center.h"
#include "platform/fake/fake_desktop.h"
#include "platform/installer.h"
#include "resources/resources.h"
#include "server_fixture.h"
#include "sync/batch_download.h"
#include "ui/contact_support_dialog.h"
#include "ui/login_widget.h"
#include "ui/main_widget.h"
#include "ui/settings/account_setting_widget.h"
#include "ui/settings/settings_widget.h"
#include "ui/shell_actions.h"
#include "ui/update/update_guide_widget.h"
#include "ui/update/update_notice.h"

#include <QCryptographicHash>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QToolButton>
#include <QtTest>

using namespace quorvel;

namespace {

constexpr qint64 start_of_test = 2000000000; // the injected clock's "now"

// Writes its arguments, one a line, into the file named by QUORVEL_INSTALL_RECORD.
const QByteArray recording_installer =
    "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$QUORVEL_INSTALL_RECORD.tmp\"\n"
    "mv \"$QUORVEL_INSTALL_RECORD.tmp\" \"$QUORVEL_INSTALL_RECORD\"\n";

QString sha256_of(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

bool write_file(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class test_update_flow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void each_system_is_offered_its_own_installer();
    void startup_step_data();
    void startup_step();
    void remind_later_waits_four_days_data();
    void remind_later_waits_four_days();
    void ignore_stores_the_version();
    void forced_update_refuses_every_close();
    void not_newer_shows_only_close();
    void progress_is_bounded_data();
    void progress_is_bounded();
    void valid_installer_starts_at_once();
    void corrupt_installer_downloads_to_the_version_name();
    void mismatching_download_is_never_started();
    void failed_download_shows_the_way_out();
    void start_up_downloads_then_offers();
    void start_up_download_failure_offers_nothing();
    void main_window_keeps_one_settings_centre();
    void log_out_returns_to_the_login_dialog();

private:
    version_update_info_spt offered(const QString& version, bool forced = false);
    update_guide_widget* open_dialog(const version_update_info_spt& info);
    QStringList recorded_arguments();

    server_fixture server_;
    platform::fake_desktop desktop_;
    QTemporaryDir files_;
    QString record_;
    qint64 now_ = start_of_test;
    int quits_ = 0;
    QStringList started_;
    QList<QPointer<update_guide_widget>> dialogs_;
};

void test_update_flow::initTestCase() {
    init_resources();
    register_meta_types();
    set_current_desktop(&desktop_);
    QVERIFY(server_.start());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    record_ = files_.filePath("installer-arguments");
    qputenv("QUORVEL_INSTALL_RECORD", record_.toUtf8());
    data_center& dc = data_center::instance();
    dc.clear();
    dc.set_token(server_.login("agent", "agent123"));
    QVERIFY(!dc.token().isEmpty());

    shell_actions().now_seconds = [this] { return now_; };
    shell_actions().quit_application = [this] { ++quits_; };
    auto real_start = shell_actions().start_detached;
    shell_actions().start_detached = [this, real_start](const QString& program,
                                                        const QStringList& args) {
        started_ << program;
        return real_start(program, args);
    };
}

void test_update_flow::init() {
    now_ = start_of_test;
    quits_ = 0;
    started_.clear();
    QFile::remove(record_);
    QDir(app_paths::instance().update_dir()).removeRecursively();
}

void test_update_flow::cleanup() {
    for (const QPointer<update_guide_widget>& d : std::as_const(dialogs_))
        delete d.data();
    dialogs_.clear();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(w) || qobject_cast<update_guide_widget*>(w))
            w->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Offers the recording installer as `version` of this system and returns
// what the client's update check reports.
version_update_info_spt test_update_flow::offered(const QString& version, bool forced) {
    const QString path = files_.filePath("installer-" + version);
    if (!write_file(path, recording_installer))
        return {};
    QStringList args = {"update",  "set",  version,
                        path,      "--os", QString::fromLatin1(platform::update_os_name()),
                        "--silent"};
    if (forced)
        args << "--force";
    if (server_.admin(args) != 0)
        return {};
    const QJsonObject data = server_
                                 .get("/tavorine/clientGeneral/checkVersionUpdate",
                                      {{"requestNetworkType", "QRV_EXTRANET"},
                                       {"os", QString::fromLatin1(platform::update_os_name())}},
                                      data_center::instance().token())
                                 .data()
                                 .toObject();
    return version_update_info_t::from_json(data);
}

update_guide_widget* test_update_flow::open_dialog(const version_update_info_spt& info) {
    auto* dialog = new update_guide_widget(info);
    dialogs_ << dialog;
    dialog->show();
    return dialog;
}

QStringList test_update_flow::recorded_arguments() {
    QFile file(record_);
    if (!file.open(QIODevice::ReadOnly))
        return {"<not started>"};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void test_update_flow::each_system_is_offered_its_own_installer() {
    const QString mine = QString::fromLatin1(platform::update_os_name());
    const QString other = mine == "linux" ? "windows" : "linux";
    const QString path = files_.filePath("other-system-installer");
    QVERIFY(write_file(path, "another system's installer"));
    QCOMPARE(server_.admin({"update", "set", "80.0", path, "--os", other}), 0);
    QVERIFY(offered("79.0"));

    http_client client;
    QString message;
    const version_update_info_spt blocking = check_version_update_blocking(client, false, &message);
    QVERIFY2(blocking, qPrintable(message));
    QCOMPARE(blocking->latestVersion, QString("79.0"));
    version_update_info_spt async;
    request_center::instance()->check_version_update(
        false, this, [&](const version_update_info_spt& info) { async = info; },
        [&](const QString& m) { message = m; });
    QTRY_VERIFY_WITH_TIMEOUT(async, 20000);
    QCOMPARE(async->latestVersion, QString("79.0"));
    QCOMPARE(server_.admin({"update", "clear", "--os", other}), 0);
}

void test_update_flow::startup_step_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("forced");
    QTest::addColumn<QString>("ignored");
    QTest::addColumn<bool>("installer_here");
    QTest::addColumn<int>("step");
    const int none = int(startup_update_t::none), notify = int(startup_update_t::notify),
              download = int(startup_update_t::download);
    QTest::newRow("same version") << application_version() << false << "" << false << none;
    QTest::newRow("older") << "0.9" << false << "" << false << none;
    QTest::newRow("newer, nothing here") << "50.0" << false << "" << false << download;
    QTest::newRow("newer, installer here") << "50.0" << false << "" << true << notify;
    QTest::newRow("ignored") << "50.0" << false << "50.0" << true << none;
    QTest::newRow("newer than the ignored") << "50.1" << false << "50.0" << false << download;
    QTest::newRow("forced ignores the ignore") << "50.0" << true << "50.0" << true << notify;
}

void test_update_flow::startup_step() {
    QFETCH(QString, version);
    QFETCH(bool, forced);
    QFETCH(QString, ignored);
    QFETCH(bool, installer_here);
    QFETCH(int, step);
    const version_update_info_spt info = offered(version, forced);
    QVERIFY(info);
    write_ignored_version(app_paths::instance().update_state_file(), ignored);
    if (installer_here)
        QVERIFY(write_file(app_paths::instance().installer_path(version), recording_installer));
    QCOMPARE(int(startup_update_step(info)), step);
}

void test_update_flow::remind_later_waits_four_days_data() {
    QTest::addColumn<qint64>("later");
    QTest::addColumn<bool>("forced");
    QTest::addColumn<bool>("due");
    QTest::newRow("at once") << qint64(0) << false << false;
    QTest::newRow("a second before four days") << qint64(345599) << false << false;
    QTest::newRow("at four days") << qint64(345600) << false << false;
    QTest::newRow("after four days") << qint64(345601) << false << true;
    QTest::newRow("forced at once") << qint64(0) << true << true;
}

void test_update_flow::remind_later_waits_four_days() {
    QFETCH(qint64, later);
    QFETCH(bool, forced);
    QFETCH(bool, due);
    const version_update_info_spt info = offered("60.0");
    QVERIFY(info);
    QVERIFY(update_reminder_due(*info)); // nothing stored yet
    update_guide_widget* dialog = open_dialog(info);
    dialog->later_button()->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(read_remind_time(app_paths::instance().update_state_file()), start_of_test + 345600);
    now_ = start_of_test + later;
    info->isForceUpdate = forced;
    QCOMPARE(update_reminder_due(*info), due);
}

void test_update_flow::ignore_stores_the_version() {
    const version_update_info_spt info = offered("61.0");
    update_guide_widget* dialog = open_dialog(info);
    dialog->ignore_button()->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(read_ignored_version(app_paths::instance().update_state_file()), QString("61.0"));
    QCOMPARE(int(startup_update_step(info)), int(startup_update_t::none));
}

void test_update_flow::forced_update_refuses_every_close() {
    const version_update_info_spt info = offered("62.0", true);
    QVERIFY(info && info->isForceUpdate);
    update_guide_widget* dialog = open_dialog(info);
    QVERIFY(!dialog->ignore_button()->isVisible());
    QVERIFY(!dialog->later_button()->isVisible());
    QVERIFY(dialog->update_button()->isVisible());
    QVERIFY(!dialog->close());
    QTest::keyClick(dialog, Qt::Key_Escape);
    dialog->close_button()->click();
    dialog->cancel_download();
    QVERIFY(dialog->isVisible());
}

void test_update_flow::not_newer_shows_only_close() {
    const version_update_info_spt info = offered(application_version());
    update_guide_widget* dialog = open_dialog(info);
    QCOMPARE(dialog->message_label()->text(), QStringLiteral("当前已是最新版本"));
    QVERIFY(dialog->close_button()->isVisible());
    for (QToolButton* b :
         {dialog->ignore_button(), dialog->later_button(), dialog->update_button()})
        QVERIFY(!b->isVisible());
    dialog->close_button()->click();
    QVERIFY(!dialog->isVisible());
}

void test_update_flow::progress_is_bounded_data() {
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("shown");
    QTest::newRow("half") << qint64(50) << qint64(100) << 50;
    QTest::newRow("no total") << qint64(50) << qint64(-1) << 0;
    QTest::newRow("zero total") << qint64(50) << qint64(0) << 0;
    QTest::newRow("more than the total") << qint64(300) << qint64(100) << 100;
    QTest::newRow("large file") << qint64(3) * 1024 * 1024 * 1024 << qint64(4) * 1024 * 1024 * 1024
                                << 75;
}

void test_update_flow::progress_is_bounded() {
    QFETCH(qint64, received);
    QFETCH(qint64, total);
    QFETCH(int, shown);
    update_guide_widget dialog(version_update_info_spt::create());
    dialog.download_progress("x", received, total);
    QCOMPARE(dialog.progress_bar()->value(), shown);
}

void test_update_flow::valid_installer_starts_at_once() {
    const version_update_info_spt info = offered("63.0");
    const QString standard = app_paths::instance().installer_path("63.0");
    QVERIFY(write_file(standard, recording_installer));
    update_guide_widget* dialog = open_dialog(info);
    dialog->update_button()->click();
    QVERIFY(!dialog->download()); // nothing fetched
    QCOMPARE(started_, QStringList{standard});
    QCOMPARE(quits_, 1);
    const QString prefix = QDir(QCoreApplication::applicationDirPath() + "/..").absolutePath();
    QTRY_COMPARE(recorded_arguments(),
                 QStringList({"--skip-license", "--exclude-subdir", "--prefix=" + prefix}));
}

void test_update_flow::corrupt_installer_downloads_to_the_version_name() {
    const version_update_info_spt info = offered("64.0");
    const QString standard = app_paths::instance().installer_path("64.0");
    QVERIFY(write_file(standard, "truncat"));
    update_guide_widget* dialog = open_dialog(info);
    dialog->update_button()->click();
    QVERIFY(dialog->download());
    QVERIFY(dialog->progress_bar()->isVisible() && dialog->cancel_button()->isVisible());
    QVERIFY(!dialog->update_button()->isVisible() && !dialog->message_label()->isVisible());
    const QString fallback = app_paths::instance().fallback_installer_path("64.0");
    QCOMPARE(dialog->installer_path(), fallback);
    QTRY_COMPARE_WITH_TIMEOUT(started_, QStringList{fallback}, 20000);
    QCOMPARE(quits_, 1);
    QTRY_VERIFY(recorded_arguments().first().startsWith("--"));
    QCOMPARE(sha256_of([&] {
                 QFile f(standard);
                 f.open(QIODevice::ReadOnly);
                 return f.readAll();
             }()),
             sha256_of("truncat")); // left as it was
}

void test_update_flow::mismatching_download_is_never_started() {
    const version_update_info_spt info = offered("65.0");
    info->sha256 = sha256_of("some other installer");
    update_guide_widget* dialog = open_dialog(info);
    dialog->update_button()->click();
    QMessageBox* box = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((box = dialog->findChild<QMessageBox*>()) != nullptr, 20000);
    QCOMPARE(box->text(), QStringLiteral("安装包文件不完整，请重新下载"));
    QVERIFY(started_.isEmpty());
    QCOMPARE(quits_, 0);
    QVERIFY(dialog->isVisible());
    QVERIFY(!QFile::exists(record_));
}

void test_update_flow::failed_download_shows_the_way_out() {
    const version_update_info_spt info = offered("66.0");
    info->fileId = "no-such-file";
    update_guide_widget* dialog = open_dialog(info);
    dialog->update_button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(dialog->website_button()->isVisible(), 20000);
    QCOMPARE(dialog->message_label()->text(),
             QStringLiteral("升级出现问题，请到官网下载或继续使用旧版本"));
    QVERIFY(dialog->close_button()->isVisible());
    QVERIFY(!dialog->progress_bar()->isVisible() && !dialog->cancel_button()->isVisible());
    QVERIFY(started_.isEmpty());
}

void test_update_flow::start_up_downloads_then_offers() {
    data_center::instance().set_version_info(offered("67.0"));
    QPointer<main_widget> window = new main_widget;
    window->check_update_at_start();
    QTRY_VERIFY_WITH_TIMEOUT(window->update_dialog(), 20000);
    QVERIFY(window->update_dialog()->isVisible());
    QVERIFY(app_paths::instance().installer_matches(
        "67.0", data_center::instance().version_info()->sha256));
    QVERIFY(started_.isEmpty()); // offered, not started
    // Postponed: the next start offers nothing.
    window->update_dialog()->later_button()->click();
    QTRY_VERIFY(!window->update_dialog());
    window->check_update_at_start();
    QTest::qWait(0);
    QVERIFY(!window->update_dialog());
    delete window.data();
}

void test_update_flow::start_up_download_failure_offers_nothing() {
    version_update_info_spt info = offered("68.0");
    info->fileId = "no-such-file";
    data_center::instance().set_version_info(info);
    QPointer<main_widget> window = new main_widget;
    window->check_update_at_start();
    auto* download = window->findChild<batch_download*>();
    QVERIFY(download);
    QPointer<batch_download> alive(download);
    QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 20000); // finished and deleted
    QVERIFY(!window->update_dialog());
    delete window.data();
}

void test_update_flow::main_window_keeps_one_settings_centre() {
    QPointer<main_widget> window = new main_widget;
    window->show_setting_center();
    QPointer<settings_widget> first = window->setting_center();
    QVERIFY(first && first->isVisible());
    window->show_setting_center();
    QCOMPARE(window->setting_center(), first.data());
    QCOMPARE(window->findChildren<settings_widget*>().size(), 1);
    first->close(); // deleted on close: the next request builds a new one
    QTRY_VERIFY(first.isNull());
    QVERIFY(!window->setting_center());
    window->show_setting_center();
    QVERIFY(window->setting_center());

    window->on_contact_support();
    auto* contact = window->findChild<contact_support_dialog*>();
    QVERIFY(contact && contact->isVisible());
    delete window.data();
}

void test_update_flow::log_out_returns_to_the_login_dialog() {
    const QString cached = app_paths::instance().cache_dir() + "kept.bin";
    QVERIFY(write_file(cached, "cache"));
    QPointer<main_widget> window = new main_widget;
    window->show();
    window->show_setting_center();
    auto* account = window->setting_center()->page<account_setting_widget>(0);
    account->logout_button()->click();
    QTRY_VERIFY(window.isNull());
    QVERIFY(data_center::instance().token().isEmpty());
    QVERIFY(QFile::exists(cached));
    login_widget* login = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* l = qobject_cast<login_widget*>(w); l && l->isVisible())
            login = l;
    QVERIFY(login);
    delete login;
    data_center::instance().set_token(server_.login("agent", "agent123"));
}

QTEST_MAIN(test_update_flow)
#include "test_update_flow.moc"
