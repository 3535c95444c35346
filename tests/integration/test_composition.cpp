// Scripts cut into segments and turned into clipboard payloads.
#include "integration/composition.h"
#include "integration/current_desktop.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "platform/fake/fake_desktop.h"
#include "sync/cache_manager.h"

#include <QImage>
#include <QtTest>

using namespace quorvel;

namespace {

QString html_paragraphs(const QStringList& paragraphs) {
    QString html = QStringLiteral("<html><body>");
    for (const QString& p : paragraphs)
        html += "<p>" + p + "</p>";
    return html + QStringLiteral("</body></html>");
}

} // namespace

class test_composition : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void wechat_payload_byte_for_byte();
    void paragraphs_become_line_breaks();
    void link_kinds_and_elements_data();
    void link_kinds_and_elements();
    void visible_link_text_never_sent();
    void w3c_and_mailto_anchors_give_nothing();
    void emoji_of_another_installation_data();
    void emoji_of_another_installation();
    void phrases_are_read_as_html();
    void empty_script_is_one_empty_text();
    void date_variables();
    void clipboard_helpers();

private:
    QString cached(const QString& id, const QString& name, const QByteArray& content);

    QTemporaryDir dir_;
    platform::fake_desktop desktop_;
};

void test_composition::initTestCase() {
    auto profile = user_login_info_spt::create();
    profile->account = "agent";
    session_state::instance().set_login_user(profile);
    set_current_desktop(&desktop_);
}

QString test_composition::cached(const QString& id, const QString& name,
                                 const QByteArray& content) {
    const QString suffix = QFileInfo(name).suffix();
    const QString path = cache_manager::instance()->path_by_id(
        "clouddoc", id, QFileInfo(name).completeBaseName(), suffix);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

void test_composition::wechat_payload_byte_for_byte() {
    const segment_list segments = split_segments(QStringLiteral("您好${日期}"));
    QCOMPARE(wechat_rich_payload(segments, QDate(2024, 3, 5)),
             QStringLiteral(
                 "<WeChatRichEditFormat><EditElement type=\"0\"><![CDATA[您好2024年03月05日]]>"
                 "</EditElement></WeChatRichEditFormat>")
                 .toUtf8());
}

void test_composition::paragraphs_become_line_breaks() {
    const segment_list segments = split_segments(html_paragraphs({"A", "B"}));
    QCOMPARE(segments, (segment_list{{0, QString("A")}, {0, QString("\n")}, {0, QString("B")}}));
    const QByteArray payload = wechat_rich_payload(segments, QDate(2024, 3, 5));
    QCOMPARE(payload.count("<EditElement type=\"0\">"), 3);
}

void test_composition::link_kinds_and_elements_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("type");
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QTest::newRow("pdf") << QStringLiteral("报价.pdf") << QByteArray("%PDF-1.4\n") << 3;
    QTest::newRow("png") << "pic.png" << png << 1;
    QTest::newRow("mp3") << "song.mp3" << QByteArray("ID3\x03\x00", 5) << 3;
    QTest::newRow("mp4") << "clip.mp4" << QByteArray("....ftypisom", 12) << 4;
    QTest::newRow("zip") << "pack.zip" << QByteArray("PK\x03\x04", 4) << 4;
}

void test_composition::link_kinds_and_elements() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, type);
    static int id = 100;
    const QString file_id = QString::number(++id);
    const QString path = cached(file_id, name, content);
    const QString link = file_store_placeholder + "?tovk_fileId=" + file_id +
                         "&tovk_name=" + QFileInfo(name).completeBaseName() +
                         "&tovk_suffix=" + QFileInfo(name).suffix();
    QCOMPARE(resolve_link(QUrl(link)), QDir::toNativeSeparators(path));
    QCOMPARE(wechat_element(QUrl(link)),
             QStringLiteral("<EditElement type=\"%1\" filepath=\"%2\"></EditElement>")
                 .arg(type)
                 .arg(QDir::toNativeSeparators(path)));
    QVERIFY(wechat_element(
                QUrl(file_store_placeholder + "?tovk_fileId=none&tovk_name=x&tovk_suffix=pdf"))
                .isEmpty());
}

void test_composition::visible_link_text_never_sent() {
    const QString html = html_paragraphs(
        {QStringLiteral(
             "请看<a "
             "href=\"%1?tovk_fileId=7&amp;tovk_name=报价&amp;tovk_suffix=pdf\">报价.pdf</a>完")
             .arg(file_store_placeholder)});
    const segment_list segments = split_segments(html);
    QCOMPARE(segments.size(), 3);
    QCOMPARE(segments[0], segment_t(0, QStringLiteral("请看")));
    QCOMPARE(segments[1].first, 1);
    QCOMPARE(segments[1].second.toUrl().query(QUrl::FullyDecoded),
             QStringLiteral("tovk_fileId=7&tovk_name=报价&tovk_suffix=pdf"));
    QCOMPARE(segments[2], segment_t(0, QStringLiteral("完")));
    for (const segment_t& s : segments)
        QVERIFY(!s.second.toString().contains(QStringLiteral("报价.pdf")));
}

void test_composition::w3c_and_mailto_anchors_give_nothing() {
    const segment_list segments = split_segments(
        html_paragraphs({"<a href=\"http://www.w3.org/TR/REC-html40/strict.dtd\">ns</a>"
                         "<a href=\"mailto:a@b.c\">mail</a>x"}));
    QCOMPARE(segments, (segment_list{{0, QString("x")}}));
}

// A script written on another desk names the emoji by that desk's install path.
void test_composition::emoji_of_another_installation_data() {
    QTest::addColumn<QString>("src");
    QTest::addColumn<bool>("found");
    const QString emoji = QStringLiteral("1f339.png");
    QTest::newRow("other Linux install") << "/opt/elsewhere/bin/data/emoji/" + emoji << true;
    QTest::newRow("Windows install") << "C:\\Program Files\\Quorvel\\data\\emoji\\" + emoji << true;
    QTest::newRow("file URL") << "file:///opt/elsewhere/data/emoji/" + emoji << true;
    QTest::newRow("unknown emoji") << QStringLiteral("/opt/elsewhere/data/emoji/none.png") << false;
    QTest::newRow("missing image elsewhere") << "/opt/elsewhere/pictures/" + emoji << false;
}

void test_composition::emoji_of_another_installation() {
    QFETCH(QString, src);
    QFETCH(bool, found);
    const QString local =
        QCoreApplication::applicationDirPath() + QStringLiteral("/data/emoji/1f339.png");
    QVERIFY2(QFileInfo(local).isFile(), "the build draws the emoji beside the tests");
    const segment_list segments =
        split_segments(html_paragraphs({QStringLiteral("玫瑰<img src=\"%1\" />").arg(src)}));
    segment_list expected{{0, QStringLiteral("玫瑰")}};
    if (found)
        expected << segment_t{1, QUrl::fromLocalFile(local)};
    QCOMPARE(segments, expected);
}

void test_composition::phrases_are_read_as_html() {
    QCOMPARE(split_segments("two  spaces"), (segment_list{{0, QString("two spaces")}}));
    QCOMPARE(split_segments("line\nbreak"), (segment_list{{0, QString("line break")}}));
}

void test_composition::empty_script_is_one_empty_text() {
    QCOMPARE(split_segments(QString()), (segment_list{{0, QString()}}));
}

void test_composition::date_variables() {
    const QDate day(2024, 12, 31);
    QCOMPARE(expand_date(QStringLiteral("${日期}${日期}"), day),
             QStringLiteral("2024年12月31日2024年12月31日"));
    QCOMPARE(expand_date(QStringLiteral("${姓名}您好"), day), QStringLiteral("${姓名}您好"));
    QCOMPARE(find_variables(QStringLiteral("a${日期}b${姓名}")),
             (QList<QPair<QString, QString>>{{QStringLiteral("${日期}"), QStringLiteral("日期")},
                                             {QStringLiteral("${姓名}"), QStringLiteral("姓名")}}));
}

void test_composition::clipboard_helpers() {
    desktop_.clear_calls();
    QTest::ignoreMessage(QtWarningMsg, "ClipboardHelper: Cannot copy empty text");
    QVERIFY(!copy_text_to_clipboard(QString()));
    QVERIFY(copy_files_to_clipboard({})); // nothing to do
    QVERIFY(desktop_.calls().isEmpty());
    QVERIFY(copy_file_to_clipboard("/no/such/file.pdf")); // used unchanged
    copy_script_as_text(html_paragraphs({QStringLiteral("你好"), QStringLiteral("再见")}));
    const auto calls = desktop_.calls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0].args.first().toStringList(), QStringList{"/no/such/file.pdf"});
    QCOMPARE(calls[1].args.first().toString(), QStringLiteral("你好\n再见"));
}

QTEST_MAIN(test_composition)
#include "test_composition.moc"
