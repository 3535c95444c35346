// The X11 desktop against real windows of the stand-in chat application.
#include "platform/desktop.h"
#include "platform/global_hotkey.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <memory>

using namespace quorvel;
using namespace quorvel::platform;

namespace {

struct standin_t {
    std::shared_ptr<QProcess> process;
    QString log;
    window_handle_t window = 0;
};

QList<QJsonObject> read_log(const QString& path) {
    QList<QJsonObject> events;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.isEmpty())
                events << QJsonDocument::fromJson(line).object();
    return events;
}

QList<QJsonObject> sends(const QString& path) {
    QList<QJsonObject> out;
    for (const QJsonObject& e : read_log(path))
        if (e.value("event").toString() == "send")
            out << e;
    return out;
}

void xdotool(const QStringList& args) {
    QProcess::execute("xdotool", args);
}

} // namespace

class test_x11_desktop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void events_and_queries();
    void foreground_again_after_no_active_window();
    void resizes_report_the_settled_size();
    void delivery_data();
    void delivery();
    void delivery_to_a_minimised_window_with_alt_held();
    void hotkeys_with_lock_keys();

private:
    standin_t start(const QStringList& args, const QString& name);
    bool wait_for_event(window_event_kind kind, window_handle_t w, int ms = 5000);

    std::unique_ptr<desktop> desktop_;
    std::unique_ptr<window_event_source> events_;
    QMutex mutex_;
    QList<window_event_t> seen_;
    // The size read as each location event of this window arrives, the way
    // docking reads it.
    std::atomic<window_handle_t> measured_{0};
    QSize measured_size_;
    QTemporaryDir dir_;
    QList<standin_t> standins_;
};

void test_x11_desktop::initTestCase() {
    QVERIFY2(qgetenv("QT_QPA_PLATFORM") == "xcb", "runs on a real X display");
    desktop_ = create_desktop();
    events_ = create_window_event_source();
    QVERIFY(events_->start([this](const window_event_t& e) {
        QRect rect;
        qreal scale = 1.0;
        const bool measure = e.kind == window_event_kind::location && e.window == measured_ &&
                             desktop_->client_rect(e.window, &rect, &scale);
        QMutexLocker lock(&mutex_);
        seen_ << e;
        if (measure)
            measured_size_ = rect.size();
    }));
}

void test_x11_desktop::cleanup() {
    for (standin_t& s : standins_) {
        s.process->kill();
        s.process->waitForFinished(3000);
    }
    standins_.clear();
}

standin_t test_x11_desktop::start(const QStringList& args, const QString& name) {
    standin_t s;
    static int started = 0; // every stand-in writes a log of its own
    s.log = dir_.filePath(QStringLiteral("%1-%2.jsonl").arg(name).arg(++started));
    s.process = std::make_shared<QProcess>();
    s.process->start(QUORVEL_STANDIN, args + QStringList{"--log", s.log});
    QElapsedTimer clock;
    clock.start();
    while (!s.window && clock.elapsed() < 10000) {
        for (const QJsonObject& e : read_log(s.log))
            if (e.value("event").toString() == "started")
                s.window = e.value("window").toString().toULongLong();
        QTest::qWait(20);
    }
    // Until the window manager has it mapped and focused.
    QTest::qWait(300);
    standins_ << s;
    return s;
}

bool test_x11_desktop::wait_for_event(window_event_kind kind, window_handle_t w, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        {
            QMutexLocker lock(&mutex_);
            for (const window_event_t& e : seen_)
                if (e.kind == kind && e.window == w)
                    return true;
        }
        QTest::qWait(10);
    }
    return false;
}

void test_x11_desktop::events_and_queries() {
    const standin_t a = start({"--kind", "wecom"}, "a");
    QVERIFY(a.window);
    QVERIFY(wait_for_event(window_event_kind::show, a.window));
    QCOMPARE(desktop_->class_name(a.window), QString("WeWorkWindow"));
    QCOMPARE(desktop_->title(a.window), QStringLiteral("企业微信"));
    QCOMPARE(desktop_->process_id(a.window), a.process->processId());
    QVERIFY(desktop_->is_window(a.window) && desktop_->is_visible(a.window));

    xdotool({"windowmove", QString::number(a.window), "300", "200"});
    QVERIFY(wait_for_event(window_event_kind::location, a.window));
    QRect rect;
    qreal scale = 0;
    QTRY_VERIFY(desktop_->client_rect(a.window, &rect, &scale) && rect.x() >= 300 &&
                rect.x() < 330);
    QCOMPARE(rect.size(), QSize(640, 480));
    QCOMPARE(scale, 1.0);

    const standin_t b = start({"--kind", "wechat-qt"}, "b");
    QVERIFY(wait_for_event(window_event_kind::foreground, b.window));
    QCOMPARE(desktop_->class_name(b.window), QString("Qt51514QWindowIcon"));
    QCOMPARE(desktop_->next_below(b.window), a.window); // z-order
    QVERIFY(desktop_->bring_to_front(a.window));
    QCOMPARE(desktop_->foreground_window(), a.window);
    QVERIFY(wait_for_event(window_event_kind::foreground, a.window));
    QCOMPARE(desktop_->next_below(a.window), b.window);

    xdotool({"windowminimize", QString::number(a.window)});
    QVERIFY(wait_for_event(window_event_kind::hide, a.window));
    QTRY_VERIFY(desktop_->is_minimised(a.window));
}

// The desktop clicked leaves no active window; activating the same chat
// window again is a foreground change like any other.
void test_x11_desktop::foreground_again_after_no_active_window() {
    const standin_t a = start({"--kind", "wecom"}, "a");
    QVERIFY(desktop_->bring_to_front(a.window));
    QVERIFY(wait_for_event(window_event_kind::foreground, a.window));
    xdotool({"windowminimize", QString::number(a.window)}); // nothing else to activate
    QVERIFY(wait_for_event(window_event_kind::hide, a.window));
    QTRY_VERIFY(desktop_->foreground_window() != a.window);
    {
        QMutexLocker lock(&mutex_);
        seen_.clear();
    }
    QVERIFY(desktop_->bring_to_front(a.window));
    QVERIFY(wait_for_event(window_event_kind::foreground, a.window));
}

// The window manager resizes the frame first and the client after it: the
// last event of a resize must come when the client has its new size.
void test_x11_desktop::resizes_report_the_settled_size() {
    const standin_t a = start({"--kind", "wecom"}, "a");
    measured_ = a.window;
    auto measured = [this] {
        QMutexLocker lock(&mutex_);
        return measured_size_;
    };
    for (int i = 0; i < 40; ++i) {
        const QSize size(500 + (i % 2) * 60 + i, 360 + (i % 3) * 40);
        xdotool({"windowsize", QString::number(a.window), QString::number(size.width()),
                 QString::number(size.height())});
        QTRY_COMPARE_WITH_TIMEOUT(measured(), size, 3000);
    }
    measured_ = 0;
}

void test_x11_desktop::delivery_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("send_key");
    for (const char* kind : {"text", "file", "rich"})
        for (const char* key : {"enter", "ctrl-enter"})
            QTest::newRow(qPrintable(QString("%1 %2").arg(kind, key)))
                << QString(kind) << QString(key);
}

void test_x11_desktop::delivery() {
    QFETCH(QString, kind);
    QFETCH(QString, send_key);
    const standin_t target = start({"--send-key", send_key}, "target");
    const standin_t decoy = start({}, "decoy"); // active when the delivery starts
    QCOMPARE(desktop_->foreground_window(), decoy.window);

    const QString file = dir_.filePath(QStringLiteral("报价 单.pdf"));
    const QByteArray rich =
        QStringLiteral("<WeChatRichEditFormat><EditElement type=\"0\"><![CDATA[您好]]>"
                       "</EditElement></WeChatRichEditFormat>")
            .toUtf8();
    if (kind == "text")
        QVERIFY(desktop_->set_clipboard_text(QStringLiteral("你好，世界")));
    else if (kind == "file")
        QVERIFY(desktop_->set_clipboard_files({file}));
    else
        QVERIFY(desktop_->set_clipboard_bytes("WeChat_RichEdit_Format", rich));

    QVERIFY(desktop_->bring_to_front(target.window));
    desktop_->release_held_modifiers();
    desktop_->paste_chord();
    QTest::qWait(100); // the owner serves the clipboard meanwhile
    if (send_key == "enter")
        desktop_->enter();
    else
        desktop_->ctrl_enter();
    QTRY_COMPARE(sends(target.log).size(), 1);
    const QJsonObject sent = sends(target.log).first();
    QCOMPARE(sent.value("key").toString(), send_key);
    if (kind == "text")
        QCOMPARE(sent.value("text").toString(), QStringLiteral("你好，世界"));
    else if (kind == "file")
        QCOMPARE(sent.value("files").toArray().first().toString(), file);
    else
        QCOMPARE(sent.value("rich").toString().toUtf8(), rich);
    QVERIFY(sends(decoy.log).isEmpty());
    for (const QJsonObject& e : read_log(decoy.log))
        QVERIFY(e.value("event").toString() != "paste");
}

void test_x11_desktop::delivery_to_a_minimised_window_with_alt_held() {
    const standin_t target = start({}, "minimised");
    start({}, "other");
    xdotool({"windowminimize", QString::number(target.window)});
    QTRY_VERIFY(desktop_->is_minimised(target.window));

    QVERIFY(desktop_->set_clipboard_text(QStringLiteral("恢复后收到")));
    xdotool({"keydown", "alt"}); // the Alt of the hotkey that started the send
    QVERIFY(desktop_->bring_to_front(target.window));
    QVERIFY(!desktop_->is_minimised(target.window));
    desktop_->release_held_modifiers();
    desktop_->paste_chord();
    QTest::qWait(100);
    desktop_->enter();
    xdotool({"keyup", "alt"});
    QTRY_COMPARE(sends(target.log).size(), 1);
    QCOMPARE(sends(target.log).first().value("text").toString(), QStringLiteral("恢复后收到"));
}

void test_x11_desktop::hotkeys_with_lock_keys() {
    global_hotkey alt_z;
    QVERIFY(alt_z.setShortcut(QKeySequence("Alt+Z"), true));
    QVERIFY(alt_z.isRegistered());
    QSignalSpy fired(&alt_z, &global_hotkey::activated);
    xdotool({"key", "alt+z"});
    QTRY_COMPARE(fired.count(), 1);
    xdotool({"key", "Num_Lock"});
    xdotool({"key", "alt+z"});
    QTRY_COMPARE(fired.count(), 2);
    xdotool({"key", "Caps_Lock"});
    xdotool({"key", "alt+z"});
    QTRY_COMPARE(fired.count(), 3);
    xdotool({"key", "Caps_Lock"});
    xdotool({"key", "Num_Lock"});
    xdotool({"key", "ctrl+alt+z"});
    QTest::qWait(200);
    QCOMPARE(fired.count(), 3);

    // A key another program holds is refused.
    QProcess holder;
    holder.start(QUORVEL_HOTKEY_HOLDER, {"alt+q"});
    QVERIFY(holder.waitForReadyRead(10000));
    global_hotkey alt_q;
    QVERIFY(!alt_q.setShortcut(QKeySequence("Alt+Q"), true));
    QVERIFY(!alt_q.isRegistered());
    holder.kill();
    holder.waitForFinished(3000);
}

QTEST_MAIN(test_x11_desktop)
#include "test_x11_desktop.moc"
