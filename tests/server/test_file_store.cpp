#include "api_support.h"
#include "file_store.h"

#include <QtTest>

using quorvel::server::file_store;

// What is left of a client's file name decides the stored name, never a path.
class test_file_store : public QObject {
    Q_OBJECT
private slots:
    void safe_base_name_data();
    void safe_base_name();
    void like_pattern_escapes_wildcards();
};

void test_file_store::safe_base_name_data() {
    QTest::addColumn<QString>("client");
    QTest::addColumn<QString>("expected");
    QTest::newRow("windows path") << "C:\\Users\\李\\图片\\笑脸.png" << QStringLiteral("笑脸.png");
    QTest::newRow("unix path") << "/home/li/报价.pdf" << QStringLiteral("报价.pdf");
    QTest::newRow("mixed separators") << "..\\../x/y\\z.txt"
                                      << "z.txt";
    QTest::newRow("plain") << "a.txt"
                           << "a.txt";
    QTest::newRow("dot dot") << ".."
                             << "";
    QTest::newRow("ends with dot dot") << "C:\\a\\.."
                                       << "";
    QTest::newRow("dot") << "."
                         << "";
    QTest::newRow("trailing separator") << "/tmp/"
                                        << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("nul byte") << QString("a") + QChar(0) + "b.txt"
                              << "";
    QTest::newRow("too long") << QString(256, 'x') << "";
    QTest::newRow("longest allowed") << QString(255, 'x') << QString(255, 'x');
}

void test_file_store::safe_base_name() {
    QFETCH(QString, client);
    QFETCH(QString, expected);
    QCOMPARE(file_store::safe_base_name(client), expected);
}

void test_file_store::like_pattern_escapes_wildcards() {
    QCOMPARE(quorvel::server::like_pattern("50%_off\\"), QString("%50\\%\\_off\\\\%"));
}

QTEST_APPLESS_MAIN(test_file_store)
#include "test_file_store.moc"
