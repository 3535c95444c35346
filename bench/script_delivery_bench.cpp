// Scripts of 1, 3 and 10 segments delivered into the stand-in (WeCom-like,
// so segment by segment): the time from the call to the stand-in's record of
// the sent message, next to the sum of the prescribed pauses
// (50 ms focus + 100 ms per segment + 100 ms before the send key).
//   script_delivery_bench STANDIN_PATH [runs]
#include "integration/current_desktop.h"
#include "integration/delivery.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "sync/cache_manager.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace quorvel;

namespace {

qint64 now_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::vector<qint64> send_times(const QString& log) {
    std::vector<qint64> times;
    QFile file(log);
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QJsonObject e = QJsonDocument::fromJson(line).object();
            if (e.value("event").toString() == "send")
                times.push_back(e.value("at_us").toString().toLongLong());
        }
    return times;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 20;
    QTemporaryDir dir;
    auto profile = user_login_info_spt::create();
    profile->account = "bench";
    session_state::instance().set_login_user(profile);
    const QString image = cache_manager::instance()->path_by_id("clouddoc", "1", "pic", "png");
    QDir().mkpath(QFileInfo(image).absolutePath());
    QImage(8, 8, QImage::Format_RGB32).save(image);
    const QString link =
        file_store_placeholder + "?tovk_fileId=1&amp;tovk_name=pic&amp;tovk_suffix=png";

    const QString log = dir.filePath("wecom.jsonl");
    QProcess standin;
    standin.start(QString::fromLocal8Bit(argv[1]), {"--kind", "wecom", "--log", log});
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

    const QList<QPair<int, QString>> scripts = {
        {1, "<p>一段</p>"},
        {3, "<p>第一段</p><p>第二段</p>"},
        {10, "<p>文<a href=\"" + link + "\">图</a>文<a href=\"" + link + "\">图</a>文<a href=\"" +
                 link + "\">图</a>文<a href=\"" + link + "\">图</a>文<a href=\"" + link +
                 "\">图</a></p>"}};
    delivery d(current_desktop());
    std::printf("%d deliveries of each script into the stand-in (WeCom-like)\n", runs);
    for (const auto& [segments, html] : scripts) {
        std::vector<double> totals;
        for (int i = 0; i < runs; ++i) {
            const size_t before = send_times(log).size();
            const qint64 start = now_us();
            d.send_script(window, html);
            std::vector<qint64> sends;
            while ((sends = send_times(log)).size() == before)
                delivery::wait(1);
            totals.push_back((sends.back() - start) / 1000.0);
        }
        std::sort(totals.begin(), totals.end());
        const double prescribed = 50 + 100.0 * segments + 100;
        const double median = totals[totals.size() / 2];
        const double p95 = totals[std::min(totals.size() - 1, totals.size() * 95 / 100)];
        std::printf("  %2d segments: median %7.1f ms, p95 %7.1f ms; prescribed pauses %6.0f ms; "
                    "overhead median %5.1f ms\n",
                    segments, median, p95, prescribed, median - prescribed);
    }
    standin.kill();
    standin.waitForFinished(3000);
    return 0;
}
