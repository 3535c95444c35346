#include "app/logger.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QtTest>
#include <spdlog/spdlog.h>

// One process, one logger: the cases run in order on the same file.
class test_logger : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void file_is_named_after_process_and_thread();
    void warning_is_on_disk_at_once();
    void lines_follow_the_pattern_in_local_time();
    void qt_messages_reach_the_file_data();
    void qt_messages_reach_the_file();
    void second_init_fails_softly();
    void logging_after_shutdown_is_harmless();

private:
    QString read_log() const;

    QTemporaryDir tmp_;
    QString path_;
};

void test_logger::initTestCase() {
    // A fixed zone east of UTC tells local time from UTC without tz data.
    qputenv("TZ", "CST-8");
    path_ = quorvel::init_logger(tmp_.path() + "/logs/");
    QVERIFY(!path_.isEmpty());
}

QString test_logger::read_log() const {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void test_logger::file_is_named_after_process_and_thread() {
    const QFileInfo info(path_);
    QCOMPARE(info.absolutePath(), QDir(tmp_.path() + "/logs").absolutePath());
    const auto match = QRegularExpression(R"(^(\d+)_(\d+)\.log$)").match(info.fileName());
    QVERIFY2(match.hasMatch(), qPrintable(info.fileName()));
    QCOMPARE(match.captured(1).toLongLong(), QCoreApplication::applicationPid());
    QVERIFY(info.exists()); // the sink creates the folder and the file
}

void test_logger::warning_is_on_disk_at_once() {
    spdlog::info("query script...");
    spdlog::warn("query script failed, reason: {}", "超时");
    const QString text = read_log(); // no flush, no shutdown
    QVERIFY2(text.contains("[info] query script...\r\n"), qPrintable(text));
    QVERIFY2(text.contains("[warning] query script failed, reason: 超时\r\n"), qPrintable(text));
}

void test_logger::lines_follow_the_pattern_in_local_time() {
    const QStringList lines = read_log().split("\r\n", Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    const QRegularExpression pattern(
        R"(^\[(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})\] \[(debug|info|warning|error)\] \S.*$)");
    const QDateTime shanghai_now = QDateTime::currentDateTimeUtc().addSecs(8 * 3600);
    for (const QString& line : lines) {
        const auto match = pattern.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        QVERIFY2(!line.contains('\n') && !line.contains('\r'), qPrintable(line));
        QDateTime stamp = QDateTime::fromString(match.captured(1), "yyyy-MM-dd HH:mm:ss");
        stamp.setTimeSpec(Qt::UTC);
        QVERIFY2(qAbs(stamp.secsTo(shanghai_now)) < 120, qPrintable(line));
    }
}

void test_logger::qt_messages_reach_the_file_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("line");
    QTest::newRow("debug") << int(QtDebugMsg) << QString() << "[debug] 删除崩溃文件失败\r\n";
    QTest::newRow("info") << int(QtInfoMsg) << QString() << "[info] 删除崩溃文件失败\r\n";
    QTest::newRow("warning") << int(QtWarningMsg) << QString() << "[warning] 删除崩溃文件失败\r\n";
    QTest::newRow("critical") << int(QtCriticalMsg) << QString() << "[error] 删除崩溃文件失败\r\n";
    QTest::newRow("category") << int(QtWarningMsg) << "qt.qpa.xcb"
                              << "[warning] qt.qpa.xcb: 删除崩溃文件失败\r\n";
}

void test_logger::qt_messages_reach_the_file() {
    QFETCH(int, type);
    QFETCH(QString, category);
    QFETCH(QString, line);
    const QByteArray name = category.isEmpty() ? QByteArray("default") : category.toUtf8();
    const QLoggingCategory log_category(name.constData());
    const QtMessageHandler test_handler = qInstallMessageHandler(nullptr);
    quorvel::route_qt_messages();
    const QString text = QStringLiteral("删除崩溃文件失败");
    switch (type) {
    case QtDebugMsg:
        qDebug().noquote() << text;
        break;
    case QtInfoMsg:
        qInfo().noquote() << text;
        break;
    case QtWarningMsg:
        if (category.isEmpty())
            qWarning().noquote() << text;
        else
            qCWarning(log_category).noquote() << text;
        break;
    case QtCriticalMsg:
        qCritical().noquote() << text;
        break;
    }
    qInstallMessageHandler(test_handler);
    spdlog::default_logger()->flush();
    const QString log = read_log();
    QVERIFY2(log.contains(line), qPrintable(log));
}

void test_logger::second_init_fails_softly() {
    QCOMPARE(quorvel::init_logger(tmp_.path() + "/other/"), QString());
    spdlog::warn("still the first file");
    QVERIFY(read_log().contains("still the first file"));
}

void test_logger::logging_after_shutdown_is_harmless() {
    spdlog::debug("debug is kept");
    quorvel::shutdown_logging();
    QVERIFY(read_log().contains("[debug] debug is kept\r\n")); // flushed and closed
    QVERIFY(!spdlog::get("file_logger"));
    spdlog::warn("after shutdown");
    QVERIFY(!read_log().contains("after shutdown"));
}

QTEST_GUILESS_MAIN(test_logger)
#include "test_logger.moc"
