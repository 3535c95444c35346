#include "spelled_text.h"

#include <vector>

namespace quorvel {

namespace {

// Per character, so positions stay those of the original text.
QString fold(const QString& text) {
    QString out(text.size(), Qt::Uninitialized);
    for (int i = 0; i < text.size(); ++i)
        out[i] = text.at(i).toLower();
    return out;
}

bool is_letter(QChar c) {
    return c.unicode() >= 'a' && c.unicode() <= 'z';
}

// The depth-first walk over (character, query position) states. Failed
// states are remembered so polyphones and initials cannot make it
// exponential. The marks live in one buffer per thread, stamped with the
// walk's number, so starting a walk costs nothing per character.
class walker {
public:
    walker(const pinyin_table& table, const QString& text, const QVector<quint16>& groups,
           const QString& query)
        : table_(table), text_(text), groups_(groups), query_(query), width_(query.size() + 1) {
        static thread_local std::vector<quint32> buffer;
        static thread_local quint32 walks = 0;
        const size_t needed = size_t(text.size() + 1) * size_t(width_);
        if (buffer.size() < needed)
            buffer.resize(needed, 0);
        if (++walks == 0) { // wrapped: old stamps could look current
            std::fill(buffer.begin(), buffer.end(), 0);
            walks = 1;
        }
        failed_ = buffer.data();
        stamp_ = walks;
    }

    // Whether the rest of the query from position q matches from character
    // i; sets end_ and the flags of the path found.
    bool walk(int i, int q, bool complete, bool literal) {
        if (q == query_.size()) {
            end_ = i;
            complete_ = complete;
            literal_ = literal;
            return true;
        }
        if (i == text_.size())
            return false;
        const size_t state = size_t(i) * size_t(width_) + size_t(q);
        if (failed_[state] == stamp_)
            return false;
        const QChar c = query_.at(q);
        if (c == text_.at(i) && walk(i + 1, q + 1, complete, literal))
            return true;
        const quint16 group = groups_.at(i);
        if (group && is_letter(c) && (table_.group_initials(group) & letter_bit(c)) &&
            walk_readings(i, q, group, complete))
            return true;
        failed_[state] = stamp_;
        return false;
    }

    int end() const { return end_; }
    bool complete() const { return complete_; }
    bool literal() const { return literal_; }

private:
    bool walk_readings(int i, int q, quint16 group, bool complete) {
        const QStringRef rest = query_.midRef(q);
        const QVector<quint16>& syllables = table_.group_syllables(group);
        // Whole readings first, so a path typed in full is the one reported.
        for (const quint16 s : syllables) {
            const QString& r = table_.syllable(s);
            if (rest.startsWith(r) && walk(i + 1, q + r.size(), complete, false))
                return true;
        }
        for (const quint16 s : syllables) {
            const QString& r = table_.syllable(s);
            if (r.startsWith(rest)) { // the query ends inside this reading
                end_ = i + 1;
                complete_ = complete && r.size() == rest.size();
                literal_ = false;
                return true;
            }
        }
        return walk(i + 1, q + 1, false, false); // the initial alone
    }

    const pinyin_table& table_;
    const QString& text_;
    const QVector<quint16>& groups_;
    const QString& query_;
    const int width_;
    quint32* failed_;
    quint32 stamp_;
    int end_ = -1;
    bool complete_ = false;
    bool literal_ = false;
};

} // namespace

QString fold_query(const QString& query) {
    return fold(query.trimmed());
}

spelled_text::spelled_text(const pinyin_table& table, const QString& text)
    : folded_(fold(text)), groups_(text.size(), 0) {
    for (int i = 0; i < folded_.size(); ++i) {
        const QChar c = folded_.at(i);
        letters_ |= letter_bit(c);
        if (c.unicode() < 0x80 || c.isSurrogate())
            continue;
        const quint16 group = table.group_of(c.unicode());
        groups_[i] = group;
        letters_ |= table.group_initials(group);
    }
}

text_match_t spelled_text::match_at(const pinyin_table& table, const QString& query, int at) const {
    walker w(table, folded_, groups_, query);
    if (query.isEmpty() || !w.walk(at, 0, true, true))
        return {};
    return {at, w.end(), w.complete(), w.literal()};
}

text_match_t spelled_text::find(const pinyin_table& table, const QString& query, int from) const {
    if (query.isEmpty())
        return {};
    const QChar first = query.at(0);
    const quint32 bit = letter_bit(first);
    if (bit && !(letters_ & bit))
        return {};
    walker w(table, folded_, groups_, query);
    for (int i = qMax(0, from); i < folded_.size(); ++i) {
        const bool may_start =
            folded_.at(i) == first || (bit && (table.group_initials(groups_.at(i)) & bit));
        if (may_start && w.walk(i, 0, true, true))
            return {i, w.end(), w.complete(), w.literal()};
    }
    return {};
}

} // namespace quorvel
