// Client-side costs: turning a whole-library script reply into records and
// the store, next to parsing the same bytes with QJsonDocument alone; and what
// one asynchronous request costs on top of a bare loopback round trip.
#include "fixture_http_server.h"
#include "model/data_center.h"
#include "net/http_client.h"
#include "net/reply_checks.h"
#include "net/request_center.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <spdlog/sinks/null_sink.h>
#include <spdlog/spdlog.h>
#include <vector>

using namespace quorvel;

namespace {

QByteArray script_reply(int count) {
    QJsonArray data;
    for (int i = 0; i < count; ++i) {
        const QString content =
            QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
                           "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
                           "<html><head><meta name=\"qrichtext\" content=\"1\" "
                           "/></head><body>\n<p>这是第%1条批量生成的话术，"
                           "用于性能测试。今天是${日期}，感谢您的咨询。</p></body></html>")
                .arg(i + 1);
        data.append(QJsonObject{
            {"id", QString::number(i + 1)},
            {"speechContentKeywords", QStringLiteral("${#ff0000}批量话术%1").arg(i + 1)},
            {"speechContent", content},
            {"deptId", ""},
            {"classifyId", QString::number(i % 1000 + 1)},
            {"classifyType", "0"},
            {"customShortcuts", ""},
            {"sort", i / 1000 + 1},
            {"creatorAccount", "admin"},
            {"lastUpdateAccount", "admin"},
            {"createTime", "2026-12-10 06:46:03"},
            {"lastUpdateDate", "2026-12-10 06:46:03"}});
    }
    return QJsonDocument(QJsonObject{{"code", 200}, {"msg", ""}, {"data", data}})
        .toJson(QJsonDocument::Compact);
}

template <class F> double median_ms(int runs, F&& f) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void parse_benchmark() {
    const QByteArray body = script_reply(10000);
    volatile int sink = 0;
    const double json_only =
        median_ms(15, [&] { sink = QJsonDocument::fromJson(body).object().size(); });
    const double records = median_ms(15, [&] {
        scripts_by_category_t grouped;
        const auto parsed = check_script_list(body);
        for (const script_node_spt& s : parsed.value)
            grouped[s->classifyId].append(s);
        data_center::instance().replace_scripts(grouped);
        sink = grouped.size();
    });
    std::printf("querySpeech reply: %d scripts, %.1f MB\n", 10000, body.size() / 1e6);
    std::printf("  QJsonDocument::fromJson alone     %8.2f ms\n", json_only);
    std::printf("  records and store (whole check)   %8.2f ms   ratio %.2f\n", records,
                records / json_only);

    // Heap bytes held per record: the record with its shared-pointer block and
    // every string's buffer, each rounded up the way malloc rounds blocks.
    const auto parsed = check_script_list(body);
    auto block = [](qint64 bytes) { return (bytes + 8 + 15) / 16 * 16; };
    qint64 total = 0;
    for (const script_node_spt& s : parsed.value) {
        total += block(sizeof(script_node_t) + 16);
        for (const QString* text :
             {&s->id, &s->speechContentKeywords, &s->speechContent, &s->deptId, &s->classifyId,
              &s->classifyType, &s->customShortcuts, &s->creatorAccount, &s->lastUpdateAccount,
              &s->createTime, &s->lastUpdateDate})
            if (!text->isEmpty())
                total += block(24 + 2 * (text->capacity() + 1));
        total += sizeof(void*); // its slot in the category's list
    }
    qint64 text_chars = 0;
    for (const script_node_spt& s : parsed.value)
        text_chars += s->speechContent.size() + s->speechContentKeywords.size();
    std::printf("  memory per script record: %.0f bytes, of which its texts are %.0f characters\n",
                double(total) / parsed.value.size(), double(text_chars) / parsed.value.size());
    data_center::instance().replace_scripts({});
}

void request_benchmark() {
    fixture_http_server server;
    server.listen();
    server.reply_with(R"({"code":200,"msg":"","data":"http://127.0.0.1/manage"})");
    qputenv("QUORVEL_BASE_URL", server.base_url().toUtf8());
    const int runs = 300;

    http_client client;
    const double bare = median_ms(runs, [&] {
        client.get(server.base_url() + "/tavorine/clientGeneral/generatedVisitAddress", {}, {});
    });
    QObject context;
    const double async = median_ms(runs, [&] {
        bool done = false;
        request_center::instance()->get_manage_page_url(
            false, &context, [&](const QString&) { done = true; },
            [&](const QString&) { done = true; });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });
    std::printf("one request on loopback (median of %d)\n", runs);
    std::printf("  bare round trip, one client         %6.3f ms\n", bare);
    std::printf("  asynchronous operation              %6.3f ms   overhead %.3f ms\n", async,
                async - bare);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    spdlog::set_default_logger(
        std::make_shared<spdlog::logger>("bench", std::make_shared<spdlog::sinks::null_sink_mt>()));
    parse_benchmark();
    request_benchmark();
    return 0;
}
