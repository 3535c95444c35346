// Delivery sequences and their pauses, against the recording fake.
#include "app/app_paths.h"
#include "app/settings_store.h"
#include "integration/current_desktop.h"
#include "integration/delivery.h"
#include "platform/fake/fake_desktop.h"

#include <QImage>
#include <QtTest>

using namespace quorvel;
using namespace quorvel::platform;

namespace {

// The recorded calls, key events folded into chord names.
QStringList steps(const fake_desktop& d) {
    QStringList out;
    QStringList keys;
    for (const auto& c : d.calls()) {
        if (c.name == "key") {
            keys << c.args[0].toString() + (c.args[1].toBool() ? "+" : "-");
            const QString chord = keys.join(' ');
            if (chord == "control+ v+ v- control-")
                out << "paste", keys.clear();
            else if (chord == "enter+ enter-")
                out << "enter", keys.clear();
            else if (chord == "control+ enter+ enter- control-")
                out << "ctrl-enter", keys.clear();
            continue;
        }
        if (c.name != "release_held_modifiers")
            out << c.name;
    }
    return out;
}

qint64 time_of(const fake_desktop& d, int nth_chord_start) {
    int seen = 0;
    for (const auto& c : d.calls())
        if (c.name == "key" && c.args[1].toBool() &&
            (c.args[0] == "control" || c.args[0] == "enter"))
            if (seen++ == nth_chord_start)
                return c.at_ns / 1000000;
    return -1;
}

} // namespace

class test_delivery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void wecom_gets_segment_by_segment();
    void wechat_gets_one_rich_paste();
    void input_never_sends();
    void send_key_follows_the_setting_data();
    void send_key_follows_the_setting();
    void null_target_still_pastes();
    void files_go_on_the_clipboard_before_focus();

private:
    void set_send_key(const QVariant& value);

    fake_desktop desktop_;
    window_handle_t wecom_ = 0;
    window_handle_t wechat_ = 0;
    QString image_;
    QTemporaryDir dir_;
};

void test_delivery::initTestCase() {
    set_current_desktop(&desktop_);
    wecom_ = desktop_.add_window({"WeWorkWindow", QStringLiteral("企业微信")});
    wechat_ = desktop_.add_window({"WeChatMainWndForPC", QStringLiteral("微信")});
    image_ = dir_.filePath("pic.png");
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(image_));
}

void test_delivery::init() {
    desktop_.clear_calls();
    QFile::remove(app_paths::instance().settings_file());
}

void test_delivery::set_send_key(const QVariant& value) {
    const auto settings = open_ini(app_paths::instance().settings_file());
    if (value.isValid())
        settings->setValue(setting_keys::kb_send, value);
    settings->sync();
}

void test_delivery::wecom_gets_segment_by_segment() {
    delivery d(desktop_);
    const QString html = QStringLiteral("<p>你好<img src=\"%1\"/>再见</p>").arg(image_);
    d.send_script(wecom_, html);
    QCOMPARE(steps(desktop_),
             (QStringList{"bring_to_front", "clipboard_text", "paste", "clipboard_files", "paste",
                          "clipboard_text", "paste", "enter"}));
    for (const auto& c : desktop_.calls())
        if (c.name == "clipboard_files")
            QCOMPARE(c.args.first().toStringList(), QStringList{image_});
    // Pastes 100 ms apart, then 100 ms more before the send key.
    const qint64 p1 = time_of(desktop_, 0), p2 = time_of(desktop_, 1), p3 = time_of(desktop_, 2),
                 send = time_of(desktop_, 3);
    QVERIFY2(p2 - p1 >= 99 && p3 - p2 >= 99,
             qPrintable(QString("%1 %2 %3").arg(p1).arg(p2).arg(p3)));
    QVERIFY(send - p3 >= 199); // 100 after the last paste, then 100 before the send key

    // Three paragraphs: two more pastes for the line breaks.
    desktop_.clear_calls();
    d.input_script(wecom_,
                   QStringLiteral("<p>一</p><p><img src=\"%1\"/></p><p>三</p>").arg(image_));
    QCOMPARE(steps(desktop_).count("paste"), 5);
}

void test_delivery::wechat_gets_one_rich_paste() {
    delivery d(desktop_);
    d.send_script(wechat_, QStringLiteral("<p>你好<img src=\"%1\"/>再见</p>").arg(image_));
    QCOMPARE(steps(desktop_), (QStringList{"bring_to_front", "clipboard_bytes", "paste", "enter"}));
    QVariantList rich;
    for (const auto& c : desktop_.calls())
        if (c.name == "clipboard_bytes")
            rich = c.args;
    QCOMPARE(rich[0].toString(), QString("WeChat_RichEdit_Format"));
    const QString xml = QString::fromUtf8(rich[1].toByteArray());
    QVERIFY2(xml.contains(QStringLiteral("<EditElement type=\"1\" filepath=\"%1\"></EditElement>")
                              .arg(QDir::toNativeSeparators(image_))),
             qPrintable(xml));
    QVERIFY(time_of(desktop_, 1) - time_of(desktop_, 0) >= 99);
}

void test_delivery::input_never_sends() {
    delivery d(desktop_);
    d.input_script(wechat_, "<p>only input</p>");
    QCOMPARE(steps(desktop_), (QStringList{"bring_to_front", "clipboard_bytes", "paste"}));
}

void test_delivery::send_key_follows_the_setting_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("key");
    QTest::newRow("0") << QVariant(0) << "ctrl-enter";
    QTest::newRow("1") << QVariant(1) << "enter";
    QTest::newRow("missing") << QVariant() << "enter";
}

void test_delivery::send_key_follows_the_setting() {
    QFETCH(QVariant, value);
    QFETCH(QString, key);
    set_send_key(value);
    delivery d(desktop_);
    d.press_send_key();
    QCOMPARE(steps(desktop_), QStringList{key});
}

void test_delivery::null_target_still_pastes() {
    delivery d(desktop_);
    d.send_script(0, "<p>to whoever has the focus</p>");
    QCOMPARE(steps(desktop_), (QStringList{"clipboard_text", "paste", "enter"}));
}

void test_delivery::files_go_on_the_clipboard_before_focus() {
    delivery d(desktop_);
    d.send_sticker(wecom_, "/cache/agent/clouddoc/5/smile.png");
    QCOMPARE(steps(desktop_), (QStringList{"clipboard_files", "bring_to_front", "paste", "enter"}));
    QVERIFY(time_of(desktop_, 1) - time_of(desktop_, 0) >= 99);
}

QTEST_MAIN(test_delivery)
#include "test_delivery.moc"
