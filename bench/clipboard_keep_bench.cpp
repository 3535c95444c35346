// What keeping the user's clipboard adds to a delivery: a one-segment script
// delivered into the stand-in (WeCom-like) while another client owns the
// clipboard with a 1 KB text or a 10 MB image, with the keeping off and on
// (restore delay 0), rounds interleaved in one run. "Off" ends when the call
// returns, "on" when the kept content is offered again.
//   clipboard_keep_bench STANDIN_PATH CLIPBOARD_OWNER_PATH [rounds]
#include "app/app_paths.h"
#include "app/settings_store.h"
#include "integration/current_desktop.h"
#include "integration/delivery.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace quorvel;

namespace {

void set_keeping(bool on) {
    const auto settings = open_ini(app_paths::instance().settings_file());
    settings->setValue(setting_keys::advance_keep_clipboard, on ? 1 : 0);
    settings->setValue(setting_keys::advance_clipboard_delay, 0);
    settings->sync();
}

window_handle_t start_standin(QProcess& standin, const QString& program, const QString& log) {
    standin.start(program, {"--kind", "wecom", "--log", log});
    window_handle_t window = 0;
    while (!window) {
        delivery::wait(50);
        QFile f(log);
        if (f.open(QIODevice::ReadOnly))
            window = QJsonDocument::fromJson(f.readLine())
                         .object()
                         .value("window")
                         .toString()
                         .toULongLong();
    }
    delivery::wait(300);
    return window;
}

// Has the other client take the clipboard again and waits until it has.
void owner_takes_clipboard(QProcess& owner) {
    owner.readAllStandardOutput();
    owner.write("again\n");
    QByteArray out;
    while (!out.contains("owning")) {
        delivery::wait(2);
        out += owner.readAllStandardOutput();
    }
    delivery::wait(20);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 10;
    QTemporaryDir dir;
    QProcess standin;
    const window_handle_t window =
        start_standin(standin, QString::fromLocal8Bit(argv[1]), dir.filePath("wecom.jsonl"));

    QByteArray text(1024, 'x');
    for (char& c : text)
        c = char('a' + QRandomGenerator::global()->bounded(26));
    QByteArray image(10 * 1024 * 1024, '\0');
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(image.data()),
                                          image.size() / 4);
    const QList<QPair<QString, QPair<QString, QByteArray>>> cases = {
        {"1 KB text", {"text/plain", text}}, {"10 MB image", {"image/png", image}}};

    delivery d(current_desktop());
    std::printf("%d rounds each, keeping off and on interleaved\n", rounds);
    for (const auto& [label, format] : cases) {
        QFile content(dir.filePath("content"));
        content.open(QIODevice::WriteOnly);
        content.write(format.second);
        content.close();
        QProcess owner;
        owner.start(QString::fromLocal8Bit(argv[2]), {format.first + '=' + content.fileName()});
        std::vector<double> off, on;
        for (int i = 0; i < rounds; ++i) {
            for (bool keeping : {false, true}) {
                owner_takes_clipboard(owner);
                set_keeping(keeping);
                bool restored = false;
                const auto connection = QObject::connect(
                    &d.keeper(), &clipboard_keeper::restore_done, [&] { restored = true; });
                QElapsedTimer clock;
                clock.start();
                d.send_script(window, "<p>您好</p>");
                while (keeping && !restored)
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                QObject::disconnect(connection);
                (keeping ? on : off).push_back(clock.nsecsElapsed() / 1e6);
            }
        }
        const double m_off = median(off), m_on = median(on);
        std::printf("  %-12s without %7.1f ms, with %7.1f ms (median): ratio %.3f, +%.1f ms\n",
                    qPrintable(label), m_off, m_on, m_on / m_off, m_on - m_off);
        owner.kill();
        owner.waitForFinished(3000);
    }
    standin.kill();
    standin.waitForFinished(3000);
    return 0;
}
