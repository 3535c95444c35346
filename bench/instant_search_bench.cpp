// The bar's instant search over a large library (scripts in many wordings,
// stickers, phrases, documents): index build time and memory, and the time
// per keystroke while a query is typed, side by side with a plain linear scan
// that matches the same visible texts the way the server's search does
// (contains, then full pinyin and initials spelled on the spot).
// Times are this process's CPU time, so other work on a shared machine does
// not count. Run with QT_QPA_PLATFORM=offscreen.
//   instant_search_bench [SCRIPTS [STICKERS]]
#include "bench_support.h"
#include "model/data_center.h"
#include "pinyin/pinyin_table.h"
#include "ui/instant/instant_index.h"
#include "ui/instant/instant_list.h"
#include "ui/kb/script_item.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace quorvel;

namespace {

// Words of a customer-service library, combined so texts differ.
const QStringList topics = {
    QStringLiteral("退货流程"), QStringLiteral("换货说明"),   QStringLiteral("退款时效"),
    QStringLiteral("运费说明"), QStringLiteral("保修政策"),   QStringLiteral("寄修地址"),
    QStringLiteral("维修进度"), QStringLiteral("发货时间"),   QStringLiteral("物流查询"),
    QStringLiteral("偏远地区"), QStringLiteral("修改地址"),   QStringLiteral("支付方式"),
    QStringLiteral("分期付款"), QStringLiteral("发票开具"),   QStringLiteral("限时优惠"),
    QStringLiteral("优惠券"),   QStringLiteral("会员价"),     QStringLiteral("价格保护"),
    QStringLiteral("感谢语"),   QStringLiteral("评价邀请"),   QStringLiteral("银行卡"),
    QStringLiteral("长期合作"), QStringLiteral("iPhone配件"), QStringLiteral("VIP服务")};
const QStringList products = {QStringLiteral("智能手表"),   QStringLiteral("蓝牙耳机"),
                              QStringLiteral("扫地机器人"), QStringLiteral("空气净化器"),
                              QStringLiteral("电动牙刷"),   QStringLiteral("咖啡机")};
const QStringList sentences = {
    QStringLiteral("亲，%1请在订单页点击“申请售后”，选择原因后提交即可。"),
    QStringLiteral("%1在15天内出现质量问题可以直接换新。"),
    QStringLiteral("您可以在订单详情页点击“查看物流”实时查询配送进度。"),
    QStringLiteral("我们支持微信支付、支付宝和银行卡支付，%1支持3期免息。"),
    QStringLiteral("下单时在发票栏填写抬头和税号，电子发票会发送到您的邮箱。"),
    QStringLiteral("感谢您的耐心，祝您购物愉快，再见！")};

QString with(const QString& sentence, const QString& word) {
    return sentence.contains(QLatin1String("%1")) ? sentence.arg(word) : sentence;
}

void fill_library(int scripts, int stickers) {
    data_center& dc = data_center::instance();
    script_map_t by_category;
    for (int i = 0; i < scripts; ++i) {
        auto s = script_node_spt::create();
        s->id = QStringLiteral("s%1").arg(i);
        s->classifyId = QStringLiteral("k%1").arg(i % 1000);
        s->classifyType = QStringLiteral("0");
        const QString product = products[i % products.size()];
        s->speechContentKeywords = (i % 3 == 0 ? QStringLiteral("${#ff0000}") : QString()) +
                                   topics[i % topics.size()] + QString::number(i);
        s->speechContent =
            QStringLiteral("<html><body><p>%1</p><p>%2</p></body></html>")
                .arg(with(sentences[i % sentences.size()], product),
                     with(sentences[(i / 7) % sentences.size()], topics[(i / 3) % topics.size()]));
        by_category[s->classifyId] << s;
    }
    dc.replace_scripts(by_category);
    sticker_map_t sticker_map;
    for (int i = 0; i < stickers; ++i) {
        auto s = sticker_node_spt::create();
        s->id = QStringLiteral("e%1").arg(i);
        s->classifyId = QStringLiteral("ec");
        s->emojiContentDesc = QStringLiteral("表情%1").arg(i);
        sticker_map[s->classifyId] << s;
    }
    dc.replace_stickers(sticker_map);
    QHash<QString, phrase_node_spt> phrases;
    for (int i = 0; i < 60; ++i) {
        auto p = phrase_node_spt::create();
        p->id = QStringLiteral("p%1").arg(i);
        p->phraseContent = with(sentences[i % sentences.size()], products[i % products.size()]);
        phrases.insert(p->id, p);
    }
    dc.replace_phrases(phrases);
    doc_map_t docs;
    for (int i = 0; i < 300; ++i) {
        auto d = doc_node_spt::create();
        d->id = QStringLiteral("d%1").arg(i);
        d->classifyId = QStringLiteral("dc");
        d->fileName = products[i % products.size()] + topics[i % topics.size()] +
                      QStringLiteral("说明书%1").arg(i);
        docs["dc"] << d;
    }
    dc.merge_docs(docs);
}

// The reference: every visible text, matched on each keystroke.
struct linear_scan {
    QStringList texts;

    explicit linear_scan(const instant_index&) {
        static const QRegularExpression colour(QStringLiteral("^\\$\\{[^}]+\\}"));
        const data_center& dc = data_center::instance();
        for (const auto& list : dc.scripts_by_category())
            for (const script_node_spt& s : list)
                texts << QString(s->speechContentKeywords).remove(colour)
                      << plain_script_text(s->speechContent);
        for (const auto& list : dc.stickers_by_category())
            for (const sticker_node_spt& s : list)
                texts << s->emojiContentDesc;
        for (const phrase_node_spt& p : dc.phrases())
            texts << p->phraseContent;
        for (const auto& list : dc.docs_by_category())
            for (const doc_node_spt& d : list)
                texts << d->fileName;
    }

    int search(const pinyin_table& table, const QString& query) const {
        const QString folded = query.toLower();
        const bool letters = std::all_of(folded.begin(), folded.end(), [](QChar c) {
            return c >= QLatin1Char('a') && c <= QLatin1Char('z');
        });
        int found = 0;
        for (const QString& text : texts) {
            if (text.contains(folded, Qt::CaseInsensitive)) {
                ++found;
                continue;
            }
            if (!letters)
                continue;
            const pinyin_text_t spelled = table.spell(text);
            if (matches_full_pinyin(spelled, folded) || matches_pinyin_initials(spelled, folded))
                ++found;
        }
        return found;
    }
};

// CPU milliseconds of this process since the last call.
class cpu_timer {
public:
    cpu_timer() : start_(std::clock()) {}
    double restart() {
        const std::clock_t now = std::clock();
        const double ms = 1000.0 * double(now - start_) / CLOCKS_PER_SEC;
        start_ = now;
        return ms;
    }

private:
    std::clock_t start_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int scripts = bench::int_arg(argc, argv, 1, 10000);
    const int stickers = bench::int_arg(argc, argv, 2, 500);
    const pinyin_table& table = pinyin_table::shared();
    fill_library(scripts, stickers);

    const long before = bench::rss_kib();
    cpu_timer timer;
    instant_index index(table);
    const double build_ms = timer.restart();
    const long after = bench::rss_kib();
    const linear_scan scan(index);
    const double scan_prepare_ms = timer.restart();
    std::printf("library: %d scripts, %d stickers, 60 phrases, 300 documents; %d entries\n",
                scripts, stickers, index.size());
    std::printf("index build: %.1f ms (reference collects the same texts: %.1f ms)\n", build_ms,
                scan_prepare_ms);
    std::printf("index memory: %ld KiB resident\n", after - before);

    instant_list list;
    const QStringList typed = {QStringLiteral("tuihuo"),  QStringLiteral("thlc"),
                               QStringLiteral("dingdan"), QStringLiteral("退货流程"),
                               QStringLiteral("iphone"),  QStringLiteral("yinhang"),
                               QStringLiteral("vip")};
    std::printf("%-10s %4s %9s %9s %9s %9s %7s\n", "query", "key", "hits", "index ms", "list ms",
                "scan ms", "ratio");
    double worst = 0, total_index = 0, total_scan = 0;
    int keys = 0;
    for (const QString& word : typed) {
        for (int n = 1; n <= word.size(); ++n) {
            const QString query = word.left(n);
            timer.restart();
            const QList<instant_hit_t> hits = index.search(query, true, 30);
            const double index_ms = timer.restart();
            list.show_hits(hits);
            const double list_ms = timer.restart();
            const int scanned = scan.search(table, query);
            const double scan_ms = timer.restart();
            std::printf("%-10s %4d %9d %9.2f %9.2f %9.2f %6.0fx\n", qPrintable(word), n, scanned,
                        index_ms, list_ms, scan_ms, scan_ms / qMax(index_ms, 0.001));
            worst = qMax(worst, index_ms);
            total_index += index_ms;
            total_scan += scan_ms;
            ++keys;
        }
    }
    std::printf("per keystroke: index mean %.2f ms, worst %.2f ms; scan mean %.2f ms; "
                "ratio %.0fx\n",
                total_index / keys, worst, total_scan / keys, total_scan / total_index);
    return 0;
}
