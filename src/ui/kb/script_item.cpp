#include "ui/kb/script_item.h"

#include "integration/cached_document.h"
#include "ui/widgets/custom_toolbutton.h"
#include "ui/widgets/elided_text.h"
#include "ui/widgets/flow_layout.h"

#include <QColor>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QRegularExpression>
#include <QTextDocument>

namespace quorvel {

namespace {
QFont point_font(const QFont& base, int points) {
    QFont f(base);
    f.setPointSize(points);
    return f;
}
} // namespace

script_item::script_item(QWidget* parent)
    : QWidget(parent), send_(new custom_toolbutton(this)), index_(new QLabel(this)),
      keywords_(new QLabel(this)), text_(new elided_label(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout->setContentsMargins(2, 0, 2, 0);
    set_state_icon(send_, QStringLiteral("icon/send"));
    send_->setIconSize(QSize(22, 22));
    send_->setToolTip(QStringLiteral("直接发送该条话术"));
    index_->setText(QStringLiteral("00"));
    index_->setFont(point_font(index_->font(), 11));
    keywords_->setMaximumWidth(120);
    keywords_->setWordWrap(false);
    // No minimum width: in a narrow window the content takes what is left
    // and ends in "…" rather than running out of the row.
    text_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    text_->setFont(point_font(text_->font(), 11));
    layout->addWidget(send_);
    layout->addWidget(index_);
    layout->addWidget(keywords_);
    layout->addWidget(text_);
    connect(send_, &QToolButton::clicked, this, &script_item::send_clicked);
}

void script_item::set_index(int number) {
    if (number < 0)
        return;
    index_->setText(index_text(number));
    index_->setProperty("index", number);
}

void script_item::set_keywords(const QString& raw) {
    // Measured in the 11 points the span draws it in, so the cut is the
    // "…" and not the label's edge.
    keywords_->setText(keyword_html(raw, point_font(keywords_->font(), 11)));
    keywords_->setProperty("raw_text", raw);
}

void script_item::set_content(const QString& content) {
    content_ = content;
    text_->set_full_text(one_line_content(content));
}

QString index_text(int number) {
    return QStringLiteral("%1. ").arg(number, 2, 10, QLatin1Char('0'));
}

QString keyword_html(const QString& raw, const QFont& font) {
    static const QRegularExpression prefix(QStringLiteral("^\\$\\{([^}]+)\\}"));
    const QFontMetrics metrics(font);
    const QRegularExpressionMatch match = prefix.match(raw);
    if (match.hasMatch()) {
        const QString words = raw.mid(match.capturedLength());
        if (!words.isEmpty()) {
            const QColor colour(match.captured(1));
            const QString elided = metrics.elidedText(words, Qt::ElideRight, 120).toHtmlEscaped();
            if (colour.name().toLower() == QLatin1String("#ffffff"))
                return QStringLiteral("<span style = 'font-size: 11pt; color: black; "
                                      "background-color: white'>%1</span>")
                    .arg(elided);
            return QStringLiteral("<span style = 'font-size: 11pt; color: white; "
                                  "background-color: %1'>%2</span>")
                .arg(colour.name(), elided);
        }
    }
    return QStringLiteral("<span style = 'font-size: 11pt; color: blue; background-color: "
                          "transparent;'>%1</span>")
        .arg(metrics.elidedText(raw, Qt::ElideRight, 120).toHtmlEscaped());
}

QString one_line_content(const QString& content) {
    QString text = content;
    if (text.startsWith(QLatin1String("<!DOCTYPE")) && text.endsWith(QLatin1String("</html>"))) {
        cached_document document;
        document.setHtml(text);
        text = document.toPlainText();
    }
    static const QRegularExpression breaks(QStringLiteral("[\r\n ]"));
    return text.remove(breaks);
}

QString script_tooltip(const QString& content) {
    return without_foreign_images(wrap_tooltip_text(content));
}

QString plain_script_text(const QString& content) {
    QString text = content;
    if (Qt::mightBeRichText(text)) {
        cached_document document;
        document.setHtml(text);
        text = document.toPlainText();
    }
    text.remove(QChar::ObjectReplacementCharacter);
    return text.simplified();
}

} // namespace quorvel
