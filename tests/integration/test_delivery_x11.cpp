// End to end on X11: scripts, stickers and inputs delivered into the stand-in chat application.
#include "integration/current_desktop.h"
#include "integration/delivery.h"
#include "model/data_center.h"
#include "sync/cache_manager.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
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

} // namespace

class test_delivery_x11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void script_to_wecom_arrives_segment_by_segment();
    void script_to_wechat_arrives_as_one_rich_paste();
    void sticker_arrives_as_a_file();
    void input_leaves_the_message_unsent();

private:
    window_handle_t start(const QString& kind, QString* log);

    QTemporaryDir dir_;
    QList<std::shared_ptr<QProcess>> standins_;
    QString image_;
    QString script_;
};

void test_delivery_x11::initTestCase() {
    QVERIFY2(qgetenv("QT_QPA_PLATFORM") == "xcb", "runs on a real X display");
    auto profile = user_login_info_spt::create();
    profile->account = "agent";
    data_center::instance().set_login_user(profile);
    // A cached image that a script links to through the file store.
    image_ =
        cache_manager::instance()->path_by_id("clouddoc", "77", QStringLiteral("产品图"), "png");
    QDir().mkpath(QFileInfo(image_).absolutePath());
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::green);
    QVERIFY(image.save(image_));
    script_ = QStringLiteral("<p>第一段</p><p>请看<a "
                             "href=\"%1?tovk_fileId=77&amp;tovk_name=产品图&amp;tovk_suffix=png\">"
                             "产品图.png</a></p>")
                  .arg(file_store_placeholder);
}

void test_delivery_x11::cleanup() {
    for (const auto& p : standins_) {
        p->kill();
        p->waitForFinished(3000);
    }
    standins_.clear();
}

window_handle_t test_delivery_x11::start(const QString& kind, QString* log) {
    static int count = 0;
    *log = dir_.filePath(QStringLiteral("%1-%2.jsonl").arg(kind).arg(++count));
    auto process = std::make_shared<QProcess>();
    process->start(QUORVEL_STANDIN, {"--kind", kind, "--log", *log});
    standins_ << process;
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

void test_delivery_x11::script_to_wecom_arrives_segment_by_segment() {
    QString log;
    const window_handle_t window = start("wecom", &log);
    delivery d(current_desktop());
    d.send_script(window, script_);
    QTRY_COMPARE(read_log(log, "send").size(), 1);
    const auto pastes = read_log(log, "paste");
    QCOMPARE(pastes.size(), 4); // 第一段, the line break, 请看, the image
    QCOMPARE(pastes[0].value("text").toString(), QStringLiteral("第一段"));
    QCOMPARE(pastes[1].value("text").toString(), QStringLiteral("\n"));
    QCOMPARE(pastes[3].value("files").toArray().first().toString(), image_);
    const QJsonObject sent = read_log(log, "send").first();
    QCOMPARE(sent.value("text").toString(), QStringLiteral("第一段\n请看"));
    QCOMPARE(sent.value("files").toArray().first().toString(), image_);
}

void test_delivery_x11::script_to_wechat_arrives_as_one_rich_paste() {
    QString log;
    const window_handle_t window = start("wechat", &log);
    delivery d(current_desktop());
    d.send_script(window, script_);
    QTRY_COMPARE(read_log(log, "send").size(), 1);
    const auto pastes = read_log(log, "paste");
    QCOMPARE(pastes.size(), 1);
    const QString rich = pastes.first().value("rich").toString();
    QVERIFY2(
        rich.contains(
            QStringLiteral("<EditElement type=\"1\" filepath=\"%1\"></EditElement>").arg(image_)),
        qPrintable(rich));
    QVERIFY(rich.startsWith("<WeChatRichEditFormat><EditElement type=\"0\"><![CDATA[" +
                            QStringLiteral("第一段")));
}

void test_delivery_x11::sticker_arrives_as_a_file() {
    QString log;
    const window_handle_t window = start("wecom", &log);
    delivery d(current_desktop());
    d.send_sticker(window, image_);
    QTRY_COMPARE(read_log(log, "send").size(), 1);
    QCOMPARE(read_log(log, "send").first().value("files").toArray().first().toString(), image_);
}

void test_delivery_x11::input_leaves_the_message_unsent() {
    QString log;
    const window_handle_t window = start("wechat-qt", &log);
    delivery d(current_desktop());
    d.input_script(window, QStringLiteral("<p>先放着</p>"));
    QTRY_COMPARE(read_log(log, "paste").size(), 1);
    QTest::qWait(300);
    QVERIFY(read_log(log, "send").isEmpty());
}

QTEST_MAIN(test_delivery_x11)
#include "test_delivery_x11.moc"
