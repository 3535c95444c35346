#include "integration/links.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace quorvel {

QStringList extract_links(const QString& text) {
    static const QRegularExpression anchor(
        QStringLiteral(R"(<a\s+[^>]*href\s*=\s*(["']?)((?:http|https)://[^\s"']+)\1[^>]*>)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression bare(QStringLiteral(R"((?:http|https)://[^\s<>"]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList links;
    auto add = [&links](const QString& link) {
        const QString trimmed = link.trimmed();
        if (!trimmed.isEmpty() && !links.contains(trimmed))
            links << trimmed;
    };
    for (auto it = anchor.globalMatch(text); it.hasNext();)
        add(it.next().captured(2));
    for (auto it = bare.globalMatch(text); it.hasNext();)
        add(it.next().captured(0));
    return links;
}

QHash<QString, QString> parse_query(const QString& url) {
    const QUrl parsed(url);
    if (!parsed.isValid())
        return {};
    QHash<QString, QString> items;
    for (const auto& [key, value] : QUrlQuery(parsed).queryItems(QUrl::FullyDecoded))
        items.insert(key, value);
    return items;
}

QString unescape_entities(QString text) {
    return text.replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"))
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&apos;"), QLatin1String("'"));
}

} // namespace quorvel
