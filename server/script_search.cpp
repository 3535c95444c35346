#include "script_search.h"

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
    : folded_(query.toCaseFolded()), pinyin_query_(looks_like_pinyin(folded_)),
      readings_(readings) {}

bool script_search::matches(qint64 id, const QString& keywords, const QString& content,
                            script_text_cache& cache) const {
    const auto texts = cache.texts(id, keywords, content, may_be_pinyin() ? &readings_ : nullptr);
    return matches_text(texts->shown_keywords, texts->keywords_pinyin) ||
           matches_text(texts->visible, texts->visible_pinyin);
}

bool script_search::matches_text(const QString& text) const {
    const QString folded = text.toCaseFolded();
    return matches_text(folded, may_be_pinyin() ? readings_.spell(folded) : pinyin_text_t{});
}

// Both sides folded beforehand: a plain search is much quicker than a
// case-insensitive one, and this runs for every script of the library.
bool script_search::matches_text(const QString& folded, const pinyin_text_t& spelled) const {
    if (folded.contains(folded_))
        return true;
    return may_be_pinyin() &&
           (matches_full_pinyin(spelled, folded_) || matches_pinyin_initials(spelled, folded_));
}

script_text_cache& script_text_cache::shared() {
    static script_text_cache cache;
    return cache;
}

int script_text_cache::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

std::shared_ptr<const script_texts_t> script_text_cache::texts(qint64 id, const QString& keywords,
                                                               const QString& content,
                                                               const pinyin_table* spell_with) {
    std::shared_ptr<const script_texts_t> found;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        found = entries_.value(id);
    }
    const bool current = found && found->keywords == keywords && found->content == content;
    if (current && (found->spelled || !spell_with))
        return found;
    // Worked out outside the lock: other searches go on meanwhile.
    auto made = std::make_shared<script_texts_t>();
    if (current) {
        *made = *found;
    } else {
        made->keywords = keywords;
        made->content = content;
        made->shown_keywords = keywords_without_colour(keywords).toCaseFolded();
        made->visible = visible_text(content).toCaseFolded();
    }
    if (spell_with) {
        made->keywords_pinyin = spell_with->spell(made->shown_keywords);
        made->visible_pinyin = spell_with->spell(made->visible);
        made->spelled = true;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (entries_.size() >= max_entries)
        entries_.clear();
    entries_.insert(id, made);
    return made;
}

} // namespace quorvel::server
