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
    // "data/Unihan_Readings.txt.bz2" beside the program when it brings its
    // own copy (the Windows installation does), else where unicode-data
    // installs the readings.
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

    // The same readings as small numbers, for texts spelled once and searched
    // often (spelled_text): a character's set of readings is one group id
    // (0: none), a group lists syllable ids.
    quint16 group_of(uint code_point) const { return groups_by_char_.value(code_point); }
    const QVector<quint16>& group_syllables(quint16 group) const { return groups_[group]; }
    // Bit n set when a reading of the group begins with 'a' + n.
    quint32 group_initials(quint16 group) const { return group_initials_[group]; }
    const QString& syllable(quint16 id) const { return syllables_[id]; }

private:
    void add_readings(uint code_point, const QStringList& readings);
    void number_readings();

    QHash<uint, QStringList> readings_;
    QHash<uint, quint16> groups_by_char_;
    QVector<QVector<quint16>> groups_{QVector<quint16>()};
    QVector<quint32> group_initials_{0};
    QStringList syllables_;
};

// Bit n set for the letter 'a' + n; 0 for anything else.
inline quint32 letter_bit(QChar c) {
    const ushort u = c.unicode();
    return u >= 'a' && u <= 'z' ? 1u << (u - 'a') : 0;
}

// Whether the query (lower-case letters and digits, as typed) runs on from
// the start of one character's reading through the readings of the next
// characters; the last reading may be typed only in part ("tuih" finds 退货).
bool matches_full_pinyin(const pinyin_text_t& text, const QString& query);
// Whether the query is the initials of a run of consecutive characters
// ("th" finds 退货).
bool matches_pinyin_initials(const pinyin_text_t& text, const QString& query);

} // namespace quorvel
