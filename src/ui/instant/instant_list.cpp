#include "ui/instant/instant_list.h"

#include <QRegularExpression>

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QVBoxLayout>

namespace quorvel {

namespace {

constexpr int max_rows_shown = 8;
// Characters of text shown before the match, and in all.
constexpr int lead = 12;
constexpr int shown_length = 60;

QString highlighted(const QString& text, int start, int end) {
    int from = 0;
    if (start > lead)
        from = start - lead;
    const QString before = text.mid(from, start - from);
    const QString match = text.mid(start, end - start);
    const QString after = text.mid(end, qMax(0, shown_length - (end - from)));
    return (from > 0 ? QStringLiteral("…") : QString()) + before.toHtmlEscaped() +
           QStringLiteral("<span style='background-color: #ffe58f;'>") + match.toHtmlEscaped() +
           QStringLiteral("</span>") + after.toHtmlEscaped() +
           (end - from + after.size() < text.size() - from ? QStringLiteral("…") : QString());
}

constexpr int html_role = Qt::UserRole + 1;

// Rows are painted from their rich text only when seen: building a label per
// row costs more than the search itself.
class row_delegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        plain.text.clear();
        plain.widget->style()->drawControl(QStyle::CE_ItemViewItem, &plain, painter, plain.widget);
        QTextDocument doc;
        doc.setDefaultFont(option.font);
        doc.setDocumentMargin(2);
        doc.setHtml(index.data(html_role).toString());
        painter->save();
        painter->translate(option.rect.topLeft() + QPoint(2, 0));
        painter->setClipRect(QRect(QPoint(0, 0), option.rect.size()));
        doc.documentLayout()->draw(painter, {});
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), option.fontMetrics.height() + 8};
    }
};

// Keywords in their colour: "${#rrggbb}words" on that colour, white ones in
// black, uncoloured ones in blue.
QString keyword_span(const QString& raw, const QString& words) {
    static const QRegularExpression prefix(QStringLiteral("^\\$\\{([^}]+)\\}"));
    const QRegularExpressionMatch m = prefix.match(raw);
    const QColor colour = m.hasMatch() ? QColor(m.captured(1)) : QColor();
    QString style = QStringLiteral("color: blue;");
    if (colour.isValid())
        style = colour.name() == QLatin1String("#ffffff")
                    ? QStringLiteral("color: black; background-color: white;")
                    : QStringLiteral("color: white; background-color: %1;").arg(colour.name());
    return QStringLiteral("<span style='%1'>%2</span>").arg(style, words.toHtmlEscaped());
}

QString elided(const QString& text) {
    return text.size() > shown_length ? text.left(shown_length) + QStringLiteral("…") : text;
}

} // namespace

QString instant_row_html(const instant_hit_t& hit) {
    const instant_entry_t& e = *hit.entry;
    QString html =
        QStringLiteral("<span style='color: gray;'>%1</span> ").arg(instant_kind_name(e.kind));
    const bool named = e.kind == instant_kind::sticker || e.kind == instant_kind::document;
    if (named) // the name is all there is to show
        return html + highlighted(e.keywords, hit.match.start, hit.match.end);
    if (!e.keywords.isEmpty())
        html += (hit.in_keywords ? QStringLiteral("<b>%1</b> ") : QStringLiteral("%1 "))
                    .arg(keyword_span(e.keywords_raw, e.keywords.left(lead)));
    html += hit.in_keywords ? elided(e.text).toHtmlEscaped()
                            : highlighted(e.text, hit.match.start, hit.match.end);
    return html;
}

instant_list::instant_list(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      rows_(new QListWidget(this)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(rows_);
    rows_->setFocusPolicy(Qt::NoFocus);
    rows_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rows_->setUniformItemSizes(true);
    rows_->setItemDelegate(new row_delegate(rows_));
    setStyleSheet(QStringLiteral("instant_list{background: white; border: 1px solid blue;}"));
    connect(rows_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit chosen(rows_->row(item)); });
}

void instant_list::show_hits(const QList<instant_hit_t>& hits) {
    hits_ = hits;
    rows_->clear();
    for (const instant_hit_t& hit : hits) {
        auto* item = new QListWidgetItem(rows_);
        item->setData(html_role, instant_row_html(hit));
    }
    if (!hits.isEmpty())
        rows_->setCurrentRow(0);
    const int row_height = hits.isEmpty() ? 0 : rows_->sizeHintForRow(0);
    setFixedHeight(row_height * qMin(max_rows_shown, hits.size()) + 2 * rows_->frameWidth() + 2);
}

int instant_list::current() const {
    return rows_->currentRow();
}

void instant_list::move_selection(int step) {
    if (hits_.isEmpty())
        return;
    const int n = hits_.size();
    rows_->setCurrentRow(((current() + step) % n + n) % n);
}

void instant_list::place_at(const QRect& bar) {
    setFixedWidth(bar.width());
    QScreen* screen = QGuiApplication::screenAt(bar.center());
    const QRect room = screen ? screen->availableGeometry() : QRect();
    const bool below = !screen || bar.bottom() + height() <= room.bottom();
    move(bar.left(), below ? bar.bottom() + 1 : bar.top() - height());
}

} // namespace quorvel
