// The script editor against the demo library of quorvel-server, opened from
// the personal part of the scripts page: what it stores, the link forms it
// writes, caching the saved script's files (with the partial state and its
// retry), and when the page and the store hear of the script.
#include "fixture_http_server.h"
#include "integration/composition.h"
#include "integration/script_files.h"
#include "library_login.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "resources/resources.h"
#include "script_on_server.h"
#include "server_fixture.h"
#include "sync/batch_download.h"
#include "sync/cache_manager.h"
#include "ui/docs/select_clouddoc_dialog.h"
#include "ui/kb/kb_item_menus.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/new_script_widget.h"
#include "ui/kb/select_emoji_widget.h"
#include "ui/kb/select_resource_widget.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/custom_tree_menu.h"

#include <QButtonGroup>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using namespace quorvel;

namespace {

const QByteArray png_bytes = QByteArray::fromHex("89504e470d0a1a0a") + QByteArray(64, 'x');

script_node_spt reported(const QSignalSpy& spy) {
    return spy.isEmpty() ? script_node_spt() : spy.last().first().value<script_node_spt>();
}

// A web server that is busy for the first request and then serves the image.
void busy_once(fixture_http_server& web, int& asked) {
    asked = 0;
    web.set_script([&asked](const fixture_http_server::request_t&) {
        fixture_http_server::reply_t reply;
        reply.content_type = "image/png";
        reply.status = asked++ == 0 ? 503 : 200;
        reply.body = reply.status == 200 ? png_bytes : QByteArray("busy");
        return reply;
    });
}

QString write_file(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

int count_in_store(const QString& category_id, const QString& script_id) {
    int n = 0;
    for (const script_node_spt& s : data_center::instance().scripts_of(category_id))
        n += s && s->id == script_id;
    return n;
}

} // namespace

class test_script_editor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void keywords_are_stored_with_the_colour_prefix_data();
    void keywords_are_stored_with_the_colour_prefix();
    void save_and_new_clears_only_keywords_and_content_data();
    void save_and_new_clears_only_keywords_and_content();
    void a_failed_save_shows_the_reason();
    void links_take_their_forms_data();
    void links_take_their_forms();
    void a_local_file_is_cached_under_its_own_name();
    void a_script_without_links_is_reported_with_the_reply();
    void linked_files_are_cached_before_the_report();
    void editing_keeps_the_category_data();
    void editing_keeps_the_category();
    void partial_caching_reports_once_after_retry();
    void closing_in_the_partial_state_reports_the_script();
    void sending_fetches_only_what_would_be_pasted_data();
    void sending_fetches_only_what_would_be_pasted();
    void emoji_are_inserted_as_images();
    void category_picker_lists_the_part();
    void page_menus_open_the_editor_data();
    void page_menus_open_the_editor();
    void resource_dialog_offers_both_sources_data();
    void resource_dialog_offers_both_sources();

private:
    new_script_widget* open_new();
    // Saves and waits for the report; null when none came.
    script_node_spt save_and_wait(new_script_widget* editor, bool and_new = false);
    QJsonObject server_script(const QString& id);
    doc_node_spt stored_doc() const;

    server_fixture demo_;
    fixture_http_server web_;
    int asked_ = 0; // requests the web server has had since busy_once
    QTemporaryDir dir_;
    kb_item_widget* view_ = nullptr;
    category_node_spt category_;
};

void test_script_editor::initTestCase() {
    init_resources();
    QVERIFY(demo_.start());
    QVERIFY(web_.listen());
    QVERIFY(log_in_and_sync(demo_, "agent", "agent123"));
    view_ = new kb_item_widget(1);
    const QList<category_node_spt>* tops =
        data_center::instance().top_categories(library_kind::scripts, 1, {});
    QVERIFY(tops && !tops->isEmpty());
    category_ = tops->first();
    view_->show_category(category_->id);
}

void test_script_editor::cleanupTestCase() {
    delete view_;
}

new_script_widget* test_script_editor::open_new() {
    return view_->menus()->open_new_script(category_->id);
}

script_node_spt test_script_editor::save_and_wait(new_script_widget* editor, bool and_new) {
    QSignalSpy created(editor, &new_script_widget::create_script_finished);
    QSignalSpy updated(editor, &new_script_widget::update_script_finished);
    editor->save(and_new);
    if (!QTest::qWaitFor([&] { return !created.isEmpty() || !updated.isEmpty(); }, 20000))
        return {};
    return reported(created.isEmpty() ? updated : created);
}

QJsonObject test_script_editor::server_script(const QString& id) {
    return script_on_server(demo_, session_state::instance().token(), category_->id, id);
}

// A document of the library kept in the file store.
doc_node_spt test_script_editor::stored_doc() const {
    for (const QList<doc_node_spt>& docs : data_center::instance().docs_by_category())
        for (const doc_node_spt& doc : docs)
            if (doc && !doc->fileId.isEmpty() &&
                !select_clouddoc_dialog::info_of(*doc).location.startsWith("http"))
                return doc;
    return {};
}

void test_script_editor::keywords_are_stored_with_the_colour_prefix_data() {
    QTest::addColumn<int>("colour");
    QTest::addColumn<QString>("stored");
    QTest::newRow("blue") << 1 << "${#3a84ff}价格";
    QTest::newRow("white") << 0 << "${#ffffff}价格";
    QTest::newRow("no colour") << -1 << "价格";
}

void test_script_editor::keywords_are_stored_with_the_colour_prefix() {
    QFETCH(int, colour);
    QFETCH(QString, stored);
    new_script_widget* editor = open_new();
    QCOMPARE(editor->chosen_category(), category_);
    editor->keywords()->setText("价格");
    if (colour >= 0)
        editor->colours()->button(colour)->click();
    editor->editor()->setPlainText("价格表见官网");
    const script_node_spt node = save_and_wait(editor);
    QVERIFY(node);
    QCOMPARE(node->speechContentKeywords, stored);
    QCOMPARE(server_script(node->id).value("speechContentKeywords").toString(), stored);
    QCOMPARE(editor->status()->text(),
             QString("<span style = 'color: green; font-weight: bold;'>创建成功</span>"));
    editor->close();
}

void test_script_editor::save_and_new_clears_only_keywords_and_content_data() {
    QTest::addColumn<bool>("and_new");
    QTest::newRow("保存并新建") << true;
    QTest::newRow("保存") << false;
}

void test_script_editor::save_and_new_clears_only_keywords_and_content() {
    QFETCH(bool, and_new);
    new_script_widget* editor = open_new();
    editor->keywords()->setText("退货");
    editor->colours()->button(4)->click();
    editor->editor()->setPlainText("七天无理由退货");
    QVERIFY(save_and_wait(editor, and_new));
    QCOMPARE(editor->chosen_category(), category_);
    QCOMPARE(editor->colours()->checkedId(), 4);
    QCOMPARE(editor->keywords()->text(), and_new ? QString() : QString("退货"));
    QCOMPARE(editor->editor()->toPlainText(), and_new ? QString() : QString("七天无理由退货"));
    QVERIFY(editor->save_button()->isEnabled());
    QVERIFY(editor->save_new_button()->isEnabled());
    editor->close();
}

void test_script_editor::a_failed_save_shows_the_reason() {
    // No category chosen: the server refuses, and both save buttons come back.
    new_script_widget* editor = view_->menus()->open_new_script("no-such-category");
    QVERIFY(!editor->chosen_category());
    QSignalSpy created(editor, &new_script_widget::create_script_finished);
    editor->editor()->setPlainText("无处安放");
    editor->save(false);
    QTRY_VERIFY_WITH_TIMEOUT(editor->save_button()->isEnabled(), 20000);
    QVERIFY2(editor->status()->text().startsWith(
                 "<span style = 'color: red; font-weight: bold;'>创建失败"),
             qPrintable(editor->status()->text()));
    QVERIFY(editor->save_new_button()->isEnabled());
    QVERIFY(created.isEmpty());
    editor->close();
}

void test_script_editor::links_take_their_forms_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("text");
    const QString store = file_store_placeholder + "?tovk_fileId=";
    QTest::newRow("local file, spaces dropped")
        << "local" << store + "77&tovk_name=mypricelist&tovk_suffix=pdf"
        << "mypricelist.pdf";
    QTest::newRow("stored sticker, suffix appended directly")
        << "sticker3" << store + "88&tovk_name=笑脸&tovk_suffix=.gif"
        << "笑脸.gif";
    QTest::newRow("sticker by address")
        << "sticker2"
        << "http://img.example/s/wave.png?tovk_name=挥手&tovk_suffix=png"
        << "挥手.png";
    QTest::newRow("document in the file store")
        << "doc_id" << store + "99&tovk_name=价目表&tovk_suffix=xlsx"
        << "价目表.xlsx";
    QTest::newRow("document by address")
        << "doc_address"
        << "http://docs.example/a/guide.pdf?tovk_name=指南&tovk_suffix=pdf"
        << "指南.pdf";
}

void test_script_editor::links_take_their_forms() {
    QFETCH(QString, kind);
    QFETCH(QString, href);
    QFETCH(QString, text);
    new_script_widget editor(1, category_->id, nullptr);
    auto sticker = [](const char* type, const QString& content, const QString& desc) {
        auto s = sticker_node_spt::create();
        s->emojiType = type;
        s->emojiContent = content;
        s->emojiContentDesc = desc;
        s->fileId = "88";
        s->nasFile = nas_file_spt::create();
        s->nasFile->fileSuffix = ".gif";
        return s;
    };
    if (kind == "local") {
        const QString path = write_file(dir_.filePath("my price list.pdf"), "%PDF-1.4");
        editor.insert_uploaded({{"77", QFileInfo(path)}});
    } else if (kind == "sticker3") {
        // The other kinds of sticker have nothing to link and are skipped.
        editor.insert_stickers({sticker("3", {}, "笑脸"), sticker("1", "x", "跳过")});
    } else if (kind == "sticker2") {
        editor.insert_stickers({sticker("2", "http://img.example/s/wave.png", "挥手")});
    } else if (kind == "doc_id") {
        editor.insert_clouddocs({{"99", "价目表", "xlsx"}});
    } else {
        editor.insert_clouddocs({{"http://docs.example/a/guide.pdf", "指南", "pdf"}});
    }
    const segment_list segments = split_segments(editor.editor()->toHtml());
    QList<QUrl> links;
    for (const segment_t& segment : segments)
        if (segment.first == 1)
            links << segment.second.toUrl();
    QCOMPARE(links, QList<QUrl>{QUrl(href)});
    QCOMPARE(editor.editor()->toPlainText().trimmed(), text);
}

void test_script_editor::a_local_file_is_cached_under_its_own_name() {
    const QString path = write_file(dir_.filePath("spring sale.png"), png_bytes);
    new_script_widget editor(1, category_->id, nullptr);
    editor.insert_uploaded({{"5151", QFileInfo(path)}});
    QVERIFY(editor.editor()->toHtml().contains("tovk_name=springsale&amp;tovk_suffix=png"));
    QFile cached(cache_manager::instance()->path_by_id("clouddoc", "5151", "spring sale", "png"));
    QVERIFY2(cached.fileName().endsWith("/5151/spring sale.png"), qPrintable(cached.fileName()));
    QVERIFY(cached.open(QIODevice::ReadOnly));
    QCOMPARE(cached.readAll(), png_bytes);
}

void test_script_editor::a_script_without_links_is_reported_with_the_reply() {
    new_script_widget* editor = open_new();
    editor->editor()->setPlainText("您好，请问有什么可以帮您？");
    editor->insert_paragraph();
    editor->insert_date();
    QSignalSpy created(editor, &new_script_widget::create_script_finished);
    editor->save(false);
    QTRY_COMPARE_WITH_TIMEOUT(created.count(), 1, 20000);
    QVERIFY(!editor->downloader()); // nothing to fetch
    const script_node_spt node = reported(created);
    QCOMPARE(count_in_store(category_->id, node->id), 1);
    QVERIFY(kb_item_widget::find_row(view_->tree_of(category_->id), script_row, node->id));
    QVERIFY(server_script(node->id).value("speechContent").toString().contains("${日期}"));
    editor->close();
    QCOMPARE(created.count(), 1);
}

void test_script_editor::linked_files_are_cached_before_the_report() {
    const doc_node_spt doc = stored_doc();
    QVERIFY(doc);
    const selected_file_info_t info = select_clouddoc_dialog::info_of(*doc);
    const QString path =
        cache_manager::instance()->path_by_id("clouddoc", info.location, info.name, info.suffix);
    QFile::remove(path);
    new_script_widget* editor = open_new();
    editor->insert_clouddocs({info});
    QSignalSpy created(editor, &new_script_widget::create_script_finished);
    editor->save(false);
    QTRY_COMPARE_WITH_TIMEOUT(created.count(), 1, 20000);
    QVERIFY(QFileInfo(path).size() > 0);
    editor->close();
}

void test_script_editor::editing_keeps_the_category_data() {
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("checked");
    QTest::addColumn<QString>("saved");
    QTest::newRow("palette colour") << "${#f44336}售后"
                                    << "售后" << 6 << "${#f44336}售后";
    // Not in the palette: nothing preselected, so it is saved without a prefix.
    QTest::newRow("other colour") << "${#123456}物流"
                                  << "物流" << -1 << "物流";
    QTest::newRow("no colour") << "发票"
                               << "发票" << -1 << "发票";
}

void test_script_editor::editing_keeps_the_category() {
    QFETCH(QString, keywords);
    QFETCH(QString, field);
    QFETCH(int, checked);
    QFETCH(QString, saved);
    new_script_widget* writer = open_new();
    writer->keywords()->setText(keywords);
    writer->editor()->setPlainText("原来的内容");
    const script_node_spt original = save_and_wait(writer);
    QVERIFY(original);
    writer->close();
    const script_node_spt stored = data_center::instance().find_script(original->id);
    QVERIFY(stored);

    new_script_widget* editor = view_->menus()->open_edit_script(stored);
    QCOMPARE(editor->title(), QString("编辑话术"));
    QVERIFY(!editor->category_picker());
    QVERIFY(!editor->findChild<combobox_button*>());
    QVERIFY(!editor->save_new_button()->isEnabled());
    QCOMPARE(editor->keywords()->text(), field);
    QCOMPARE(editor->colours()->checkedId(), checked);
    QCOMPARE(editor->editor()->toPlainText(), QString("原来的内容"));
    editor->editor()->setPlainText("改过的内容");
    QSignalSpy updated(editor, &new_script_widget::update_script_finished);
    editor->save(false);
    QTRY_COMPARE_WITH_TIMEOUT(updated.count(), 1, 20000);
    QCOMPARE(editor->status()->text(),
             QString("<span style = 'color: green; font-weight: bold;'>修改成功</span>"));
    const QJsonObject server = server_script(original->id);
    QCOMPARE(server.value("classifyId").toString(), category_->id);
    QCOMPARE(server.value("speechContentKeywords").toString(), saved);
    QVERIFY(server.value("speechContent").toString().contains("改过的内容"));
    // The stored record took the change, and the view shows it.
    QVERIFY(stored->speechContent.contains("改过的内容"));
    QCOMPARE(count_in_store(category_->id, original->id), 1);
    editor->close();
}

void test_script_editor::partial_caching_reports_once_after_retry() {
    busy_once(web_, asked_);
    const doc_node_spt doc = stored_doc();
    QVERIFY(doc);
    new_script_widget* editor = open_new();
    editor->editor()->setPlainText("见附件");
    editor->insert_clouddocs({select_clouddoc_dialog::info_of(*doc),
                              {web_.base_url() + "/img/banner.png", "横幅", "png"}});
    QSignalSpy created(editor, &new_script_widget::create_script_finished);
    const int before = data_center::instance().scripts_of(category_->id).size();
    editor->save(false);
    QTRY_VERIFY_WITH_TIMEOUT(editor->retry_button()->isEnabled(), 20000);
    QCOMPARE(editor->status()->text(),
             QString("未完全同步文档，成功<font color='green'>1</font>，失败<font "
                     "color='red'>1</font>"));
    QVERIFY(!editor->save_button()->isEnabled());
    // Saved on the server, but neither the store nor the view has heard of it.
    QVERIFY(created.isEmpty());
    QCOMPARE(data_center::instance().scripts_of(category_->id).size(), before);

    QSignalSpy fetched(editor->downloader(), &batch_download::task_finished);
    editor->retry_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(created.count(), 1, 20000);
    QCOMPARE(fetched.count(), 1); // only the failed one
    QCOMPARE(fetched.first().first().toString(), web_.base_url() + "/img/banner.png");
    QCOMPARE(asked_, 2);
    const script_node_spt node = reported(created);
    QCOMPARE(count_in_store(category_->id, node->id), 1);
    QVERIFY(kb_item_widget::find_row(view_->tree_of(category_->id), script_row, node->id));
    QVERIFY(!editor->retry_button()->isEnabled());
    QVERIFY(editor->save_button()->isEnabled());
    editor->close();
    QCOMPARE(created.count(), 1);
    QCOMPARE(count_in_store(category_->id, node->id), 1);
}

void test_script_editor::closing_in_the_partial_state_reports_the_script() {
    busy_once(web_, asked_);
    const QString address = web_.base_url() + "/img/later.png";
    new_script_widget* editor = open_new();
    editor->insert_clouddocs({{address, "稍后", "png"}});
    QSignalSpy created(editor, &new_script_widget::create_script_finished);
    editor->save(false);
    QTRY_VERIFY_WITH_TIMEOUT(editor->retry_button()->isEnabled(), 20000);
    QVERIFY(created.isEmpty());
    editor->close();
    QCOMPARE(created.count(), 1);
    const script_node_spt node = reported(created);
    QCOMPARE(count_in_store(category_->id, node->id), 1);
    QVERIFY(kb_item_widget::find_row(view_->tree_of(category_->id), script_row, node->id));

    // Sending it fetches the missing file first.
    const QString path = make_script_tasks(node).first()->local_path;
    QVERIFY(!QFileInfo::exists(path));
    bool done = false;
    fetch_missing_script_files(node->speechContent, this, [&] { done = true; });
    QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), png_bytes);
    QCOMPARE(asked_, 2);
}

void test_script_editor::sending_fetches_only_what_would_be_pasted_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<int>("fetched");
    // An address in the text is pasted as text: nothing to fetch for it.
    QTest::newRow("address in the text") << "<p>价目表 %1/files/list.pdf 请查收</p>" << 0;
    QTest::newRow("linked file") << "<p>价目表<a href=\"%1/files/list.pdf\">list.pdf</a></p>" << 1;
}

void test_script_editor::sending_fetches_only_what_would_be_pasted() {
    QFETCH(QString, html);
    QFETCH(int, fetched);
    busy_once(web_, asked_);
    asked_ = 1; // never busy here
    bool done = false;
    fetch_missing_script_files(html.arg(web_.base_url()), this, [&] { done = true; });
    QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
    QCOMPARE(asked_ - 1, fetched);
    // Once fetched, a second send fetches nothing more.
    done = false;
    fetch_missing_script_files(html.arg(web_.base_url()), this, [&] { done = true; });
    QVERIFY(done);
    QCOMPARE(asked_ - 1, fetched);
}

void test_script_editor::emoji_are_inserted_as_images() {
    new_script_widget editor(1, category_->id, nullptr);
    auto* picker = new select_emoji_widget(&editor);
    connect(picker, &select_emoji_widget::emoji_selected, &editor,
            &new_script_widget::insert_emoji);
    const QList<QToolButton*> buttons = picker->buttons();
    QVERIFY2(buttons.size() >= 50, qPrintable(select_emoji_widget::emoji_folder()));
    const QString path = buttons.first()->property("id").toString();
    QVERIFY(path.startsWith(select_emoji_widget::emoji_folder()) && path.endsWith(".png"));
    QCOMPARE(QImage(path).size(), QSize(24, 24));
    buttons.first()->click();
    const segment_list segments = split_segments(editor.editor()->toHtml());
    QCOMPARE(segments.size(), 1);
    QCOMPARE(segments.first().first, 1);
    QCOMPARE(segments.first().second.toUrl(), QUrl::fromLocalFile(path));
}

void test_script_editor::category_picker_lists_the_part() {
    new_script_widget* editor = open_new();
    emit editor->category_picker()->show_menu_requested(editor->mapToGlobal(QPoint(10, 60)));
    auto* menu = editor->findChild<custom_tree_menu*>();
    QVERIFY(menu && menu->isVisible());
    QTreeWidget* tree = menu->tree();
    QStringList names;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        names << (*it)->text(0);
    QStringList expected;
    for (const category_node_spt& top :
         *data_center::instance().top_categories(library_kind::scripts, 1, {})) {
        expected << top->classifyName;
        const auto* children =
            data_center::instance().category_children(library_kind::scripts, 1, {}, top->id);
        for (const category_node_spt& child : children ? *children : QList<category_node_spt>{})
            expected << child->classifyName;
    }
    QCOMPARE(names, expected);
    QCOMPARE(tree->currentItem()->text(0), category_->classifyName);
    QTreeWidgetItem* last = tree->topLevelItem(tree->topLevelItemCount() - 1);
    QPointer<custom_tree_menu> alive(menu);
    emit menu->item_clicked(last);
    QCOMPARE(editor->chosen_category(), last->data(0, Qt::UserRole).value<category_node_spt>());
    QCOMPARE(editor->category_picker()->text(), last->text(0));
    QTRY_VERIFY(alive.isNull());
    editor->close();
}

void test_script_editor::page_menus_open_the_editor_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("title");
    QTest::newRow("category button") << "category"
                                     << "新建话术"
                                     << "新建话术";
    QTest::newRow("script row, new") << "script"
                                     << "新建话术"
                                     << "新建话术";
    QTest::newRow("script row, edit") << "script"
                                      << "修改话术"
                                      << "编辑话术";
    QTest::newRow("empty tree area") << "empty"
                                     << "新建话术"
                                     << "新建话术";
}

void test_script_editor::page_menus_open_the_editor() {
    QFETCH(QString, where);
    QFETCH(QString, entry);
    QFETCH(QString, title);
    drag_drop_treewidget* tree = view_->tree_of(category_->id);
    const QList<script_node_spt> scripts = data_center::instance().scripts_of(category_->id);
    QVERIFY(!scripts.isEmpty());
    const script_node_spt script = scripts.first();
    QList<kb_item_widget::menu_entry_t> menu;
    if (where == "category")
        menu = view_->menus()->category_menu(category_);
    else if (where == "script")
        menu = view_->menus()->row_menu(kb_item_widget::find_row(tree, script_row, script->id));
    else
        menu = view_->menus()->empty_area_menu(tree);
    const QList<new_script_widget*> before = view_->findChildren<new_script_widget*>();
    bool found = false;
    for (const kb_item_widget::menu_entry_t& e : menu)
        if (e.text == entry) {
            QVERIFY(e.enabled && e.action);
            e.action();
            found = true;
        }
    QVERIFY(found);
    new_script_widget* editor = nullptr;
    for (new_script_widget* w : view_->findChildren<new_script_widget*>())
        if (!before.contains(w))
            editor = w;
    QVERIFY(editor);
    QCOMPARE(editor->title(), title);
    if (entry == "修改话术")
        QCOMPARE(editor->editor()->toPlainText(), QTextEdit(script->speechContent).toPlainText());
    else
        QCOMPARE(editor->chosen_category(), category_);
    editor->close();
}

void test_script_editor::resource_dialog_offers_both_sources_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("local");
    QTest::addColumn<QString>("library");
    QTest::newRow("image") << 0 << "插入图片"
                           << "选择本机图片"
                           << "选择云表情";
    QTest::newRow("video") << 1 << "插入视频"
                           << "选择本机视频"
                           << "选择云文档";
    QTest::newRow("audio") << 2 << "插入音频"
                           << "选择本机音频"
                           << "选择云文档";
    QTest::newRow("file") << 3 << "插入文件"
                          << "选择本机文件"
                          << "选择云文档";
}

void test_script_editor::resource_dialog_offers_both_sources() {
    QFETCH(int, type);
    QFETCH(QString, title);
    QFETCH(QString, local);
    QFETCH(QString, library);
    select_resource_widget dialog(type);
    QCOMPARE(dialog.title(), title);
    QCOMPARE(dialog.button1()->title(), local);
    QCOMPARE(dialog.button2()->title(), library);
    QSignalSpy second(&dialog, &select_resource_widget::button2_clicked);
    QTest::mouseClick(dialog.button2(), Qt::LeftButton);
    QCOMPARE(second.count(), 1);
    QCOMPARE(second.first().first().toBool(), false);
}

QTEST_MAIN(test_script_editor)
#include "test_script_editor.moc"
