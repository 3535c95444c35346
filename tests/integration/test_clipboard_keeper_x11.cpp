// End to end on X11: another client owns the clipboard with text, an image,
// a file list and a named format; a script is delivered into the stand-in
// chat application; afterwards the clipboard offers what it offered before.
#include "app/app_paths.h"
#include "app/settings_store.h"
#include "integration/current_desktop.h"
#include "integration/delivery.h"
#include "model/data_center.h"
#include "sync/cache_manager.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace quorvel;

namespace {

QList<QJsonObject> read_log(const QString& path, const QString& kind) {
    QList<QJsonObject> events;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.isEmpty()) {
                const QJsonObject e = QJsonDocument::fromJson(line).object();
                if (e.value("event").toString() == kind)
                    events << e;
            }
    return events;
}

// Runs a program to its end while this process keeps serving its own
// clipboard (a blocking wait would leave the reader hanging).
QByteArray run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 15000)
        QTest::qWait(5);
    return process.readAllStandardOutput();
}

// The clipboard as a third client sees it: every target and its bytes.
QMap<QString, QByteArray> offered() {
    QMap<QString, QByteArray> out;
    const QStringList targets =
        QString::fromUtf8(run("xclip", {"-selection", "clipboard", "-o", "-t", "TARGETS"}))
            .split('\n', Qt::SkipEmptyParts);
    for (const QString& target : targets)
        if (!QStringList{"TARGETS", "TIMESTAMP", "MULTIPLE", "SAVE_TARGETS"}.contains(target))
            out.insert(target, run("xclip", {"-selection", "clipboard", "-o", "-t", target}));
    return out;
}

} // namespace

class test_clipboard_keeper_x11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void users_formats_come_back_after_a_script();
    void a_copy_made_during_the_delay_stays();

private:
    window_handle_t start_standin(QString* log);
    bool own_clipboard(const QMap<QString, QByteArray>& formats);
    void set_delay(int ms);

    QTemporaryDir dir_;
    QList<std::shared_ptr<QProcess>> processes_;
    QString image_;
    QString script_;
};

void test_clipboard_keeper_x11::initTestCase() {
    QVERIFY2(qgetenv("QT_QPA_PLATFORM") == "xcb", "runs on a real X display");
    auto profile = user_login_info_spt::create();
    profile->account = "agent";
    data_center::instance().set_login_user(profile);
    image_ =
        cache_manager::instance()->path_by_id("clouddoc", "78", QStringLiteral("产品图"), "png");
    QDir().mkpath(QFileInfo(image_).absolutePath());
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::green);
    QVERIFY(image.save(image_));
    script_ = QStringLiteral("<p>第一段</p><p>请看<a "
                             "href=\"%1?tovk_fileId=78&amp;tovk_name=产品图&amp;tovk_suffix=png\">"
                             "产品图.png</a></p>")
                  .arg(file_store_placeholder);
}

void test_clipboard_keeper_x11::set_delay(int ms) {
    const auto settings = open_ini(app_paths::instance().settings_file());
    settings->setValue(setting_keys::advance_clipboard_delay, ms);
    settings->sync();
}

void test_clipboard_keeper_x11::cleanup() {
    for (const auto& p : processes_) {
        p->kill();
        p->waitForFinished(3000);
    }
    processes_.clear();
}

window_handle_t test_clipboard_keeper_x11::start_standin(QString* log) {
    static int count = 0;
    *log = dir_.filePath(QStringLiteral("wecom-%1.jsonl").arg(++count));
    auto process = std::make_shared<QProcess>();
    process->start(QUORVEL_STANDIN, {"--kind", "wecom", "--log", *log});
    processes_ << process;
    window_handle_t window = 0;
    QElapsedTimer clock;
    clock.start();
    while (!window && clock.elapsed() < 10000) {
        const auto started = read_log(*log, "started");
        if (!started.isEmpty())
            window = started.first().value("window").toString().toULongLong();
        QTest::qWait(20);
    }
    QTest::qWait(300);
    return window;
}

// Another client takes the clipboard with these formats.
bool test_clipboard_keeper_x11::own_clipboard(const QMap<QString, QByteArray>& formats) {
    static int count = 0;
    QStringList args;
    for (auto it = formats.begin(); it != formats.end(); ++it) {
        QFile file(dir_.filePath(QStringLiteral("format-%1-%2").arg(++count).arg(args.size())));
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
            return false;
        args << it.key() + '=' + file.fileName();
    }
    auto process = std::make_shared<QProcess>();
    process->start(QUORVEL_CLIPBOARD_OWNER, args);
    processes_ << process;
    QElapsedTimer clock;
    clock.start();
    QByteArray out;
    while (!out.contains("owning") && clock.elapsed() < 10000) {
        QTest::qWait(10);
        out += process->readAllStandardOutput();
    }
    return out.contains("owning");
}

void test_clipboard_keeper_x11::users_formats_come_back_after_a_script() {
    QFile png(image_);
    QVERIFY(png.open(QIODevice::ReadOnly));
    const QByteArray uri =
        QUrl::fromLocalFile(QStringLiteral("/home/agent/发票 三月.pdf")).toEncoded();
    QVERIFY(own_clipboard({{"text/plain", QStringLiteral("订单号 A-1024").toUtf8()},
                           {"text/html", "<b>A-1024</b>"},
                           {"image/png", png.readAll()},
                           {"text/uri-list", uri + "\r\n"},
                           {"x-special/gnome-copied-files", "copy\n" + uri},
                           {"application/x-qt-windows-mime;value=\"Quorvel_Note\"",
                            QByteArray("\x00\x01\xff note", 8)}}));
    const QMap<QString, QByteArray> before = offered();
    QVERIFY2(before.contains("image/png") && before.contains("UTF8_STRING") &&
                 before.contains("text/uri-list"),
             qPrintable(QStringList(before.keys()).join(' ')));

    QString log;
    const window_handle_t window = start_standin(&log);
    QVERIFY(window);
    set_delay(300);
    delivery d(current_desktop());
    QSignalSpy restored(&d.keeper(), &clipboard_keeper::restore_done);
    d.send_script(window, script_);
    QVERIFY(restored.wait(5000));
    QCOMPARE(restored.first().first().toBool(), true);

    // Every segment arrived as it would have without the keeping.
    QTRY_COMPARE(read_log(log, "send").size(), 1);
    const auto pastes = read_log(log, "paste");
    QCOMPARE(pastes.size(), 4);
    QCOMPARE(pastes[0].value("text").toString(), QStringLiteral("第一段"));
    QCOMPARE(pastes[1].value("text").toString(), QStringLiteral("\n"));
    QCOMPARE(pastes[2].value("text").toString(), QStringLiteral("请看"));
    QCOMPARE(pastes[3].value("files").toArray().first().toString(), image_);
    QCOMPARE(read_log(log, "send").first().value("text").toString(),
             QStringLiteral("第一段\n请看"));

    const QMap<QString, QByteArray> after = offered();
    for (auto it = before.begin(); it != before.end(); ++it) {
        QVERIFY2(after.contains(it.key()), qPrintable("missing after the restore: " + it.key()));
        QVERIFY2(after.value(it.key()) == it.value(), qPrintable("bytes differ: " + it.key()));
    }
}

void test_clipboard_keeper_x11::a_copy_made_during_the_delay_stays() {
    QVERIFY(own_clipboard({{"text/plain", "A-1024"}}));
    QString log;
    const window_handle_t window = start_standin(&log);
    QVERIFY(window);
    // Long enough for the other client to start within it.
    set_delay(5000);
    delivery d(current_desktop());
    QSignalSpy restored(&d.keeper(), &clipboard_keeper::restore_done);
    d.send_script(window, script_);
    // The agent copies the next order number in another program meanwhile.
    QVERIFY(own_clipboard({{"text/plain", "A-2048"}}));
    QVERIFY(restored.wait(10000));
    QCOMPARE(restored.first().first().toBool(), false);
    QCOMPARE(run("xclip", {"-selection", "clipboard", "-o"}), QByteArray("A-2048"));
}

QTEST_MAIN(test_clipboard_keeper_x11)
#include "test_clipboard_keeper_x11.moc"
