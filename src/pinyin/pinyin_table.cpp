#include "pinyin_table.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QtDebug>
#include <bzlib.h>
#include <utility>

namespace quorvel {

namespace {

// Fields that carry Mandarin readings. kMandarin names the most common one
// only; the dictionary fields add the other readings of polyphones (长: cháng
// and zhǎng).
const char* const reading_fields[] = {"kMandarin", "kHanyuPinlu", "kXHC1983", "kTGHZ2013",
                                      "kHanyuPinyin"};

bool inflate_bzip2(const QByteArray& packed, QByteArray* out, QString* error) {
    bz_stream stream{};
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) {
        *error = QStringLiteral("bzip2 init failed");
        return false;
    }
    stream.next_in = const_cast<char*>(packed.constData());
    stream.avail_in = static_cast<unsigned>(packed.size());
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    int status = BZ_OK;
    while (status == BZ_OK) {
        stream.next_out = chunk.data();
        stream.avail_out = static_cast<unsigned>(chunk.size());
        status = BZ2_bzDecompress(&stream);
        out->append(chunk.constData(), chunk.size() - static_cast<int>(stream.avail_out));
        if (status == BZ_OK && stream.avail_in == 0 && stream.avail_out != 0)
            break; // input ended before the stream did
    }
    BZ2_bzDecompressEnd(&stream);
    if (status != BZ_STREAM_END) {
        *error = QStringLiteral("not a complete bzip2 stream");
        return false;
    }
    return true;
}

// "xíng" -> "xing"; "lǜ" -> "lu" (and "lv", as typed on keyboards). Empty
// when anything but letters is left.
QStringList toneless(const QString& reading) {
    const QString decomposed = reading.normalized(QString::NormalizationForm_D);
    QString plain;
    bool umlaut = false;
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing) {
            umlaut = umlaut || c.unicode() == 0x0308;
            continue;
        }
        const QChar lower = c.toLower();
        if (lower < QLatin1Char('a') || lower > QLatin1Char('z'))
            return {};
        plain += lower;
    }
    if (plain.isEmpty())
        return {};
    if (!umlaut)
        return {plain};
    QString typed = plain;
    typed.replace(typed.lastIndexOf(QLatin1Char('u')), 1, QLatin1Char('v'));
    return {plain, typed};
}

// Readings in a field value: "xíng", "xíng(2943) háng(218)",
// "20811.060:háng,xìng", "0442.080:háng 0443.050:hàng".
QStringList readings_in(const QString& value) {
    QStringList out;
    for (QString token : value.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        token = token.mid(token.indexOf(QLatin1Char(':')) + 1);
        const int paren = token.indexOf(QLatin1Char('('));
        if (paren >= 0)
            token.truncate(paren);
        for (const QString& r : token.split(QLatin1Char(','), Qt::SkipEmptyParts))
            out += toneless(r);
    }
    return out;
}

int field_rank(const QByteArray& field) {
    for (int i = 0; i < int(std::size(reading_fields)); ++i)
        if (field == reading_fields[i])
            return i;
    return -1;
}

} // namespace

QString pinyin_table::default_path() {
    if (QCoreApplication::instance()) {
        const QString own = QCoreApplication::applicationDirPath() +
                            QStringLiteral("/data/Unihan_Readings.txt.bz2");
        if (QFile::exists(own))
            return own;
    }
    return QStringLiteral("/usr/share/unicode/Unihan_Readings.txt.bz2");
}

const pinyin_table& pinyin_table::shared() {
    static const pinyin_table table = [] {
        QString error;
        pinyin_table t = load(default_path(), &error);
        if (t.empty())
            qWarning().noquote() << "pinyin readings unavailable, searching plain text only:"
                                 << error;
        return t;
    }();
    return table;
}

pinyin_table pinyin_table::load(const QString& path, QString* error) {
    QString ignored;
    QString& why = error ? *error : ignored;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = path + QStringLiteral(": ") + file.errorString();
        return {};
    }
    QByteArray text;
    if (!inflate_bzip2(file.readAll(), &text, &why)) {
        why = path + QStringLiteral(": ") + why;
        return {};
    }
    // The fields of one character are spread over several lines, in field
    // name order; collect them by rank so kMandarin's reading comes first.
    QHash<uint, QVector<QStringList>> ranked;
    for (const QByteArray& line : text.split('\n')) {
        if (!line.startsWith("U+"))
            continue;
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() < 3)
            continue;
        const int rank = field_rank(parts[1]);
        if (rank < 0)
            continue;
        bool ok = false;
        const uint code_point = parts[0].mid(2).toUInt(&ok, 16);
        if (!ok)
            continue;
        auto& by_field = ranked[code_point];
        by_field.resize(int(std::size(reading_fields)));
        by_field[rank] = readings_in(QString::fromUtf8(parts[2]));
    }
    pinyin_table table;
    for (auto it = ranked.cbegin(); it != ranked.cend(); ++it) {
        QStringList all;
        for (const QStringList& r : it.value())
            all += r;
        table.add_readings(it.key(), all);
    }
    table.number_readings();
    if (table.empty())
        why = path + QStringLiteral(": no Mandarin readings");
    return table;
}

void pinyin_table::add_readings(uint code_point, const QStringList& readings) {
    QStringList unique;
    for (const QString& r : readings)
        if (!unique.contains(r))
            unique << r;
    if (!unique.isEmpty())
        readings_.insert(code_point, unique);
}

void pinyin_table::number_readings() {
    QHash<QString, quint16> syllable_ids;
    QHash<QVector<quint16>, quint16> group_ids;
    for (auto it = readings_.cbegin(); it != readings_.cend(); ++it) {
        QVector<quint16> group;
        quint32 initials = 0;
        for (const QString& r : it.value()) {
            auto id = syllable_ids.find(r);
            if (id == syllable_ids.end()) {
                id = syllable_ids.insert(r, quint16(syllables_.size()));
                syllables_ << r;
            }
            group << id.value();
            initials |= letter_bit(r.at(0));
        }
        auto g = group_ids.find(group);
        if (g == group_ids.end()) {
            g = group_ids.insert(group, quint16(groups_.size()));
            groups_ << group;
            group_initials_ << initials;
        }
        groups_by_char_.insert(it.key(), g.value());
    }
}

pinyin_text_t pinyin_table::spell(const QString& text) const {
    pinyin_text_t out;
    for (const uint c : text.toUcs4()) {
        QStringList r = readings(c);
        if (r.isEmpty())
            r << QString::fromUcs4(&c, 1).toLower();
        out.syllables << r;
    }
    return out;
}

namespace {

// Full-pinyin match from character i with the query consumed up to pos;
// failed states are remembered so polyphones cannot make it exponential.
bool full_from(const pinyin_text_t& text, const QString& query, int i, int pos,
               QSet<qint64>& failed) {
    if (pos == query.size())
        return true;
    if (i == text.syllables.size())
        return false;
    const qint64 state = (qint64(i) << 32) | pos;
    if (failed.contains(state))
        return false;
    const QStringRef rest = query.midRef(pos);
    for (const QString& r : text.syllables[i]) {
        if (r.startsWith(rest))
            return true;
        if (rest.startsWith(r) && full_from(text, query, i + 1, pos + r.size(), failed))
            return true;
    }
    failed.insert(state);
    return false;
}

bool initial_fits(const QStringList& readings, QChar c) {
    for (const QString& r : readings)
        if (!r.isEmpty() && r.at(0) == c)
            return true;
    return false;
}

} // namespace

bool matches_full_pinyin(const pinyin_text_t& text, const QString& query) {
    if (query.isEmpty())
        return false;
    QSet<qint64> failed;
    for (int i = 0; i < text.syllables.size(); ++i)
        if (full_from(text, query, i, 0, failed))
            return true;
    return false;
}

bool matches_pinyin_initials(const pinyin_text_t& text, const QString& query) {
    const int n = text.syllables.size();
    for (int start = 0; start + query.size() <= n && !query.isEmpty(); ++start) {
        int k = 0;
        while (k < query.size() && initial_fits(text.syllables[start + k], query.at(k)))
            ++k;
        if (k == query.size())
            return true;
    }
    return false;
}

} // namespace quorvel
