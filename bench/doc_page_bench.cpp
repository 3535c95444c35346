// The document page with one category of N documents (default 1000) of
// mixed types: time per change of the type filter and per search result
// shown, side by side with a plain rebuild of the list (cleared, and a row
// widget made for every matching document) in the same run.
// Run with QT_QPA_PLATFORM=offscreen.
//   doc_page_bench [DOCUMENTS [ROUNDS]]
#include "bench_support.h"
#include "model/data_center.h"
#include "resources/resources.h"
#include "ui/docs/doc_item_widget.h"
#include "ui/docs/doc_kinds.h"
#include "ui/docs/doc_list_item.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <cstdio>
#include <functional>

using namespace quorvel;

namespace {

const char* const suffixes[] = {"mp3", "mp4", "txt", "docx", "pdf",  "png",
                                "jpg", "zip", "rar", "md",   "json", "csv"};

QList<doc_node_spt> fill_category(int count) {
    data_center& dc = data_center::instance();
    auto c = category_node_spt::create();
    c->id = QStringLiteral("c1");
    c->superId = top_level_id;
    c->classifyName = QStringLiteral("大分类");
    category_tree_t tree;
    add_to_tree(tree, c);
    dc.replace_category_tree(library_kind::documents, -1, QString(), tree);
    QList<doc_node_spt> docs;
    for (int i = 0; i < count; ++i) {
        auto d = doc_node_spt::create();
        d->id = QString::number(i + 1);
        d->classifyId = c->id;
        d->fileType = QStringLiteral("3");
        d->fileId = QString::number(100000 + i);
        d->fileName = QStringLiteral("文档%1").arg(i);
        d->fileSuffix = QLatin1String(suffixes[i % std::size(suffixes)]);
        d->keywords = QStringLiteral("文档%1 资料").arg(i);
        docs << d;
    }
    dc.merge_docs({{c->id, docs}});
    return docs;
}

// The plain way: clear the list and make a row with its widget per match.
void rebuild(QListWidget* list, const QList<doc_node_spt>& docs,
             const std::function<bool(const doc_node_t&)>& keep) {
    list->clear();
    for (const doc_node_spt& d : docs) {
        if (!keep(*d))
            continue;
        auto* row = new QListWidgetItem(list);
        row->setSizeHint(QSize(0, 46));
        list->setItemWidget(row, new doc_list_item(d, QStringLiteral("未同步")));
    }
}

double per_change_ms(int rounds, const std::function<void(int)>& change) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i) {
        change(i);
        QApplication::processEvents(); // row widgets of the rows in view, painting
    }
    return double(timer.nsecsElapsed()) / 1e6 / rounds;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    init_resources();
    register_meta_types();
    const int count = bench::int_arg(argc, argv, 1, 1000);
    const int rounds = bench::int_arg(argc, argv, 2, 24);
    const QList<doc_node_spt> docs = fill_category(count);

    doc_item_widget page;
    page.resize(420, 700);
    page.show();
    page.show_category(QStringLiteral("c1"));
    QApplication::processEvents();

    QListWidget reference;
    reference.resize(300, 640);
    reference.show();

    const doc_filter cycle[] = {doc_filter::media,   doc_filter::text,  doc_filter::image,
                                doc_filter::archive, doc_filter::other, doc_filter::all};
    const double filter_page = per_change_ms(rounds, [&](int i) { page.set_filter(cycle[i % 6]); });
    const double filter_plain = per_change_ms(rounds, [&](int i) {
        const doc_filter f = cycle[i % 6];
        rebuild(&reference, docs,
                [f](const doc_node_t& d) { return doc_kinds::matches_filter(d.fileSuffix, f); });
    });

    // Search results as the server returns them: fresh records each time.
    const QStringList texts = {QStringLiteral("1"), QStringLiteral("文档"), QStringLiteral("99"),
                               QStringLiteral("资料")};
    QList<QList<doc_node_spt>> results;
    for (const QString& text : texts) {
        QList<doc_node_spt> found;
        for (const doc_node_spt& d : docs)
            if (d->keywords.contains(text))
                found << doc_node_spt::create(*d);
        results << found;
    }
    page.set_filter(doc_filter::all);
    const double search_page =
        per_change_ms(rounds, [&](int i) { page.show_search_results(results[i % 4]); });
    const double search_plain = per_change_ms(rounds, [&](int i) {
        rebuild(&reference, results[i % 4], [](const doc_node_t&) { return true; });
    });

    std::printf("documents in the category: %d, rounds: %d\n", count, rounds);
    std::printf("type filter change:  page %.2f ms, plain rebuild %.2f ms, ratio %.2f\n",
                filter_page, filter_plain, filter_page / filter_plain);
    std::printf("search result shown: page %.2f ms, plain rebuild %.2f ms, ratio %.2f\n",
                search_page, search_plain, search_page / search_plain);
    return 0;
}
