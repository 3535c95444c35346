// End to end on X11 with a window manager: a script written in the editor
// from the scripts page (text, the date placeholder, two paragraphs, an
// emoji, a local image, a cloud document and a sticker) is saved on
// quorvel-server, shows in the page, and is delivered into the stand-in
// WeCom-like window segment by segment: the date filled in, the files pasted
// as files.
#include "library_e2e_fixture.h"
#include "model/data_center.h"
#include "protocol/protocol.h"
#include "resources/resources.h"
#include "script_on_server.h"
#include "sync/cache_manager.h"
#include "ui/docs/select_clouddoc_dialog.h"
#include "ui/kb/kb_item_menus.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/kb_tab_widget.h"
#include "ui/kb/new_script_widget.h"
#include "ui/kb/select_emoji_widget.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/widgets/custom_button.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QLocale>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

using namespace quorvel;

class test_script_editor_e2e_x11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void written_script_is_saved_shown_and_delivered();

private:
    QList<QJsonObject> pastes() const;

    library_e2e_fixture e2e_;
    QTemporaryDir dir_;
};

void test_script_editor_e2e_x11::initTestCase() {
    QVERIFY2(qgetenv("QT_QPA_PLATFORM") == "xcb", "runs on a real X display");
    init_resources();
    register_meta_types();
    const QString failed = e2e_.start(QUORVEL_STANDIN);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

QList<QJsonObject> test_script_editor_e2e_x11::pastes() const {
    return e2e_.standin.events("paste");
}

void test_script_editor_e2e_x11::written_script_is_saved_shown_and_delivered() {
    data_center& dc = data_center::instance();
    kb_item_widget* view = e2e_.main->scripts_page()->view(1);
    const QList<category_node_spt>* tops = dc.top_categories(library_kind::scripts, 1, {});
    QVERIFY(tops && !tops->isEmpty());
    const category_node_spt category = tops->first();

    // The library's pieces: a local image uploaded as the upload dialog
    // does, a stored document and a stored sticker.
    const QString local = dir_.filePath("new arrival.png");
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QVERIFY(picture.save(local));
    QFile local_file(local);
    QVERIFY(local_file.open(QIODevice::ReadOnly));
    const QByteArray local_bytes = local_file.readAll();
    const auto uploaded = e2e_.demo.upload("/tavorine/nas/userUploadFileDirect", "new arrival.png",
                                           local_bytes, e2e_.token);
    const QString file_id = uploaded.data().toObject().value("id").toString();
    QVERIFY2(!file_id.isEmpty(), uploaded.raw.constData());
    doc_node_spt doc;
    for (const QList<doc_node_spt>& docs : dc.docs_by_category())
        for (const doc_node_spt& d : docs)
            if (d && !doc && !select_clouddoc_dialog::info_of(*d).location.isEmpty() &&
                !select_clouddoc_dialog::info_of(*d).location.startsWith("http"))
                doc = d;
    QVERIFY(doc);
    sticker_node_spt sticker;
    for (const QList<sticker_node_spt>& stickers : dc.stickers_by_category())
        for (const sticker_node_spt& s : stickers)
            if (s && !sticker && s->emojiType == protocol::sticker_type::stored && s->nasFile)
                sticker = s;
    QVERIFY(sticker);

    new_script_widget* editor = view->menus()->open_new_script(category->id);
    QVERIFY(QTest::qWaitForWindowExposed(editor));
    QTextEdit* text = editor->editor();
    text->setFocus();
    QTest::keyClicks(text, "Today ");
    editor->insert_date();
    editor->tool_button("分段")->click();
    QTest::keyClicks(text, "Look ");
    auto* emoji = new select_emoji_widget(editor);
    connect(emoji, &select_emoji_widget::emoji_selected, editor, &new_script_widget::insert_emoji);
    QVERIFY(!emoji->buttons().isEmpty());
    const QString emoji_path = emoji->buttons().first()->property("id").toString();
    emoji->show();
    emoji->buttons().first()->click();
    editor->insert_uploaded({{file_id, QFileInfo(local)}});
    editor->insert_clouddocs({select_clouddoc_dialog::info_of(*doc)});
    editor->insert_stickers({sticker});
    editor->keywords()->setText("到货");

    QSignalSpy created(editor, &new_script_widget::create_script_finished);
    QTest::mouseClick(editor->save_button(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(created.count(), 1, 30000);
    const script_node_spt node = created.first().first().value<script_node_spt>();

    // On the server, and in the page.
    const QString stored = script_on_server(e2e_.demo, e2e_.token, category->id, node->id)
                               .value("speechContent")
                               .toString();
    QVERIFY(stored.contains("${日期}") && stored.contains("tovk_fileId=" + file_id));
    view->show_category(category->id);
    QVERIFY(kb_item_widget::find_row(view->tree_of(category->id), script_row, node->id));
    editor->close();

    // Into the chat window, as the row's send does.
    view->menus()->send(dc.find_script(node->id), true);
    QTRY_VERIFY_WITH_TIMEOUT(pastes().size() >= 7, 20000);
    QTest::qWait(500); // nothing more is pasted
    QStringList texts;
    QStringList files;
    QStringList order;
    for (const QJsonObject& paste : pastes()) {
        if (paste.contains("files")) {
            for (const QJsonValue& f : paste.value("files").toArray())
                files << f.toString();
            order << "file";
        } else {
            texts << paste.value("text").toString();
            order << (paste.value("text").toString() == "\n" ? "break" : "text");
        }
    }
    const QString today = QLocale(QLocale::Chinese, QLocale::China)
                              .toString(QDate::currentDate(), QStringLiteral("yyyy年MM月dd日"));
    QCOMPARE(texts.first(), "Today " + today);
    QVERIFY(!texts.join("").contains("${"));
    QCOMPARE(order.mid(0, 3), (QStringList{"text", "break", "text"}));
    order.removeAll("text"); // the blanks between links
    QCOMPARE(order, (QStringList{"break", "file", "file", "file", "file"}));
    QCOMPARE(files.size(), 4);
    QCOMPARE(files[0], emoji_path);
    QFile pasted_image(files[1]);
    QVERIFY(pasted_image.open(QIODevice::ReadOnly));
    QCOMPARE(pasted_image.readAll(), local_bytes);
    const QString cache = app_paths::instance().cache_dir();
    for (int i = 1; i < 4; ++i) {
        QVERIFY2(files[i].startsWith(cache), qPrintable(files[i]));
        QVERIFY2(QFileInfo(files[i]).size() > 0, qPrintable(files[i]));
    }
}

QTEST_MAIN(test_script_editor_e2e_x11)
#include "test_script_editor_e2e_x11.moc"
