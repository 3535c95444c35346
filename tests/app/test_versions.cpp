// Which of two versions is newer: parts compare as numbers.
#include "app/versions.h"

#include <QtTest>

using namespace quorvel;

class test_versions : public QObject {
    Q_OBJECT
private slots:
    void compare_data();
    void compare();
    void update_version_data();
    void update_version();
};

void test_versions::compare_data() {
    QTest::addColumn<QString>("local");
    QTest::addColumn<QString>("offered");
    QTest::addColumn<int>("expected"); // 1 offered newer, -1 local newer, 0 equal
    QTest::newRow("numbers, not text") << "2.9.5"
                                       << "2.10.0" << 1;
    QTest::newRow("local numbers, not text") << "2.10.0"
                                             << "2.9.5" << -1;
    QTest::newRow("longer offered") << "2.1"
                                    << "2.1.1" << 1;
    QTest::newRow("longer local") << "2.1.1"
                                  << "2.1" << -1;
    QTest::newRow("equal") << "1.0.0.1"
                           << "1.0.0.1" << 0;
    QTest::newRow("trailing zero part still counts") << "2.1"
                                                     << "2.1.0" << 1;
    QTest::newRow("letters count 0") << "2.x.5"
                                     << "2.0.4" << -1;
    QTest::newRow("letters equal to 0") << "2.beta"
                                        << "2.0" << 0;
    QTest::newRow("empty part kept") << "2..1"
                                     << "2.0.1" << 0;
    QTest::newRow("first difference decides") << "3.0.0"
                                              << "2.99.99" << -1;
    QTest::newRow("leading zeros") << "1.02"
                                   << "1.2" << 0;
    QTest::newRow("empty offered") << "1.0"
                                   << "" << -1;
}

void test_versions::compare() {
    QFETCH(QString, local);
    QFETCH(QString, offered);
    QFETCH(int, expected);
    const int result = compare_versions(local, offered);
    QCOMPARE((result > 0) - (result < 0), expected);
}

void test_versions::update_version_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("four parts") << "1.2.0.3" << true;
    QTest::newRow("one part") << "99" << true;
    QTest::newRow("leading zeros") << "01.002" << true;
    QTest::newRow("climbs out") << "99.0/../../x" << false;
    QTest::newRow("absolute") << "/tmp/x" << false;
    QTest::newRow("backslash") << "99.0\\..\\x" << false;
    QTest::newRow("dots only") << ".." << false;
    QTest::newRow("empty part") << "2..1" << false;
    QTest::newRow("trailing dot") << "2.1." << false;
    QTest::newRow("letters") << "2.1-beta" << false;
    QTest::newRow("blank") << " 2.1" << false;
    QTest::newRow("newline after") << "2.1\n" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("part too long") << "1234567890.1" << false;
    QTest::newRow("too many parts") << "1.2.3.4.5.6.7.8.9.10.11" << false;
}

void test_versions::update_version() {
    QFETCH(QString, version);
    QFETCH(bool, accepted);
    QCOMPARE(is_update_version(version), accepted);
}

QTEST_GUILESS_MAIN(test_versions)
#include "test_versions.moc"
