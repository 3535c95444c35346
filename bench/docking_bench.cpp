// Docking under load on X11: how many dockings per second the main window
// manages (each re-reads three settings and places two windows), and the
// delay from a move of the chat window to the docked windows' new position.
//   docking_bench STANDIN_PATH
#include "integration/current_desktop.h"
#include "model/records.h"
#include "resources/resources.h"
#include "ui/main_widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace quorvel;

namespace {

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

int main(int argc, char* argv[]) {
    register_meta_types();
    QApplication app(argc, argv);
    init_resources();
    if (argc < 2)
        return 2;
    // The window exists first, so its watcher sees the chat window appear.
    auto* window = new main_widget;
    QTemporaryDir dir;
    const QString log = dir.filePath("chat.jsonl");
    QProcess standin;
    standin.start(QString::fromLocal8Bit(argv[1]), {"--kind", "wecom", "--log", log});
    window_handle_t chat = 0;
    while (!chat) {
        pump(50);
        QFile f(log);
        if (f.open(QIODevice::ReadOnly))
            chat = QJsonDocument::fromJson(f.readLine())
                       .object()
                       .value("window")
                       .toString()
                       .toULongLong();
    }
    pump(300);
    current_desktop().bring_to_front(chat);
    window->follow(true);
    pump(300);

    const int count = 500;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i)
        window->dock_to_target();
    const double per_second = count * 1000.0 / std::max<qint64>(1, clock.elapsed());

    std::vector<double> delays;
    for (int i = 0; i < 20; ++i) {
        const int x = 60 + (i % 2) * 40, y = 80 + (i % 3) * 20;
        const QPoint before = window->pos();
        clock.restart();
        QProcess::execute("xdotool", {"windowmove", QString::number(chat), QString::number(x),
                                      QString::number(y)});
        const qint64 command = clock.nsecsElapsed();
        while (window->pos() == before && clock.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        delays.push_back((clock.nsecsElapsed() - command) / 1e6);
    }
    std::sort(delays.begin(), delays.end());
    std::printf("docking: %.0f dockings per second (each reads 3 settings, places 2 windows)\n",
                per_second);
    std::printf("chat window moved -> main window in place: median %.1f ms, p95 %.1f ms (after "
                "xdotool returned)\n",
                delays[delays.size() / 2],
                delays[std::min<size_t>(delays.size() - 1, delays.size() * 95 / 100)]);
    window->close();
    standin.kill();
    standin.waitForFinished(3000);
    return 0;
}
