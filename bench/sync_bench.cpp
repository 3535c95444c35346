// Login to the end of the synchronisation against a running quorvel-server,
// phase by phase, with the client's peak memory. Also writes the file
// addresses it fetched, for the curl floor in sync_bench.sh.
//   sync_bench BASE_URL ACCOUNT PASSWORD URL_LIST_FILE
// With --parse-only instead of the list file: fetches the library replies
// the synchronisation asks for, then times reading them into records alone,
// with the peak memory of that reading (the reference for the full run).
//   sync_bench BASE_URL ACCOUNT PASSWORD --parse-only
#include "app/app_paths.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/envelope.h"
#include "net/http_call.h"
#include "net/reply_checks.h"
#include "net/request_center.h"
#include "protocol/protocol.h"
#include "sync/cache_manager.h"
#include "ui/sync_data_widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <cstdio>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/spdlog.h>

using namespace quorvel;

namespace {

// Keeps the one log line that reports the phases.
class phase_sink : public spdlog::sinks::base_sink<std::mutex> {
public:
    std::string phases;

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
        const std::string text(msg.payload.data(), msg.payload.size());
        if (qEnvironmentVariableIsSet("QUORVEL_BENCH_TRACE")) // every log line, with its time
            std::fprintf(
                stderr, "%lld %s\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           msg.time.time_since_epoch())
                                           .count() %
                                       100000),
                text.c_str());
        if (text.rfind("sync phases:", 0) == 0)
            phases = text;
    }
    void flush_() override {}
};

qint64 peak_kib() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const auto match = QRegularExpression(QStringLiteral("VmHWM:\\s+(\\d+)"))
                           .match(QString::fromLatin1(status.readAll()));
    return match.captured(1).toLongLong();
}

// The peak so far forgotten, so the next reading measures what follows.
void reset_peak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// The library replies of a synchronisation, each with its reader.
struct reply_t {
    endpoint_t endpoint;
    payload_t payload;
    std::function<int(const QByteArray&)> read; // records read
    QByteArray body;
};

QList<reply_t> library_replies() {
    namespace business = protocol::business;
    auto tree = [](const QByteArray& b) { return check_nested_category_list(b).value.size(); };
    auto with = [](const json_map_t& fields) { return payload_t::fields(fields); };
    QList<reply_t> replies;
    for (const char* kind : {business::scripts, business::documents})
        for (const char* type : {protocol::part_pub, protocol::part_personal})
            replies << reply_t{
                endpoints::category_tree,
                with({{"clientBusinessType", kind}, {"classifyType", type}, {"deptId", ""}}),
                tree,
                {}};
    replies << reply_t{endpoints::query_docs,
                       with({{"account", "agent"}}),
                       [](const QByteArray& b) { return check_doc_list(b).value.size(); },
                       {}};
    for (const char* type : {protocol::part_pub, protocol::part_personal, protocol::part_dept})
        replies << reply_t{endpoints::query_scripts,
                           with({{"classifyType", type}}),
                           [](const QByteArray& b) { return check_script_list(b).value.size(); },
                           {}};
    replies << reply_t{
        endpoints::query_stickers,
        with({}),
        [](const QByteArray& b) { return check_sticker_list_blocking(b).value.size(); },
        {}};
    for (const char* type : {protocol::part_pub, protocol::part_personal})
        replies << reply_t{
            endpoints::query_categories,
            with({{"clientBusinessType", business::stickers}, {"classifyType", type}}),
            [](const QByteArray& b) { return check_flat_category_list(b).value.size(); },
            {}};
    replies << reply_t{endpoints::list_phrases,
                       payload_t::none(),
                       [](const QByteArray& b) { return check_phrase_list(b).value.size(); },
                       {}};
    return replies;
}

int parse_only() {
    QList<reply_t> replies = library_replies();
    http_client client;
    qint64 bytes = 0;
    for (reply_t& reply : replies) {
        reply.body = perform(client, reply.endpoint, reply.payload);
        bytes += reply.body.size();
    }
    reset_peak();
    const qint64 before = peak_kib();
    QElapsedTimer clock;
    clock.start();
    int records = 0;
    for (const reply_t& reply : replies)
        records += reply.read(reply.body);
    std::printf("parsing the same replies alone: %lld ms for %d records from %lld KiB; peak "
                "memory %lld KiB (%lld KiB above the replies held)\n",
                static_cast<long long>(clock.elapsed()), records,
                static_cast<long long>(bytes / 1024), static_cast<long long>(peak_kib()),
                static_cast<long long>(peak_kib() - before));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 5) {
        std::fputs("usage: sync_bench BASE_URL ACCOUNT PASSWORD URL_LIST_FILE\n", stderr);
        return 2;
    }
    qputenv("QUORVEL_BASE_URL", argv[1]);
    register_meta_types();
    QApplication app(argc, argv);
    auto sink = std::make_shared<phase_sink>();
    spdlog::set_default_logger(std::make_shared<spdlog::logger>("bench", sink));

    const bool parse_alone = QByteArray(argv[4]) == "--parse-only";
    QElapsedTimer clock;
    clock.start();
    QObject context;
    bool failed = false;
    request_center::instance()->login(
        {{"account", QString::fromUtf8(argv[2])}, {"password", QString::fromUtf8(argv[3])}},
        &context,
        [&] {
            request_center::instance()->get_login_info(
                {}, &context,
                [&](const user_login_info_spt& profile) {
                    session_state::instance().set_login_user(profile);
                    if (parse_alone) {
                        app.quit();
                        return;
                    }
                    sync_data_widget::set_main_window_factory([&] {
                        app.quit();
                        return nullptr;
                    });
                    (new sync_data_widget)->show();
                },
                [&](const QString&) {
                    failed = true;
                    app.quit();
                });
        },
        [&](const QString&) {
            failed = true;
            app.quit();
        });
    app.exec();
    if (failed) {
        std::fputs("login failed\n", stderr);
        return 1;
    }
    if (parse_alone)
        return parse_only();
    const qint64 total = clock.elapsed();
    std::printf("login to main window %lld ms; %s; client peak memory %lld KiB\n",
                static_cast<long long>(total), sink->phases.c_str(),
                static_cast<long long>(peak_kib()));

    // Every file the cache holds, by the address the client fetched it from.
    QFile list(QString::fromUtf8(argv[4]));
    if (list.open(QIODevice::WriteOnly)) {
        for (const auto& stickers : data_center::instance().stickers_by_category())
            for (const sticker_node_spt& s : stickers)
                if (s->emojiType == QLatin1String("3"))
                    list.write(QStringLiteral("%1/tavorine/nas/downloadFileById?fileId=%2\n")
                                   .arg(QString::fromUtf8(argv[1]), s->fileId)
                                   .toUtf8());
    }
    return 0;
}
