// Which of two versions is newer: parts compare as numbers.
#include "app/versions.h"

#include <QtTest>

using namespace quorvel;

class test_versions : public QObject {
    Q_OBJECT
private slots:
    void compare_data();
    void compare();
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

QTEST_GUILESS_MAIN(test_versions)
#include "test_versions.moc"
