#pragma once

#include "pinyin/pinyin_table.h"

#include <QString>
#include <QVector>

namespace quorvel {

// Where a query was found in a spelled text, in characters (UTF-16 units) of
// the text.
struct text_match_t {
    int start = -1;
    int end = -1;
    // Every reading was typed in full (no initials, no half syllable).
    bool complete = false;
    // The query stands in the text as it is (no pinyin at all).
    bool literal = false;

    bool found() const { return start >= 0; }
};

// A text spelled once for many searches: per character its reading group in
// the table, so a search compares small numbers and strings the table owns.
// A character of a query matches a character of the text when they are equal
// (case-insensitive); a run of letters may also spell the readings of Han
// characters, each one in full or by its initial, and the last one in part
// ("tuihuo", "th", "tuih" and "thuo" all find 退货). Polyphones match by any
// reading. Characters outside the basic plane have no readings.
class spelled_text {
public:
    spelled_text() = default;
    spelled_text(const pinyin_table& table, const QString& text);

    const QString& folded() const { return folded_; }
    int size() const { return folded_.size(); }
    // Bit per letter that is in the text or begins a reading of it: a query
    // whose first letter is missing cannot match.
    quint32 letters() const { return letters_; }

    // The first match at or after character `from` of a folded query
    // (fold_query); found() is false when there is none.
    text_match_t find(const pinyin_table& table, const QString& query, int from = 0) const;
    // The match that starts exactly at character `at`.
    text_match_t match_at(const pinyin_table& table, const QString& query, int at) const;

private:
    QString folded_;
    QVector<quint16> groups_; // per character; 0 when it has no reading
    quint32 letters_ = 0;
};

// A query as spelled texts compare it: lower case, outer white space removed.
QString fold_query(const QString& query);

} // namespace quorvel
