// Deliveries into the stand-in chat application on X11: the time until the
// target is confirmed active with the focus, and from the paste chord to the
// stand-in's record of the sent message. Run on a display with a window
// manager (bench/delivery_bench.sh starts one).
//   delivery_bench STANDIN_PATH [count]
#include "platform/desktop.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace quorvel;
using namespace quorvel::platform;

namespace {

qint64 now_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

QList<QJsonObject> events(const QString& path) {
    QList<QJsonObject> out;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.isEmpty())
                out << QJsonDocument::fromJson(line).object();
    return out;
}

void wait(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void report(const char* name, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const double median = values[values.size() / 2];
    const double p95 = values[std::min(values.size() - 1, values.size() * 95 / 100)];
    std::printf("  %-34s median %7.2f ms   p95 %7.2f ms\n", name, median, p95);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const int count = argc > 2 ? std::atoi(argv[2]) : 50;
    QTemporaryDir dir;
    auto start = [&](const QString& name) {
        auto* process = new QProcess(&app);
        const QString log = dir.filePath(name);
        process->start(QString::fromLocal8Bit(argv[1]), {"--log", log});
        window_handle_t window = 0;
        while (!window) {
            for (const QJsonObject& e : events(log))
                if (e.value("event").toString() == "started")
                    window = e.value("window").toString().toULongLong();
            wait(20);
        }
        wait(300);
        return std::make_pair(log, window);
    };
    const auto [target_log, target] = start("target.jsonl");
    const auto [decoy_log, decoy] = start("decoy.jsonl");
    auto desktop = create_desktop();

    std::vector<double> focus_ms, delivery_ms;
    for (int i = 0; i < count; ++i) {
        desktop->bring_to_front(decoy); // start from another active window, as a user would
        desktop->set_clipboard_text(QStringLiteral("第%1条").arg(i));
        QElapsedTimer clock;
        clock.start();
        if (!desktop->bring_to_front(target)) {
            std::fputs("focus not confirmed\n", stderr);
            return 1;
        }
        focus_ms.push_back(clock.nsecsElapsed() / 1e6);
        const qint64 chord_at = now_us();
        desktop->release_held_modifiers();
        desktop->paste_chord();
        wait(100); // the designed pause between paste and send key
        desktop->enter();
        qint64 sent_at = 0;
        while (!sent_at) {
            wait(1);
            const auto all = events(target_log);
            int sends = 0;
            for (const QJsonObject& e : all)
                if (e.value("event").toString() == "send" && ++sends == i + 1)
                    sent_at = e.value("at_us").toString().toLongLong();
        }
        delivery_ms.push_back((sent_at - chord_at) / 1000.0);
    }
    std::printf("%d deliveries into the stand-in\n", count);
    report("focus confirmed", focus_ms);
    report("paste chord to message recorded", delivery_ms);
    std::printf("  (the second includes the designed 100 ms between paste and send key)\n");
    for (QProcess* p : app.findChildren<QProcess*>()) {
        p->kill();
        p->waitForFinished(3000);
    }
    return 0;
}
