// The script editor on a large script: 200 paragraphs, 50 of them with an
// image from the file store, all files already cached. Measures the time to
// show the editor on it and the time from 保存 to update_script_finished,
// side by side with the bare editSpeech round trip to the same server.
// Run with QT_QPA_PLATFORM=offscreen.
//   script_editor_bench [ROUNDS]
#include "integration/composition.h"
#include "library_login.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/actions/script_actions.h"
#include "resources/resources.h"
#include "server_fixture.h"
#include "sync/batch_download.h"
#include "sync/cache_manager.h"
#include "ui/kb/new_script_widget.h"
#include "ui/widgets/custom_button.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonObject>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cstdio>

using namespace quorvel;

namespace {

QByteArray png(int index) {
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(index * 7 % 360, 200, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// 200 paragraphs of text, every fourth with an image link.
QString large_content(server_fixture& server, const QString& token) {
    QString html;
    for (int i = 0; i < 200; ++i) {
        html +=
            QStringLiteral("<p>第 %1 段：亲，您好！关于您咨询的问题，我们的处理流程如下。").arg(i);
        if (i % 4 == 0) {
            const auto up = server.upload(QStringLiteral("/tavorine/nas/userUploadFileDirect"),
                                          QStringLiteral("pic%1.png").arg(i), png(i), token);
            html += new_script_widget::file_store_link(
                up.data().toObject()[QStringLiteral("id")].toString(),
                QStringLiteral("图%1").arg(i), QStringLiteral("png"));
        }
        html += QStringLiteral("</p>");
    }
    return html;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    init_resources();
    register_meta_types();
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 5;
    server_fixture server;
    if (!server.start() || !log_in_and_sync(server, "agent", "agent123")) {
        std::fprintf(stderr, "server or synchronisation failed\n");
        return 1;
    }
    data_center& dc = data_center::instance();
    const QList<category_node_spt>* tops = dc.top_categories(library_kind::scripts, 1, {});
    if (!tops || tops->isEmpty())
        return 1;
    const category_node_spt category = tops->first();

    // The script, created and with every file in the cache.
    script_actions actions;
    script_node_spt script;
    actions.save_new_script(
        {category->id, 1, QString(), large_content(server, session_state::instance().token()),
         QStringLiteral("大话术")},
        [&](const action_result_t&, const script_node_spt& node) { script = node; });
    if (!QTest::qWaitFor([&] { return !script.isNull(); }, 60000))
        return 1;
    script_actions::keep_saved(script, true);
    const QList<download_task_spt> tasks = make_script_tasks(script);
    batch_download download;
    QSignalSpy fetched(&download, &batch_download::all_tasks_finished);
    download.add_tasks(tasks);
    download.start();
    if (!fetched.wait(60000))
        return 1;

    // One step of a round, its time added to the list; false when it failed.
    auto timed = [](QList<double>& ms, const auto& step) {
        QElapsedTimer timer;
        timer.start();
        if (!step())
            return false;
        ms << timer.nsecsElapsed() / 1e6;
        return true;
    };
    new_script_widget* editor = nullptr;
    auto show_editor = [&](const script_node_spt& editing) {
        editor = new new_script_widget(1, script->classifyId, editing);
        editor->show();
        return QTest::qWaitForWindowExposed(editor);
    };

    QList<double> empty_ms, show_ms, save_ms, bare_ms;
    for (int round = 0; round < rounds; ++round) {
        if (!timed(empty_ms, [&] { return show_editor(nullptr); }))
            return 1;
        editor->close();
        QCoreApplication::processEvents();

        if (!timed(show_ms, [&] { return show_editor(script); }))
            return 1;
        QSignalSpy updated(editor, &new_script_widget::update_script_finished);
        if (!timed(save_ms, [&] {
                editor->save_button()->click();
                return QTest::qWaitFor([&] { return !updated.isEmpty(); }, 60000);
            }))
            return 1;
        editor->close();
        QCoreApplication::processEvents();

        bool done = false;
        if (!timed(bare_ms, [&] {
                actions.save_script_edit(
                    script, script->speechContent, script->speechContentKeywords,
                    [&](const action_result_t&, const script_node_spt&) { done = true; });
                return QTest::qWaitFor([&] { return done; }, 60000);
            }))
            return 1;
    }
    std::printf("script: %d bytes of HTML, %d file links, %d rounds (medians)\n",
                int(script->speechContent.size()), int(tasks.size()), rounds);
    std::printf("show editor, new script %7.1f ms\n", median(empty_ms));
    std::printf("show editor, this one  %8.1f ms\n", median(show_ms));
    std::printf("保存 → update_finished  %8.1f ms\n", median(save_ms));
    std::printf("bare editSpeech        %8.1f ms\n", median(bare_ms));
    std::printf("save / bare            %8.2f\n",
                median(save_ms) / std::max(0.001, median(bare_ms)));
    return 0;
}
