// The self-update through quorvel-server with a small recording installer,
// signed as a publisher signs it, and the main window's entries into the
// settings centre.
#include "app/app_paths.h"
#include "app/settings_store.h"
#include "app/versions.h"
#include "integration/current_desktop.h"
#include "model/data_center.h"
#include "model/records.h"
#include "model/session_state.h"
#include "net/blocking_requests.h"
#include "net/connection_state.h"
#include "net/http_client.h"
#include "net/request_center.h"
#include "platform/fake/fake_desktop.h"
#include "platform/installer.h"
#include "resources/resources.h"
#include "server_fixture.h"
#include "session/session.h"
#include "signing/update_public_key.h"
#include "signing/update_signature.h"
#include "sync/batch_download.h"
#include "test_files.h"
#include "ui/contact_support_dialog.h"
#include "ui/login_widget.h"
#include "ui/main_widget.h"
#include "ui/session_windows.h"
#include "ui/settings/account_setting_widget.h"
#include "ui/settings/settings_widget.h"
#include "ui/shell_actions.h"
#include "ui/update/update_guide_widget.h"
#include "ui/update/update_notice.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QToolButton>
#include <QtTest>
#include <spdlog/sinks/ringbuffer_sink.h>
#include <spdlog/spdlog.h>

using namespace quorvel;

namespace {

using test_support::read_file;
using test_support::write_file;

constexpr qint64 start_of_test = 2000000000; // the injected clock's "now"

// Writes its arguments, one a line, into the file named by QUORVEL_INSTALL_RECORD.
const QByteArray recording_installer =
    "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$QUORVEL_INSTALL_RECORD.tmp\"\n"
    "mv \"$QUORVEL_INSTALL_RECORD.tmp\" \"$QUORVEL_INSTALL_RECORD\"\n";

QString sha256_of(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// How an offer's installer is signed.
enum class signing_t { publisher, none, other_key, other_bytes };

// Every file below a folder, so a test sees what appeared anywhere.
QStringList files_below(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    out.sort();
    return out;
}

// What the update folder holds besides its state file.
QStringList installers_here() {
    QStringList out = QDir(app_paths::instance().update_dir()).entryList(QDir::Files);
    out.removeAll("st.cfg");
    return out;
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
    void hostile_version_stays_in_the_update_folder_data();
    void hostile_version_stays_in_the_update_folder();
    void unsigned_or_wrongly_signed_offer_is_refused_data();
    void unsigned_or_wrongly_signed_offer_is_refused();
    void start_up_refuses_a_wrong_signature_once();
    void installer_present_with_a_wrong_signature_is_refused();
    void size_is_capped_before_and_during_the_download_data();
    void size_is_capped_before_and_during_the_download();
    void saved_offer_waits_until_online();
    void main_window_keeps_one_settings_centre();
    void log_out_returns_to_the_login_dialog();

private:
    version_update_info_spt offered(const QString& version, bool forced = false,
                                    signing_t signing = signing_t::publisher);
    bool logged(const std::string& text) const;
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
    std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt> log_;
};

void test_update_flow::initTestCase() {
    // Offers are signed with the build tree's key; a build with the
    // publisher's key has no private key to sign them with here.
    if (parse_update_key(read_file(QUORVEL_TEST_UPDATE_PUBLIC_KEY), update_public_key_size) !=
        update_public_key())
        QSKIP("built with the publisher's update key (QUORVEL_UPDATE_PUBLIC_KEY)");
    log_ = std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(500);
    log_->set_pattern("%v");
    spdlog::default_logger()->sinks().push_back(log_);
    init_resources();
    register_meta_types();
    set_current_desktop(&desktop_);
    QVERIFY(server_.start());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    record_ = files_.filePath("installer-arguments");
    qputenv("QUORVEL_INSTALL_RECORD", record_.toUtf8());
    data_center& dc = data_center::instance();
    dc.clear();
    session_state::instance().set_token(server_.login("agent", "agent123"));
    QVERIFY(!session_state::instance().token().isEmpty());

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
    connection_state::instance().set_offline(false);
    data_center::instance().set_version_info({});
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

// Offers the recording installer as `version` of this system, signed as
// told, and returns what the client's update check reports.
version_update_info_spt test_update_flow::offered(const QString& version, bool forced,
                                                  signing_t signing) {
    const QString path = files_.filePath("installer-" + version);
    const QString signature = path + ".sig";
    if (!write_file(path, recording_installer))
        return {};
    QStringList args = {"update",  "set",  version,
                        path,      "--os", QString::fromLatin1(platform::update_os_name()),
                        "--silent"};
    if (forced)
        args << "--force";
    const QByteArray test_seed = parse_private_key(read_file(QUORVEL_TEST_UPDATE_PRIVATE_KEY));
    switch (signing) {
    case signing_t::publisher:
        if (QProcess::execute(QUORVEL_SIGN_PATH,
                              {"sign", QUORVEL_TEST_UPDATE_PRIVATE_KEY, path, signature}) != 0)
            return {};
        break;
    case signing_t::none:
        break;
    case signing_t::other_key:
        write_file(signature,
                   sign_update(recording_installer, make_update_key_pair().seed).toBase64());
        break;
    case signing_t::other_bytes:
        write_file(signature, sign_update("another installer", test_seed).toBase64());
        break;
    }
    if (signing != signing_t::none)
        args << "--signature" << signature;
    if (server_.admin(args) != 0)
        return {};
    const QJsonObject data = server_
                                 .get("/tavorine/clientGeneral/checkVersionUpdate",
                                      {{"requestNetworkType", "QRV_EXTRANET"},
                                       {"os", QString::fromLatin1(platform::update_os_name())}},
                                      session_state::instance().token())
                                 .data()
                                 .toObject();
    return version_update_info_t::from_json(data);
}

bool test_update_flow::logged(const std::string& text) const {
    for (const std::string& line : log_->last_formatted())
        if (line.find(text) != std::string::npos)
            return true;
    return false;
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
    QCOMPARE(installers_here(), QStringList()); // the download is not kept
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

void test_update_flow::hostile_version_stays_in_the_update_folder_data() {
    QTest::addColumn<QString>("version");
    QTest::newRow("climbs out") << "99.0/../../x";
    QTest::newRow("climbs far") << "99.0/../../../../../../../../../../tmp/quorvel-update-x";
    QTest::newRow("absolute") << "/tmp/quorvel-update-x";
    QTest::newRow("backslashes") << "99.0\\..\\..\\x";
    QTest::newRow("not numbers") << "99.0-beta";
}

// The offered version names the installer's file: one that is not dotted
// numbers is refused before anything is written, even for a forced update.
void test_update_flow::hostile_version_stays_in_the_update_folder() {
    QFETCH(QString, version);
    const version_update_info_spt info = offered("71.0", true);
    QVERIFY(info);
    info->latestVersion = version;
    data_center::instance().set_version_info(info);
    // Anywhere in the test's private folders: no installer of that name.
    auto installers_anywhere = [] {
        QStringList found = files_below(QDir::homePath() + "/..").filter("_installer");
        for (const char* name : {"/tmp/quorvel-update-x_installer.sh", "/tmp/quorvel-update-x.sh",
                                 "/tmp/quorvel-update-x_installer.exe"})
            if (QFile::exists(name))
                found << name;
        return found;
    };
    const QStringList before = installers_anywhere();

    QCOMPARE(int(startup_update_step(info)), int(startup_update_t::none));
    QPointer<main_widget> window = new main_widget;
    window->check_update_at_start();
    QVERIFY(!window->findChild<batch_download*>());
    QVERIFY(!window->update_dialog());
    delete window.data();

    update_guide_widget* dialog = open_dialog(info); // as the manual check shows it
    QVERIFY(dialog->refused());
    QCOMPARE(dialog->message_label()->text(), QStringLiteral("更新版本号无效"));
    QVERIFY(!dialog->update_button()->isVisible());
    QVERIFY(dialog->close_button()->isVisible());
    dialog->update_now();
    QVERIFY(!dialog->download());
    QVERIFY(dialog->close()); // a refused offer is no forced update

    QVERIFY(logged("update offer refused, its version is not dotted numbers: " +
                   version.toStdString()));
    QCOMPARE(installers_anywhere(), before);
    QVERIFY(started_.isEmpty());
}

void test_update_flow::unsigned_or_wrongly_signed_offer_is_refused_data() {
    QTest::addColumn<int>("signing");
    QTest::addColumn<QString>("signature"); // replaces the offered one when set
    QTest::addColumn<bool>("forced");
    QTest::addColumn<bool>("downloaded"); // refused only once the installer is here
    QTest::addColumn<bool>("sized");      // an older server sends no size
    const int none = int(signing_t::none), other_key = int(signing_t::other_key),
              other_bytes = int(signing_t::other_bytes);
    QTest::newRow("unsigned") << none << "" << false << false << true;
    QTest::newRow("unsigned, no size") << none << "" << false << false << false;
    QTest::newRow("unsigned, forced") << none << "" << true << false << true;
    QTest::newRow("not a signature")
        << int(signing_t::publisher) << "bm90IGEgc2lnbmF0dXJl" << false << false << true;
    QTest::newRow("another key") << other_key << "" << false << true << true;
    QTest::newRow("another key, forced") << other_key << "" << true << true << true;
    QTest::newRow("other bytes") << other_bytes << "" << false << true << true;
}

// Nothing starts whose signature does not verify: the dialog says so, the
// download is removed, and the offer is not tried again.
void test_update_flow::unsigned_or_wrongly_signed_offer_is_refused() {
    QFETCH(int, signing);
    QFETCH(QString, signature);
    QFETCH(bool, forced);
    QFETCH(bool, downloaded);
    QFETCH(bool, sized);
    const version_update_info_spt info = offered("72.0", forced, signing_t(signing));
    QVERIFY(info);
    if (!sized)
        info->fileSize = 0;
    if (!signature.isEmpty())
        info->signature = signature;
    update_guide_widget* dialog = open_dialog(info);
    QCOMPARE(dialog->refused(), !downloaded);
    if (downloaded) {
        QVERIFY(dialog->update_button()->isVisible());
        dialog->update_button()->click();
        QVERIFY(dialog->download());
        QTRY_VERIFY_WITH_TIMEOUT(dialog->refused(), 20000);
        QVERIFY(logged("the installer's signature does not verify"));
    } else {
        QVERIFY(logged("update 72.0 refused, it carries no valid signature"));
    }
    QCOMPARE(dialog->message_label()->text(), QStringLiteral("更新包签名无效"));
    QVERIFY(dialog->message_label()->isVisible());
    QVERIFY(dialog->close_button()->isVisible());
    for (QWidget* w : std::initializer_list<QWidget*>{
             dialog->update_button(), dialog->ignore_button(), dialog->later_button(),
             dialog->cancel_button(), dialog->progress_bar()})
        QVERIFY(!w->isVisible());
    QVERIFY(started_.isEmpty());
    QCOMPARE(quits_, 0);
    QCOMPARE(installers_here(), QStringList());
    // Not downloaded and refused again at the next start.
    QCOMPARE(int(startup_update_step(info)), int(startup_update_t::none));
    dialog->close_button()->click();
    QVERIFY(!dialog->isVisible());
}

void test_update_flow::start_up_refuses_a_wrong_signature_once() {
    data_center::instance().set_version_info(offered("73.0", true, signing_t::other_key));
    QPointer<main_widget> window = new main_widget;
    window->check_update_at_start();
    QVERIFY(window->findChild<batch_download*>());
    QTRY_VERIFY_WITH_TIMEOUT(window->update_dialog(), 20000);
    QVERIFY(window->update_dialog()->refused());
    QCOMPARE(window->update_dialog()->message_label()->text(), QStringLiteral("更新包签名无效"));
    QCOMPARE(installers_here(), QStringList());
    window->update_dialog()->close_button()->click();
    QTRY_VERIFY(!window->update_dialog());
    // The next start neither downloads nor asks.
    window->check_update_at_start();
    QVERIFY(!window->findChild<batch_download*>());
    QVERIFY(!window->update_dialog());
    delete window.data();
    QVERIFY(started_.isEmpty());
}

// An installer already here whose hash is right but whose signature is not
// (the offer's signature changed, or the file was put there) is refused too.
void test_update_flow::installer_present_with_a_wrong_signature_is_refused() {
    const version_update_info_spt info = offered("74.0");
    const QString standard = app_paths::instance().installer_path("74.0");
    QVERIFY(write_file(standard, recording_installer));
    info->signature = QString::fromLatin1(
        sign_update(recording_installer, make_update_key_pair().seed).toBase64());
    update_guide_widget* dialog = open_dialog(info);
    dialog->update_button()->click();
    QVERIFY(!dialog->download());
    QVERIFY(dialog->refused());
    QCOMPARE(dialog->message_label()->text(), QStringLiteral("更新包签名无效"));
    QVERIFY(started_.isEmpty());
    QVERIFY(!QFile::exists(standard));
}

void test_update_flow::size_is_capped_before_and_during_the_download_data() {
    QTest::addColumn<qint64>("size"); // the offered size; 0 keeps the real one
    QTest::addColumn<bool>("refused_at_once");
    QTest::newRow("no size") << qint64(-1) << true;
    QTest::newRow("above the cap") << qint64(1) << true;
    QTest::newRow("smaller than the file") << qint64(10) << false;
}

void test_update_flow::size_is_capped_before_and_during_the_download() {
    QFETCH(qint64, size);
    QFETCH(bool, refused_at_once);
    const version_update_info_spt info = offered("75.0");
    QCOMPARE(info->fileSize, qint64(recording_installer.size()));
    info->fileSize = size < 0 ? 0 : size == 1 ? (qint64(1) << 30) + 1 : size;
    update_guide_widget* dialog = open_dialog(info);
    QCOMPARE(dialog->refused(), refused_at_once);
    if (refused_at_once) {
        QCOMPARE(dialog->message_label()->text(), QStringLiteral("更新包大小无效"));
        dialog->update_now();
        QVERIFY(!dialog->download());
    } else {
        dialog->update_button()->click();
        QVERIFY(dialog->download());
        QTRY_VERIFY_WITH_TIMEOUT(dialog->website_button()->isVisible(), 20000);
        QVERIFY(logged("is larger than 10 bytes"));
    }
    QCOMPARE(installers_here(), QStringList());
    QVERIFY(started_.isEmpty());
}

// The offline library brings the last offer back; it cannot be installed
// offline, so it waits until the client is online again.
void test_update_flow::saved_offer_waits_until_online() {
    const version_update_info_spt info = offered("76.0", true);
    QVERIFY(write_file(app_paths::instance().installer_path("76.0"), recording_installer));
    data_center::instance().set_version_info(info);
    connection_state::instance().set_offline(true);
    QPointer<main_widget> window = new main_widget;
    window->check_update_at_start();
    window->notify_update();
    QVERIFY(!window->update_dialog());
    QVERIFY(!window->findChild<batch_download*>());
    connection_state::instance().set_offline(false);
    window->check_update_at_start();
    QVERIFY(window->update_dialog());
    QVERIFY(window->update_dialog()->isVisible());
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

namespace {

login_widget* shown_login() {
    login_widget* login = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* l = qobject_cast<login_widget*>(w); l && l->isVisible())
            login = l;
    return login;
}

} // namespace

void test_update_flow::log_out_returns_to_the_login_dialog() {
    const QString cached = app_paths::instance().cache_dir() + "kept.bin";
    QVERIFY(write_file(cached, "cache"));
    // A main window of a session, opened straight from its login dialog.
    session_windows windows;
    session owner(windows);
    owner.start();
    login_widget* first = shown_login();
    QVERIFY(first);
    delete first;
    owner.logged_in_offline();
    QPointer<main_widget> window;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<main_widget*>(w); main && main->isVisible())
            window = main;
    QVERIFY(window);
    window->show_setting_center();
    auto* account = window->setting_center()->page<account_setting_widget>(0);
    account->logout_button()->click();
    QTRY_VERIFY(window.isNull());
    QVERIFY(session_state::instance().token().isEmpty());
    QVERIFY(QFile::exists(cached));
    login_widget* login = shown_login();
    QVERIFY(login);
    QCOMPARE(owner.phase(), session_phase::logging_in);
    delete login;
    session_state::instance().set_token(server_.login("agent", "agent123"));
}

QTEST_MAIN(test_update_flow)
#include "test_update_flow.moc"
