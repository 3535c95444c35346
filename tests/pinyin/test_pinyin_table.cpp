// The Mandarin readings table: loading the Unihan readings, and matching
// search texts by full pinyin and initials, polyphones by any reading.
#include "pinyin/pinyin_table.h"
#include "pinyin/spelled_text.h"

#include <QTemporaryDir>
#include <QtTest>
#include <bzlib.h>

using quorvel::pinyin_table;

class test_pinyin_table : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void matching_data();
    void matching();
    void spelled_text_finds_data();
    void spelled_text_finds();
    void readings_of_every_field_most_common_first();
    void unreadable_file_leaves_plain_text();

private:
    QString write_packed(const QByteArray& text);

    QTemporaryDir dir_;
    pinyin_table table_;
};

QString test_pinyin_table::write_packed(const QByteArray& text) {
    QByteArray packed(text.size() + 1024, Qt::Uninitialized);
    unsigned size = packed.size();
    if (BZ2_bzBuffToBuffCompress(packed.data(), &size, const_cast<char*>(text.constData()),
                                 text.size(), 9, 0, 0) != BZ_OK)
        return {};
    const QString path = dir_.filePath(QStringLiteral("readings.txt.bz2"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(packed.constData(), size) != size)
        return {};
    return path;
}

void test_pinyin_table::initTestCase() {
    QString error;
    table_ = pinyin_table::load(pinyin_table::default_path(), &error);
    QVERIFY2(!table_.empty(), qPrintable(error));
}

void test_pinyin_table::matching_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("full");
    QTest::addColumn<bool>("initials");

    QTest::newRow("whole word") << "退货"
                                << "tuihuo" << true << false;
    QTest::newRow("last syllable typed in part") << "退货"
                                                 << "tuih" << true << false;
    QTest::newRow("from the second character") << "申请退货"
                                               << "tuihuo" << true << false;
    QTest::newRow("initials") << "申请退货"
                              << "qt" << false << true;
    QTest::newRow("initials out of order") << "退货"
                                           << "ht" << false << false;
    QTest::newRow("wrong syllable") << "退货"
                                    << "tuiguo" << false << false;
    QTest::newRow("longer than the text") << "退货"
                                          << "tuihuoa" << false << false;
    QTest::newRow("polyphone, common reading") << "长度"
                                               << "zhangdu" << true << false;
    QTest::newRow("polyphone, other reading") << "长度"
                                              << "changdu" << true << false;
    QTest::newRow("polyphone initials, other reading") << "长度"
                                                       << "cd" << false << true;
    QTest::newRow("polyphone in the middle") << "银行卡"
                                             << "yinhangka" << true << false;
    QTest::newRow("u with umlaut as u") << "绿色"
                                        << "luse" << true << false;
    QTest::newRow("u with umlaut as v") << "绿色"
                                        << "lvse" << true << false;
    QTest::newRow("Latin letters spell themselves") << "VIP会员"
                                                    << "viphuiyuan" << true << false;
    QTest::newRow("Latin letters as initials") << "VIP会员"
                                               << "viphy" << false << true;
    QTest::newRow("empty query") << "退货"
                                 << "" << false << false;
}

void test_pinyin_table::matching() {
    QFETCH(QString, text);
    QFETCH(QString, query);
    QFETCH(bool, full);
    QFETCH(bool, initials);
    const auto spelled = table_.spell(text);
    QCOMPARE(quorvel::matches_full_pinyin(spelled, query), full);
    QCOMPARE(quorvel::matches_pinyin_initials(spelled, query), initials);
}

void test_pinyin_table::spelled_text_finds_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("start"); // -1: not found
    QTest::addColumn<int>("end");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<bool>("literal");

    QTest::newRow("chinese as it stands") << "申请退货"
                                          << "退货" << 2 << 4 << true << true;
    QTest::newRow("full pinyin") << "申请退货"
                                 << "tuihuo" << 2 << 4 << true << false;
    QTest::newRow("initials") << "申请退货"
                              << "th" << 2 << 4 << false << false;
    QTest::newRow("initial then syllable") << "申请退货"
                                           << "thuo" << 2 << 4 << false << false;
    QTest::newRow("last syllable in part") << "申请退货"
                                           << "tuih" << 2 << 4 << false << false;
    QTest::newRow("one whole syllable") << "申请退货"
                                        << "tui" << 2 << 3 << true << false;
    QTest::newRow("polyphone, other reading") << "长度"
                                              << "changdu" << 0 << 2 << true << false;
    QTest::newRow("latin, any case") << "买iPhone壳"
                                     << "iphone" << 1 << 7 << true << true;
    QTest::newRow("latin then pinyin") << "买iPhone壳"
                                       << "iphoneke" << 1 << 8 << true << false;
    QTest::newRow("chinese then initials") << "退货流程"
                                           << "退hl" << 0 << 3 << false << false;
    QTest::newRow("u with umlaut as v") << "绿色"
                                        << "lvse" << 0 << 2 << true << false;
    QTest::newRow("out of order") << "退货"
                                  << "ht" << -1 << -1 << false << false;
    QTest::newRow("longer than the text") << "退货"
                                          << "tuihuoa" << -1 << -1 << false << false;
    QTest::newRow("first letter nowhere") << "退货"
                                          << "x" << -1 << -1 << false << false;
    QTest::newRow("second match of a letter") << "aab"
                                              << "ab" << 1 << 3 << true << true;
    QTest::newRow("empty query") << "退货"
                                 << "" << -1 << -1 << false << false;
}

// What the instant search relies on: where the match is, and whether every
// syllable was typed in full.
void test_pinyin_table::spelled_text_finds() {
    QFETCH(QString, text);
    QFETCH(QString, query);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(bool, complete);
    QFETCH(bool, literal);
    const quorvel::spelled_text spelled(table_, text);
    const quorvel::text_match_t m = spelled.find(table_, quorvel::fold_query(query));
    QCOMPARE(m.start, start);
    QCOMPARE(m.end, end);
    if (start >= 0) {
        QCOMPARE(m.complete, complete);
        QCOMPARE(m.literal, literal);
        QVERIFY(spelled.match_at(table_, quorvel::fold_query(query), start).found());
    }
}

// 长 is zhǎng in kMandarin and cháng in the dictionaries; 绿 lǜ also lù.
void test_pinyin_table::readings_of_every_field_most_common_first() {
    const QString path = write_packed("# comment\n"
                                      "U+957F\tkDefinition\tlong; length\n"
                                      "U+957F\tkMandarin\tzhǎng\n"
                                      "U+957F\tkXHC1983\t0121.040:cháng 1456.020:zhǎng\n"
                                      "U+7EFF\tkHanyuPinlu\tlǜ(120)\n"
                                      "U+7EFF\tkHanyuPinyin\t10.1:lǜ,lù\n");
    QVERIFY(!path.isEmpty());
    const pinyin_table t = pinyin_table::load(path);
    QCOMPARE(t.readings(0x957F), (QStringList{"zhang", "chang"}));
    QCOMPARE(t.readings(0x7EFF), (QStringList{"lu", "lv"}));
    QVERIFY(t.readings('a').isEmpty());
}

void test_pinyin_table::unreadable_file_leaves_plain_text() {
    const QString missing = dir_.filePath(QStringLiteral("missing.bz2"));
    QString error;
    const pinyin_table t = pinyin_table::load(missing, &error);
    QVERIFY(t.empty());
    QVERIFY(error.contains(missing));

    QFile plain(dir_.filePath(QStringLiteral("plain.bz2")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("U+9000\tkMandarin\ttuì\n");
    plain.close();
    QVERIFY(pinyin_table::load(plain.fileName(), &error).empty());

    // Without readings, Chinese text only matches itself.
    const auto spelled = t.spell(QStringLiteral("退货"));
    QVERIFY(!quorvel::matches_full_pinyin(spelled, QStringLiteral("tuihuo")));
    QVERIFY(quorvel::matches_full_pinyin(spelled, QStringLiteral("退货")));
    const quorvel::spelled_text once(t, QStringLiteral("退货"));
    QVERIFY(!once.find(t, QStringLiteral("tuihuo")).found());
    QVERIFY(once.find(t, QStringLiteral("退货")).found());
}

QTEST_GUILESS_MAIN(test_pinyin_table)
#include "test_pinyin_table.moc"
