#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

namespace quorvel {

// A text spelled in pinyin: for each character the toneless readings it may
// have (every reading of a polyphonic character), or the character itself in
// lower case when it has none (Latin letters, digits, punctuation).
struct pinyin_text_t {
    QVector<QStringList> syllables;
};

// Mandarin readings of Han characters, read from the Unihan readings that
// Debian's unicode-data ships.
class pinyin_table {
public:
    // Where unicode-data installs the readings.
    static QString default_path();
    // The table from default_path(), loaded on first use; empty (with one
    // warning) when the file is missing, so callers fall back to plain text.
    static const pinyin_table& shared();
    // Reads a bzip2-compressed Unihan readings file; empty on any failure,
    // with the reason in *error.
    static pinyin_table load(const QString& path, QString* error = nullptr);

    bool empty() const { return readings_.isEmpty(); }
    // Toneless readings of a code point, most common first; empty if none.
    QStringList readings(uint code_point) const { return readings_.value(code_point); }
    pinyin_text_t spell(const QString& text) const;

private:
    void add_readings(uint code_point, const QStringList& readings);

    QHash<uint, QStringList> readings_;
};

// Whether the query (lower-case letters and digits, as typed) runs on from
// the start of one character's reading through the readings of the next
// characters; the last reading may be typed only in part ("tuih" finds 退货).
bool matches_full_pinyin(const pinyin_text_t& text, const QString& query);
// Whether the query is the initials of a run of consecutive characters
// ("th" finds 退货).
bool matches_pinyin_initials(const pinyin_text_t& text, const QString& query);

} // namespace quorvel
