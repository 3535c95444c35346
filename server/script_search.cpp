#include "script_search.h"

#include "pinyin/pinyin_table.h"

#include <QRegularExpression>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

namespace quorvel::server {

namespace {

bool is_block(const xmlChar* name) {
    static const char* const blocks[] = {"p", "br", "div", "li", "tr", "h1", "h2", "h3"};
    for (const char* b : blocks)
        if (xmlStrcasecmp(name, reinterpret_cast<const xmlChar*>(b)) == 0)
            return true;
    return false;
}

bool is_hidden(const xmlChar* name) {
    return xmlStrcasecmp(name, reinterpret_cast<const xmlChar*>("style")) == 0 ||
           xmlStrcasecmp(name, reinterpret_cast<const xmlChar*>("script")) == 0;
}

void collect_text(xmlNode* node, QString* out) {
    for (; node; node = node->next) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            *out += QString::fromUtf8(reinterpret_cast<const char*>(node->content));
        } else if (node->type == XML_ELEMENT_NODE && !is_hidden(node->name)) {
            collect_text(node->children, out);
            if (is_block(node->name))
                *out += QLatin1Char('\n');
        }
    }
}

// Search texts typed on a Latin keyboard may be pinyin.
bool looks_like_pinyin(const QString& folded) {
    if (folded.isEmpty())
        return false;
    for (const QChar c : folded)
        if (!(c >= QLatin1Char('a') && c <= QLatin1Char('z')))
            return false;
    return true;
}

} // namespace

QString visible_text(const QString& html) {
    static const bool initialised = (xmlInitParser(), true); // once, before threads parse
    Q_UNUSED(initialised);
    const QByteArray bytes = html.toUtf8();
    if (bytes.isEmpty())
        return {};
    htmlDocPtr doc = htmlReadMemory(bytes.constData(), bytes.size(), nullptr, "UTF-8",
                                    HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                        HTML_PARSE_NONET);
    if (!doc)
        return {};
    QString text;
    collect_text(xmlDocGetRootElement(doc), &text);
    xmlFreeDoc(doc);
    return text;
}

QString keywords_without_colour(const QString& keywords) {
    static const QRegularExpression prefix(QStringLiteral("^\\$\\{([^}]+)\\}"));
    const auto m = prefix.match(keywords);
    return m.hasMatch() ? keywords.mid(m.capturedEnd()) : keywords;
}

script_search::script_search(const QString& query, const pinyin_table& readings)
    : query_(query), folded_(query.toLower()), pinyin_query_(looks_like_pinyin(folded_)),
      readings_(readings) {}

bool script_search::matches(const QString& keywords, const QString& content) const {
    return matches_text(keywords_without_colour(keywords)) || matches_text(visible_text(content));
}

bool script_search::matches_text(const QString& text) const {
    if (text.contains(query_, Qt::CaseInsensitive))
        return true;
    if (!pinyin_query_ || readings_.empty())
        return false;
    const pinyin_text_t spelled = readings_.spell(text);
    return matches_full_pinyin(spelled, folded_) || matches_pinyin_initials(spelled, folded_);
}

} // namespace quorvel::server
