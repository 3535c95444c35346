// Filling one script tree of 2,000 rows (each with its own row widget), and
// renumbering after one insert. Run with QT_QPA_PLATFORM=offscreen.
#include "bench_support.h"
#include "model/category_tree.h"
#include "model/data_center.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/library/drag_drop_treewidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTreeWidgetItemIterator>
#include <cstdio>

using namespace quorvel;

namespace {

script_node_spt make_script(int i) {
    auto s = script_node_spt::create();
    s->id = QString::number(100000 + i);
    s->classifyId = QStringLiteral("1");
    s->classifyType = QStringLiteral("0");
    s->sort = i;
    s->speechContentKeywords =
        (i % 3 == 0 ? QStringLiteral("${#ff0000}") : QString()) + QStringLiteral("关键词%1").arg(i);
    s->speechContent =
        QStringLiteral("亲，您好！这是第 %1 条参考话术，\n请根据客户情况调整。").arg(i);
    return s;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int count = bench::int_arg(argc, argv, 1, 2000);
    data_center& dc = data_center::instance();
    auto category = category_node_spt::create();
    category->id = QStringLiteral("1");
    category->superId = top_level_id;
    category->classifyName = QStringLiteral("基准分类");
    category->classifyType = QStringLiteral("0");
    category_tree_t categories;
    add_to_tree(categories, category);
    dc.replace_category_tree(library_kind::scripts, 0, QString(), categories);
    QList<script_node_spt> scripts;
    for (int i = 0; i < count; ++i)
        scripts << make_script(i);
    dc.replace_scripts({{category->id, scripts}});

    kb_item_widget view(0);
    view.resize(360, 700);
    view.show();
    app.processEvents();
    const long before = bench::rss_kib();
    QElapsedTimer timer;
    timer.start();
    view.show_category(category->id);
    app.processEvents();
    const double fill_ms = timer.nsecsElapsed() / 1e6;
    const long after = bench::rss_kib();
    int widgets = 0;
    QTreeWidget* tree = view.tree_of(category->id);
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        widgets += tree->itemWidget(*it, 0) != nullptr;

    timer.restart();
    view.insert_script(make_script(count));
    const double insert_ms = timer.nsecsElapsed() / 1e6;
    timer.restart();
    kb_item_widget::number_tree(view.tree_of(category->id));
    const double number_ms = timer.nsecsElapsed() / 1e6;

    std::printf("kb_tree_bench: %d scripts\n", count);
    std::printf("  fill (first show):        %8.1f ms\n", fill_ms);
    std::printf("  memory added by the fill: %8ld KiB (%.1f KiB per row)\n", after - before,
                double(after - before) / count);
    std::printf("  row widgets made (rows in view): %d\n", widgets);
    std::printf("  insert one + renumber:    %8.2f ms\n", insert_ms);
    std::printf("  renumber alone:           %8.2f ms\n", number_ms);
    return 0;
}
