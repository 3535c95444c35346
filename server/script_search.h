#pragma once

#include "pinyin/pinyin_table.h"

#include <QHash>
#include <QString>
#include <memory>
#include <mutex>

namespace quorvel::server {

// The text of rich-text script content as a reader sees it: no markup, no
// link addresses, no style sheet; paragraphs end in a line break.
QString visible_text(const QString& html);

// Keywords as shown: without the "${#rrggbb}" colour prefix.
QString keywords_without_colour(const QString& keywords);

// What a search looks at in one script, worked out once: without it every
// search parsed the HTML of every script of the library and spelled it anew.
struct script_texts_t {
    QString keywords; // as stored: the entry holds while both are unchanged
    QString content;
    QString shown_keywords; // case-folded, as the search compares them
    QString visible;        // case-folded
    bool spelled = false;   // the two below are filled
    pinyin_text_t keywords_pinyin;
    pinyin_text_t visible_pinyin;
};

// The texts of scripts by id, shared by every search of the process. An
// entry is used only while the script's keywords and content are the ones it
// was made from, so edits on any server sharing the database are seen.
class script_text_cache {
public:
    static script_text_cache& shared();
    // Entries beyond this start the cache afresh.
    static constexpr int max_entries = 200000;

    std::shared_ptr<const script_texts_t> texts(qint64 id, const QString& keywords,
                                                const QString& content,
                                                const pinyin_table* spell_with);
    int size() const;

private:
    mutable std::mutex mutex_;
    QHash<qint64, std::shared_ptr<const script_texts_t>> entries_;
};

// Matches scripts against a search text: case-insensitively in the keywords
// and the visible content, and for Chinese text also by full pinyin and by
// pinyin initials. Documents use the plain-text match on their name and
// keywords.
class script_search {
public:
    script_search(const QString& query, const pinyin_table& readings);

    // The script's keywords and content as stored; its texts come from the cache.
    bool matches(qint64 id, const QString& keywords, const QString& content,
                 script_text_cache& cache) const;
    // One plain text (a document's name or keywords), spelled on the spot.
    bool matches_text(const QString& text) const;

private:
    bool matches_text(const QString& folded, const pinyin_text_t& spelled) const;
    bool may_be_pinyin() const { return pinyin_query_ && !readings_.empty(); }

    QString folded_; // case-folded
    bool pinyin_query_;
    const pinyin_table& readings_;
};

} // namespace quorvel::server
