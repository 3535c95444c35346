// Opening a category of 500 stickers of the large demo library (every file
// already in the cache, as after the synchronisation): the sticker page next
// to a reference page that reads every tile's image on the GUI thread when the
// tile is made. Reports the time until the page is shown, until every tile in
// view has its image, until all have, and the memory each adds.
// Run with QT_QPA_PLATFORM=offscreen:  sticker_page_bench [STICKERS]
#include "bench_support.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "server_fixture.h"
#include "ui/stickers/scope_choice.h"
#include "ui/stickers/sticker_flow_widget.h"
#include "ui/stickers/sticker_item.h"
#include "ui/stickers/sticker_item_widget.h"
#include "ui/stickers/sticker_tab_widget.h"
#include "ui/sync_data_widget.h"
#include "ui/widgets/flow_layout.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <cstdio>
#include <spdlog/spdlog.h>

using namespace quorvel;

namespace {

bool sync(server_fixture& server) {
    qputenv("QUORVEL_BASE_URL", server.base_url().toUtf8());
    data_center& dc = data_center::instance();
    session_state::instance().set_token(
        server.login(QStringLiteral("manager"), QStringLiteral("manager123")));
    session_state::instance().set_login_user(user_login_info_t::from_json(
        server.get("/tavorine/loginAccount/getLoginUserData", {}, session_state::instance().token())
            .data()
            .toObject()));
    sync_data_widget::set_main_window_factory([] { return nullptr; });
    auto* dialog = new sync_data_widget;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<sync_data_widget> alive(dialog);
    dialog->show();
    QElapsedTimer t;
    t.start();
    while (alive && t.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    return !alive;
}

bool in_view(QScrollArea* area, QWidget* tile) {
    const QRect seen(QPoint(0, area->verticalScrollBar()->value()), area->viewport()->size());
    return seen.intersects(tile->geometry());
}

struct timing_t {
    double shown = 0, visible = 0, all = 0;
    long kib = 0;
};

// The reference: each tile decodes its image as it is made.
timing_t reference(const QList<sticker_node_spt>& stickers) {
    timing_t out;
    const long before = bench::rss_kib();
    QElapsedTimer t;
    t.start();
    auto* area = new QScrollArea;
    auto* flow = new flow_layout_widget(0, 0, 0);
    area->setWidgetResizable(true);
    area->setWidget(flow);
    for (const sticker_node_spt& s : stickers) {
        auto* tile = new sticker_item(s, flow);
        const QImage image(tile->path());
        tile->set_image(
            QPixmap::fromImage(image.scaled(sticker_item::image_side, sticker_item::image_side)));
        flow->insert_widget(flow->layout_of()->count(), tile);
    }
    area->resize(380, 600);
    area->show();
    QCoreApplication::processEvents();
    out.shown = out.visible = out.all = t.nsecsElapsed() / 1e6;
    out.kib = bench::rss_kib() - before;
    delete area;
    return out;
}

timing_t page(const QString& category_id) {
    timing_t out;
    const long before = bench::rss_kib();
    QElapsedTimer t;
    t.start();
    auto* tabs = new sticker_tab_widget;
    sticker_item_widget* view = tabs->view(0);
    view->check_category(category_id);
    tabs->resize(380, 800);
    tabs->show();
    QCoreApplication::processEvents();
    out.shown = t.nsecsElapsed() / 1e6;
    sticker_flow_widget* flow = view->page(category_id);
    const QList<sticker_item*> tiles = flow->tiles();
    const auto all_have = [&](bool only_in_view) {
        for (sticker_item* tile : tiles)
            if ((!only_in_view || in_view(flow, tile)) && !tile->has_image())
                return false;
        return true;
    };
    while (!all_have(true))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    out.visible = t.nsecsElapsed() / 1e6;
    while (!all_have(false))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    out.all = t.nsecsElapsed() / 1e6;
    out.kib = bench::rss_kib() - before;
    delete tabs;
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    spdlog::set_level(spdlog::level::warn);
    const int count = bench::int_arg(argc, argv, 1, 500);
    server_fixture server;
    if (!server.start({"--demo-large-size", QStringLiteral("1:1:%1").arg(count)}) ||
        !sync(server)) {
        std::fprintf(stderr, "server or synchronisation failed\n");
        return 1;
    }
    QString batch;
    for (const category_node_spt& c : top_sticker_categories(0, QString()))
        if (c->classifyName == QStringLiteral("批量表情"))
            batch = c->id;
    const QList<sticker_node_spt> stickers =
        data_center::instance().stickers_by_category().value(batch);
    std::printf("category of %d stickers, every file cached\n", int(stickers.size()));
    const timing_t ref = reference(stickers);
    const timing_t ours = page(batch);
    std::printf("%-34s %10s %12s %10s %10s\n", "", "shown ms", "in view ms", "all ms", "KiB");
    std::printf("%-34s %10.0f %12.0f %10.0f %10ld\n", "reference (decode when made)", ref.shown,
                ref.visible, ref.all, ref.kib);
    std::printf("%-34s %10.0f %12.0f %10.0f %10ld\n", "sticker page", ours.shown, ours.visible,
                ours.all, ours.kib);
    std::printf("ratio page / reference: shown %.2f, in view %.2f\n", ours.shown / ref.shown,
                ours.visible / ref.visible);
    return 0;
}
