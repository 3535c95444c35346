#include "integration/links.h"

#include <QtTest>

using namespace quorvel;

class test_links : public QObject {
    Q_OBJECT
private slots:
    void extract_links_anchors_then_bare_once();
    void parse_query_decodes_and_keeps_the_last();
    void unescape_entities_in_order();
};

void test_links::extract_links_anchors_then_bare_once() {
    const QString html =
        R"(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0//EN" "http://www.w3.org/TR/REC-html40/strict.dtd">)"
        R"(<p>see <A HREF='https://b.example/x.pdf'>x</A> and <a class="l" href="http://a.example/y?tovk_name=y&amp;tovk_suffix=txt">y</a>)"
        R"( or http://c.example/z.doc, and again https://b.example/x.pdf</p>)";
    QCOMPARE(extract_links(html),
             (QStringList{"https://b.example/x.pdf",
                          "http://a.example/y?tovk_name=y&amp;tovk_suffix=txt",
                          "http://www.w3.org/TR/REC-html40/strict.dtd",
                          // the bare pattern stops at double quotes only
                          "https://b.example/x.pdf'", "http://c.example/z.doc,"}));
    QVERIFY(extract_links("no links, ftp://x.example/f").isEmpty());
}

void test_links::parse_query_decodes_and_keeps_the_last() {
    const auto q = parse_query(
        "http://x/"
        "download?tovk_fileId=7&tovk_name=%E6%8A%A5%E4%BB%B7&tovk_suffix=pdf&tovk_suffix=doc");
    QCOMPARE(q.size(), 3);
    QCOMPARE(q.value("tovk_name"), QStringLiteral("报价"));
    QCOMPARE(q.value("tovk_suffix"), QString("doc"));
    QVERIFY(parse_query("http://[bad").isEmpty());
}

void test_links::unescape_entities_in_order() {
    QCOMPARE(unescape_entities("a&amp;b&lt;c&gt;&quot;d&quot;&apos;e&apos;"),
             QString("a&b<c>\"d\"'e'"));
    QCOMPARE(unescape_entities("&amp;lt;"), QString("&lt;")); // &lt; is replaced before &amp;
}

QTEST_APPLESS_MAIN(test_links)
#include "test_links.moc"
