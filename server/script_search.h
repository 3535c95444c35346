#pragma once

#include <QString>

namespace quorvel {
class pinyin_table;
}

namespace quorvel::server {

// The text of rich-text script content as a reader sees it: no markup, no
// link addresses, no style sheet; paragraphs end in a line break.
QString visible_text(const QString& html);

// Keywords as shown: without the "${#rrggbb}" colour prefix.
QString keywords_without_colour(const QString& keywords);

// Matches scripts against a search text: case-insensitively in the keywords
// and the visible content, and for Chinese text also by full pinyin and by
// pinyin initials. Documents use the plain-text match on their name and
// keywords.
class script_search {
public:
    script_search(const QString& query, const pinyin_table& readings);

    bool matches(const QString& keywords, const QString& content) const;
    // One plain text: contains the query, or spells it in pinyin or initials.
    bool matches_text(const QString& text) const;

private:
    QString query_;
    QString folded_; // lower case, for pinyin
    bool pinyin_query_;
    const pinyin_table& readings_;
};

} // namespace quorvel::server
