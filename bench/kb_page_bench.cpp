// Building the scripts page for a large library: N categories (every
// SPREAD-th first-level, the others below it) and ten scripts per category,
// in the public part. Run with QT_QPA_PLATFORM=offscreen.
//   kb_page_bench [CATEGORIES [SPREAD]]
#include "bench_support.h"
#include "model/data_center.h"
#include "ui/kb/kb_tab_widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

using namespace quorvel;

namespace {

void fill_library(int categories, int spread) {
    data_center& dc = data_center::instance();
    category_tree_t tree;
    script_map_t by_category;
    for (int i = 0; i < categories; ++i) {
        auto c = category_node_spt::create();
        c->id = QStringLiteral("k%1").arg(i);
        c->superId =
            i % spread == 0 ? top_level_id : QStringLiteral("k%1").arg(i / spread * spread);
        c->classifyName = QStringLiteral("分类%1").arg(i);
        c->classifyType = QStringLiteral("0");
        c->sort = i;
        add_to_tree(tree, c);
        QList<script_node_spt> scripts;
        for (int j = 0; j < 10; ++j) {
            auto s = script_node_spt::create();
            s->id = QStringLiteral("s%1-%2").arg(i).arg(j);
            s->classifyId = c->id;
            s->classifyType = QStringLiteral("0");
            s->sort = j;
            s->speechContentKeywords = QStringLiteral("话术%1").arg(j);
            s->speechContent = QStringLiteral("亲，您好！这是第 %1 条参考话术。").arg(j);
            scripts << s;
        }
        by_category.insert(c->id, scripts);
    }
    dc.replace_category_tree(library_kind::scripts, 0, QString(), tree);
    dc.replace_scripts(by_category);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int categories = bench::int_arg(argc, argv, 1, 10000);
    const int spread = qMax(1, bench::int_arg(argc, argv, 2, 10));
    fill_library(categories, spread);
    const long before = bench::rss_kib();
    QElapsedTimer timer;
    timer.start();
    kb_tab_widget page;
    page.resize(360, 700);
    page.show();
    app.processEvents();
    std::printf("scripts page for %d categories (%d first-level): %.0f ms, %ld KiB more memory\n",
                categories, (categories + spread - 1) / spread, timer.nsecsElapsed() / 1e6,
                bench::rss_kib() - before);
    return 0;
}
