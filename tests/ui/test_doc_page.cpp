// The cloud-document page, its dialogs and the document picker against the
// demo library of quorvel-server.
#include "app/app_paths.h"
#include "app/event_bus.h"
#include "app/event_names.h"
#include "app/settings_store.h"
#include "library_login.h"
#include "model/data_center.h"
#include "net/actions/document_actions.h"
#include "resources/resources.h"
#include "server_fixture.h"
#include "sync/cache_manager.h"
#include "ui/docs/add_doc_dialog.h"
#include "ui/docs/doc_category_chooser.h"
#include "ui/docs/doc_category_dialogs.h"
#include "ui/docs/doc_dialogs.h"
#include "ui/docs/doc_item_widget.h"
#include "ui/docs/doc_kinds.h"
#include "ui/docs/doc_tab_widget.h"
#include "ui/docs/file_list_widget.h"
#include "ui/docs/select_clouddoc_dialog.h"
#include "ui/sync_data_widget.h"
#include "ui/widgets/status_text.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStackedLayout>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

using namespace quorvel;

namespace {

QStringList texts(const QList<doc_item_widget::menu_entry_t>& entries) {
    QStringList out;
    for (const auto& e : entries)
        out << (e.text.isEmpty() ? QStringLiteral("|") : e.text);
    return out;
}

QStringList names(const QList<doc_node_spt>& docs) {
    QStringList out;
    for (const doc_node_spt& d : docs)
        out << d->fileName;
    return out;
}

category_node_spt category_named(const QString& name) {
    for (const category_entry_t& e : data_center::instance().doc_categories())
        if (e.node && e.node->classifyName == name)
            return e.node;
    return {};
}

doc_node_spt doc_named(const QString& name) {
    for (const auto& list : data_center::instance().docs_by_category())
        for (const doc_node_spt& d : list)
            if (d->fileName == name)
                return d;
    return {};
}

QTreeWidgetItem* item_named(QTreeWidget* tree, const QString& text) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0) == text)
            return *it;
    return nullptr;
}

} // namespace

class test_doc_page : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void suffix_kinds_data();
    void add_dialog_says_what_is_missing_data();
    void add_dialog_says_what_is_missing();
    void suffix_kinds();
    void tree_and_all_documents();
    void type_filter_data();
    void type_filter();
    void sub_category_documents_stay_below_it();
    void double_click_downloads_then_sends();
    void two_downloads_report_their_own_result();
    void search_data();
    void search();
    void row_menus_data();
    void row_menus();
    void file_name_field_data();
    void file_name_field();
    void edit_saves_and_the_row_follows();
    void add_dialog_titles_failure_and_retry();
    void picker_modes_data();
    void picker_modes();
    void category_dialogs();
    void pin_moves_to_the_bottom();
    void move_and_delete();

private:
    QString upload_doc(const QString& category_id, const QString& name, const QString& suffix,
                       const QByteArray& content);

    server_fixture demo_;
    QString token_;
    QList<QVariantList> sent_;
    QObject listener_;
    QTemporaryDir files_;
};

QString test_doc_page::upload_doc(const QString& category_id, const QString& name,
                                  const QString& suffix, const QByteArray& content) {
    const auto up = demo_.upload("/tavorine/nas/userUploadFileDirect",
                                 "/tmp/" + name + "." + suffix, content, token_);
    const auto saved = demo_.post("/tavorine/clientKb/createFile",
                                  {{"classifyId", category_id},
                                   {"fileName", name},
                                   {"fileSuffix", suffix},
                                   {"fileSize", content.size()},
                                   {"keywords", name},
                                   {"customShortcuts", "unknown"},
                                   {"fileType", "3"},
                                   {"fileId", up.data().toObject()["id"]}},
                                  token_);
    return saved.data().toObject()["id"].toString();
}

// The demo library plus a few documents of every kind, a sub-category with
// one document, then the synchronisation without document downloads.
void test_doc_page::initTestCase() {
    init_resources();
    QVERIFY(demo_.start());
    sync_data_widget::set_main_window_factory([] { return nullptr; });
    event_bus::instance()->subscribe(QLatin1String(events::send_clouddoc), &listener_,
                                     [this](const QVariantList& args) { sent_ << args; });
    token_ = demo_.login("agent", "agent123");
    QString mine;
    for (const QJsonValue& c : demo_
                                   .post("/tavorine/clientKb/queryClassify",
                                         {{"clientBusinessType", "320"},
                                          {"classifyType", "1"},
                                          {"superId", ""},
                                          {"classifyName", ""},
                                          {"deptId", ""}},
                                         token_)
                                   .data()
                                   .toArray())
        if (c.toObject()["classifyName"].toString() == QStringLiteral("我的文档"))
            mine = c.toObject()["id"].toString();
    QVERIFY(!mine.isEmpty());
    QVERIFY(!upload_doc(mine, "资料包", "zip", "PK\x03\x04 zip").isEmpty());
    QVERIFY(!upload_doc(mine, "欢迎语音", "mp3", "ID3 audio").isEmpty());
    QVERIFY(!upload_doc(mine, "演示视频", "mp4", "ftyp video").isEmpty());
    const auto sub = demo_.post("/tavorine/clientKb/createClassify",
                                {{"clientBusinessType", "320"},
                                 {"classifyName", "子文档"},
                                 {"superiorId", mine},
                                 {"classifyType", "1"},
                                 {"deptId", ""}},
                                token_);
    QVERIFY(!upload_doc(sub.data().toObject()["id"].toString(), "下级说明", "txt", "sub doc")
                 .isEmpty());

    QVERIFY(sync_library(demo_, token_));
    QVERIFY(doc_named("资料包"));
    QVERIFY(doc_named("下级说明"));
}

void test_doc_page::init() {
    sent_.clear();
}

// ---- what suffixes and names show ----

void test_doc_page::add_dialog_says_what_is_missing_data() {
    QTest::addColumn<QString>("category");
    QTest::addColumn<bool>("with_file");
    QTest::addColumn<QString>("status");
    QTest::newRow("no file") << "1" << false << "请先添加文档";
    QTest::newRow("no category") << "" << true << "请选择分类";
}

void test_doc_page::add_dialog_says_what_is_missing() {
    QFETCH(QString, category);
    QFETCH(bool, with_file);
    QFETCH(QString, status);
    add_doc_dialog dialog(category);
    if (with_file) {
        QFile f(files_.filePath("待上传.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.close();
        dialog.add_files({f.fileName()});
    }
    dialog.save_button()->click();
    QCOMPARE(dialog.status()->text(), status_text::failure(status));
    QVERIFY(dialog.save_button()->isEnabled()); // nothing was sent
}

void test_doc_page::suffix_kinds_data() {
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<int>("filter"); // the one entry besides "所有" that lists it
    QTest::newRow("zip is an archive, not other") << "zip"
                                                  << ":/images/icon/zip.png" << 3;
    QTest::newRow("upper case: other, default icon") << "PDF"
                                                     << ":/images/icon/other.png" << 4;
    QTest::newRow("leading dot for the icon only") << ".txt"
                                                   << ":/images/icon/txt.png" << 4;
    QTest::newRow("csv is text, other icon") << "csv"
                                             << ":/images/icon/other.png" << 1;
    QTest::newRow("mp3 media, audio icon") << "mp3"
                                           << ":/images/icon/audio.png" << 0;
    QTest::newRow("mkv media, video icon") << "mkv"
                                           << ":/images/icon/video.png" << 0;
    QTest::newRow("svg image") << "svg"
                               << ":/images/icon/image.png" << 2;
    QTest::newRow("docm: word icon, but other") << "docm"
                                                << ":/images/icon/word.png" << 4;
    QTest::newRow("no suffix") << ""
                               << ":/images/icon/other.png" << 4;
}

void test_doc_page::suffix_kinds() {
    QFETCH(QString, suffix);
    QFETCH(QString, icon);
    QFETCH(int, filter);
    QCOMPARE(doc_kinds::icon_for_suffix(suffix), icon);
    QVERIFY(!QPixmap(icon).isNull());
    for (int code = 0; code <= 4; ++code)
        QCOMPARE(doc_kinds::matches_filter(suffix, doc_filter(code)), code == filter);
    QVERIFY(doc_kinds::matches_filter(suffix, doc_filter::all));
}

// ---- the page ----

void test_doc_page::tree_and_all_documents() {
    doc_tab_widget page;
    doc_item_widget* view = page.view();
    QTreeWidget* tree = view->tree();
    QCOMPARE(tree->topLevelItemCount(), 1);
    QCOMPARE(view->root_item()->text(0), QStringLiteral("云文档"));
    QCOMPARE(view->root_item()->data(0, Qt::UserRole).toInt(), 2);
    QCOMPARE(tree->currentItem(), view->root_item());
    for (const char* name : {"产品资料", "操作手册", "我的文档", "子文档"})
        QVERIFY2(item_named(tree, QString::fromUtf8(name)), name);
    QCOMPARE(item_named(tree, "子文档")->parent(), item_named(tree, "我的文档"));
    QVERIFY(!item_named(tree, QLatin1String(doc_kinds::attachments_marker)));
    QVERIFY(data_center::instance().attachments_category());
    int all = 0;
    for (const auto& list : data_center::instance().docs_by_category())
        all += list.size();
    QCOMPARE(view->shown_docs().size(), all);
    QCOMPARE(view->pages()->currentIndex(), 1);
}

void test_doc_page::type_filter_data() {
    QTest::addColumn<int>("entry"); // index in the menu
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("所有") << 0 << QStringList{"资料包", "欢迎语音", "演示视频"};
    QTest::newRow("影音") << 1 << QStringList{"欢迎语音", "演示视频"};
    QTest::newRow("文稿") << 2 << QStringList{};
    QTest::newRow("压缩包") << 4 << QStringList{"资料包"};
    QTest::newRow("其他") << 5 << QStringList{"客服培训资料"};
}

void test_doc_page::type_filter() {
    QFETCH(int, entry);
    QFETCH(QStringList, expected);
    doc_tab_widget page;
    doc_item_widget* view = page.view();
    const category_node_spt mine = category_named("我的文档");
    view->tree()->setCurrentItem(item_named(view->tree(), "我的文档"));
    QCOMPARE(view->shown_category(), mine->id);
    QMenu* menu = view->filter_menu();
    QCOMPARE(menu->actions().size(), 6);
    QVERIFY(menu->actions().first()->isChecked());
    menu->actions().at(entry)->trigger();
    QVERIFY(menu->actions().at(entry)->isChecked());
    const QStringList shown = names(view->shown_docs());
    for (const QString& name : expected)
        QVERIFY2(shown.contains(name), qPrintable(name));
    // Every row shown passes the entry, and the stored order is kept.
    for (const doc_node_spt& d : view->shown_docs())
        QVERIFY(doc_kinds::matches_filter(d->fileSuffix, view->filter()));
    QList<doc_node_spt> stored;
    for (const doc_node_spt& d : *data_center::instance().docs_of_category(mine->id))
        if (doc_kinds::matches_filter(d->fileSuffix, view->filter()))
            stored << d;
    QCOMPARE(names(view->shown_docs()), names(stored));
    // The checked entry stays across uses of the menu.
    QCOMPARE(view->filter_menu(), menu);
    QVERIFY(menu->actions().at(entry)->isChecked());
}

void test_doc_page::sub_category_documents_stay_below_it() {
    doc_tab_widget page;
    doc_item_widget* view = page.view();
    view->tree()->setCurrentItem(item_named(view->tree(), "子文档"));
    QCOMPARE(names(view->shown_docs()), QStringList{"下级说明"});
    view->tree()->setCurrentItem(item_named(view->tree(), "我的文档"));
    QVERIFY(!names(view->shown_docs()).contains("下级说明"));
}

void test_doc_page::double_click_downloads_then_sends() {
    doc_tab_widget page;
    doc_item_widget* view = page.view();
    const doc_node_spt doc = doc_named("退换货政策");
    const QString path = cache_manager::instance()->doc_path(doc);
    QFile::remove(path);
    view->show_category(doc->classifyId);
    QListWidgetItem* row = view->row_of(doc->id);
    QCOMPARE(doc_item_widget::state_of(row), QStringLiteral("未同步"));

    emit view->list()->itemDoubleClicked(row);
    QCOMPARE(doc_item_widget::state_of(view->row_of(doc->id)), QStringLiteral("正在同步..."));
    QTRY_COMPARE_WITH_TIMEOUT(doc_item_widget::state_of(view->row_of(doc->id)),
                              QStringLiteral("同步成功"), 20000);
    QVERIFY(sent_.isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    int status = 0;
    QCOMPARE(file.readAll(), demo_.download("/tavorine/nas/downloadFileById?fileId=" + doc->fileId,
                                            token_, &status));

    emit view->list()->itemDoubleClicked(view->row_of(doc->id));
    QCOMPARE(sent_.size(), 1);
    QCOMPARE(sent_.first().value(0).toString(), path);
    QCOMPARE(texts(view->row_menu(view->row_of(doc->id))).first(), QStringLiteral("发送"));
}

// A file the server does not have beside one it has: each row its own result.
void test_doc_page::two_downloads_report_their_own_result() {
    doc_tab_widget page;
    doc_item_widget* view = page.view();
    const doc_node_spt good = doc_named("物流时效表");
    QFile::remove(cache_manager::instance()->doc_path(good));
    auto missing = doc_node_spt::create(*good);
    missing->id = "990001";
    missing->fileId = "987654321";
    missing->fileName = "不存在的文件";
    missing->nasFile = nas_file_spt::create(*good->nasFile);
    data_center::instance().merge_docs({{good->classifyId, {missing}}});
    view->show_category(good->classifyId);
    view->download(missing);
    view->download(good);
    QCOMPARE(doc_item_widget::state_of(view->row_of(missing->id)), QStringLiteral("正在同步..."));
    QCOMPARE(doc_item_widget::state_of(view->row_of(good->id)), QStringLiteral("正在同步..."));
    QTRY_VERIFY_WITH_TIMEOUT(
        doc_item_widget::state_of(view->row_of(good->id)) != QStringLiteral("正在同步...") &&
            doc_item_widget::state_of(view->row_of(missing->id)) != QStringLiteral("正在同步..."),
        20000);
    QCOMPARE(doc_item_widget::state_of(view->row_of(good->id)), QStringLiteral("同步成功"));
    QCOMPARE(doc_item_widget::state_of(view->row_of(missing->id)), QStringLiteral("同步失败"));
    QVERIFY(!QFile::exists(cache_manager::instance()->doc_path(missing)));
    data_center::instance().remove_doc(missing);
}

void test_doc_page::search_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found"); // among the results
    QTest::addColumn<bool>("everything");
    QTest::newRow("empty: every document") << "" << QStringList{"产品价目表", "资料包"} << true;
    QTest::newRow("pinyin") << "tuihuan" << QStringList{"退换货政策"} << false;
    QTest::newRow("initials") << "thhzc" << QStringList{"退换货政策"} << false;
    QTest::newRow("nothing") << "zzzqqq" << QStringList{} << false;
}

void test_doc_page::search() {
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    QFETCH(bool, everything);
    doc_tab_widget page;
    doc_item_widget* view = page.view();
    view->show_category(category_named("我的文档")->id);
    view->search_edit()->setText(text);
    view->on_search_doc();
    QVERIFY(view->status()->text().contains("正在搜索，请稍候..."));
    QTRY_VERIFY_WITH_TIMEOUT(view->status()->text().contains("查找到"), 20000);
    const QStringList shown = names(view->shown_docs());
    QCOMPARE(
        view->status()->text(),
        QStringLiteral("<span style = 'color: gray;'>查找到%1个结果</span>").arg(shown.size()));
    QCOMPARE(view->tree()->currentItem(), view->root_item());
    QCOMPARE(view->pages()->currentIndex(), 1);
    for (const QString& name : found)
        QVERIFY2(shown.contains(name), qPrintable(name));
    if (everything) {
        int all = 0;
        for (const auto& list : data_center::instance().docs_by_category())
            all += list.size();
        QCOMPARE(shown.size(), all);
    } else {
        QCOMPARE(shown.size(), found.size());
    }
}

void test_doc_page::row_menus_data() {
    QTest::addColumn<bool>("attachment");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("library document")
        << false << QStringList{"同步", "修改", "删除", "|", "复制", "移动", "|", "置顶", "置底"};
    QTest::newRow("attachment") << true << QStringList{"同步", "|", "置顶", "置底"};
}

void test_doc_page::row_menus() {
    QFETCH(bool, attachment);
    QFETCH(QStringList, entries);
    doc_tab_widget page;
    doc_item_widget* view = page.view();
    doc_node_spt doc = doc_named("安装指南");
    if (attachment) {
        // An attachment the agent filed, as the server lists it to its author.
        const QString attachments = data_center::instance().attachments_category()->id;
        const auto file = demo_.upload("/tavorine/nas/publicUploadFileDirect", "/tmp/附件.txt",
                                       "attachment", token_);
        QCOMPARE(demo_
                     .post("/tavorine/clientKb/createFile",
                           {{"classifyId", attachments},
                            {"fileContent", ""},
                            {"fileId", file.data().toObject()["id"]},
                            {"fileName", "附件"},
                            {"fileSuffix", "txt"},
                            {"fileSize", 10},
                            {"fileType", "3"},
                            {"keywords", "附件"},
                            {"customShortcuts", "known"}},
                           token_)
                     .code(),
                 200);
        document_actions actions;
        bool done = false;
        actions.reload_category(attachments, [&](const action_result_t& r) { done = r.ok; });
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
        doc = data_center::instance().docs_of_category(attachments)->first();
        view->show_all();
    } else {
        view->show_category(doc->classifyId);
    }
    QFile::remove(cache_manager::instance()->doc_path(doc));
    QCOMPARE(texts(view->row_menu(view->row_of(doc->id))), entries);
}

void test_doc_page::file_name_field_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("question mark") << "报价?单" << false;
    QTest::newRow("slash") << "报价/单" << false;
    QTest::newRow("backslash") << "a\\b" << false;
    QTest::newRow("colon, star, pipe, quote, angles") << "a:*|\"<>" << false;
    QTest::newRow("plain with blanks and dots") << "报价单 v2.1" << true;
    QTest::newRow("empty") << "" << true;
}

void test_doc_page::file_name_field() {
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    auto* dialog = new update_doc_item_dialog(doc_named("安装指南"));
    int pos = 0;
    QCOMPARE(dialog->name_edit()->validator()->validate(name, pos) == QValidator::Acceptable,
             accepted);
    dialog->close();
}

void test_doc_page::edit_saves_and_the_row_follows() {
    doc_tab_widget page;
    doc_item_widget* view = page.view();
    const doc_node_spt doc = doc_named("安装指南");
    view->show_category(doc->classifyId);
    update_doc_item_dialog* dialog = view->open_update_doc(doc);
    QCOMPARE(dialog->title(), QStringLiteral("修改文档信息"));
    QSignalSpy finished(dialog, &update_doc_item_dialog::update_finished);
    dialog->keywords_edit()->setText("  安装步骤  ");
    dialog->name_edit()->clear(); // keeps the stored name
    dialog->confirm_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    QCOMPARE(dialog->status()->text(),
             QStringLiteral("<span style = 'color: green; font-weight: bold;'>修改成功</span>"));
    QCOMPARE(doc->keywords, QStringLiteral("安装步骤"));
    QCOMPARE(doc->fileName, QStringLiteral("安装指南"));
    QCOMPARE(doc_item_widget::doc_of(view->row_of(doc->id))->keywords, QStringLiteral("安装步骤"));
    dialog->close();
}

// Two files, one gone before the save: the summary, "重试", the category
// reloaded; the empty title saved as the file name with its suffix.
void test_doc_page::add_dialog_titles_failure_and_retry() {
    doc_tab_widget page;
    doc_item_widget* view = page.view();
    const category_node_spt target = category_named("我的文档");
    view->tree()->setCurrentItem(item_named(view->tree(), "我的文档"));
    const QString kept = files_.filePath("报价单.TXT");
    const QString gone = files_.filePath("会消失.txt");
    for (const QString& path : {kept, gone}) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("content of " + path.toUtf8());
    }
    add_doc_dialog* dialog = view->open_add_doc();
    QVERIFY(dialog);
    QCOMPARE(dialog->chooser()->category_id(), target->id);
    dialog->add_files({kept, gone});
    QCOMPARE(dialog->files()->items().size(), 2);
    dialog->files()->items().at(1)->title_edit()->setText("会消失的标题");
    QFile::remove(gone);
    QSignalSpy refresh(dialog, &add_doc_dialog::refresh_category_requested);
    dialog->save_button()->click();
    QVERIFY(!dialog->save_button()->isEnabled());
    QVERIFY(!dialog->add_button()->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(refresh.size(), 1, 20000);
    QCOMPARE(refresh.first().first().toString(), target->id);
    QCOMPARE(dialog->status()->text(),
             QStringLiteral("上传失败：<font color='red'>1</font>，保存失败：<font "
                            "color='red'>0</font>"));
    QVERIFY(dialog->retry_button()->isVisible() || !dialog->retry_button()->isHidden());
    // The page reloads the category: the saved document is listed with its title.
    QTRY_VERIFY_WITH_TIMEOUT(doc_named("报价单"), 20000);
    QCOMPARE(doc_named("报价单")->keywords, QStringLiteral("报价单.TXT"));
    QCOMPARE(doc_named("报价单")->fileSuffix, QStringLiteral("txt"));
    QVERIFY(names(view->shown_docs()).contains("报价单"));

    QFile again(gone);
    QVERIFY(again.open(QIODevice::WriteOnly));
    again.write("back again");
    again.close();
    dialog->retry_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(refresh.size(), 2, 20000);
    QCOMPARE(
        dialog->status()->text(),
        QStringLiteral("<span style = 'color: green; font-weight: bold;'>全部上传完成</span>"));
    QTRY_VERIFY_WITH_TIMEOUT(doc_named("会消失"), 20000);
    QCOMPARE(doc_named("会消失")->keywords, QStringLiteral("会消失的标题"));
    dialog->close();
}

void test_doc_page::picker_modes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("unlisted");
    QTest::newRow("audio") << 0 << QStringList{"欢迎语音"} << QStringList{"演示视频", "资料包"};
    QTest::newRow("video") << 1 << QStringList{"演示视频"} << QStringList{"欢迎语音", "资料包"};
    QTest::newRow("any") << 2 << QStringList{"欢迎语音", "演示视频", "资料包", "产品参数"}
                         << QStringList{};
}

void test_doc_page::picker_modes() {
    QFETCH(int, mode);
    QFETCH(QStringList, listed);
    QFETCH(QStringList, unlisted);
    auto* picker = new select_clouddoc_dialog(mode);
    QCOMPARE(picker->size(), QSize(448, 549));
    QTreeWidget* tree = picker->tree();
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        QVERIFY(!doc_kinds::is_marked_category(tree->topLevelItem(i)->text(0)));
    QStringList leaves;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->flags() & Qt::ItemIsUserCheckable)
            leaves << (*it)->text(0);
    for (const QString& name : listed)
        QVERIFY2(leaves.contains(name), qPrintable(name));
    for (const QString& name : unlisted)
        QVERIFY2(!leaves.contains(name), qPrintable(name));
    if (mode == 2) { // a sub-category's document beneath the sub-category
        QTreeWidgetItem* leaf = item_named(tree, "下级说明");
        QCOMPARE(leaf->parent()->text(0), QStringLiteral("子文档"));
        QCOMPARE(leaf->parent()->parent()->text(0), QStringLiteral("我的文档"));
    }
    QTreeWidgetItem* first = item_named(tree, listed.first());
    first->setCheckState(0, Qt::Checked);
    QSignalSpy chosen(picker, &select_clouddoc_dialog::selected_files);
    picker->confirm_button()->click();
    QCOMPARE(chosen.size(), 1);
    const auto files = chosen.first().first().value<QList<selected_file_info_t>>();
    QCOMPARE(files.size(), 1);
    const doc_node_spt doc = doc_named(listed.first());
    QCOMPARE(files.first().location, doc->fileId);
    QCOMPARE(files.first().name, doc->fileName);
    QCOMPARE(files.first().suffix, doc->fileSuffix);
}

void test_doc_page::category_dialogs() {
    doc_tab_widget page;
    doc_item_widget* view = page.view();
    const category_node_spt mine = category_named("我的文档");
    QCOMPARE(texts(view->tree_menu(nullptr)), QStringList{"添加本地文档分类"});
    QCOMPARE(texts(view->tree_menu(view->root_item())), QStringList{"添加云文档分类"});
    QTreeWidgetItem* mine_item = item_named(view->tree(), "我的文档");
    QCOMPARE(texts(view->tree_menu(mine_item)), (QStringList{"修改", "删除", "添加"}));

    new_doc_category* create = view->open_new_category(false, mine->id);
    QCOMPARE(create->title(), QStringLiteral("添加云文档分类"));
    QCOMPARE(create->chooser()->category_id(), mine->id);
    QSignalSpy created(create, &new_doc_category::create_finished);
    create->name_edit()->setText("新建分类");
    create->confirm_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(created.size(), 1, 20000);
    QTreeWidgetItem* fresh = item_named(view->tree(), "新建分类");
    QVERIFY(fresh);
    QCOMPARE(fresh->parent()->text(0), QStringLiteral("我的文档"));
    QVERIFY(fresh->parent()->isExpanded());
    create->close();
    const category_node_spt node = category_named("新建分类");
    QVERIFY(node);

    update_doc_category* rename = view->open_update_category(node);
    QSignalSpy renamed(rename, &update_doc_category::update_finished);
    rename->name_edit()->setText("改过的分类");
    rename->confirm_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(renamed.size(), 1, 20000);
    QVERIFY(item_named(view->tree(), "改过的分类"));
    QVERIFY(!item_named(view->tree(), "新建分类"));
    rename->close();

    const QString id = node->id;
    QVERIFY(!upload_doc(id, "将被删除", "txt", "x").isEmpty());
    view->tree()->setCurrentItem(item_named(view->tree(), "改过的分类"));
    QCOMPARE(view->shown_category(), id);
    delete_doc_category* remove = view->open_delete_category(node);
    QSignalSpy removed(remove, &delete_doc_category::delete_finished);
    remove->confirm_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(removed.size(), 1, 20000);
    QVERIFY(!item_named(view->tree(), "改过的分类"));
    QVERIFY(!data_center::instance().doc_categories().contains(id));
    QCOMPARE(view->tree()->currentItem(), view->root_item());
    QCOMPARE(view->shown_category(), QString());
    remove->close();
}

void test_doc_page::pin_moves_to_the_bottom() {
    doc_tab_widget page;
    doc_item_widget* view = page.view();
    QStringList messages;
    view->set_message_handler([&](const QString& text) { messages << text; });
    // The agent's own category: public ones are the managers'.
    view->show_category(category_named("我的文档")->id);
    const doc_node_spt first = view->shown_docs().first();
    view->pin_doc(first, false);
    QTRY_VERIFY_WITH_TIMEOUT(view->shown_docs().last()->id == first->id || !messages.isEmpty(),
                             20000);
    QCOMPARE(messages, QStringList{});
    view->pin_doc(first, true);
    QTRY_COMPARE_WITH_TIMEOUT(view->shown_docs().first()->id, first->id, 20000);
}

void test_doc_page::move_and_delete() {
    doc_tab_widget page;
    doc_item_widget* view = page.view();
    const QString source = category_named("我的文档")->id;
    QVERIFY(!upload_doc(source, "待移动", "txt", "moving").isEmpty());
    document_actions actions;
    bool loaded = false;
    actions.reload_category(source, [&](const action_result_t& r) { loaded = r.ok; });
    QTRY_VERIFY_WITH_TIMEOUT(loaded, 20000);
    const doc_node_spt doc = doc_named("待移动");
    const category_node_spt sub = category_named("子文档");
    view->show_category(source);
    doc_transfer_dialog* move = view->open_transfer_doc(doc, false);
    QCOMPARE(move->title(), QStringLiteral("移动文档"));
    move->chooser()->set_category(sub->id);
    QSignalSpy moved(move, &doc_transfer_dialog::transfer_finished);
    move->confirm_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(moved.size(), 1, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!view->row_of(doc->id), 20000);
    view->show_category(sub->id);
    QTRY_VERIFY_WITH_TIMEOUT(view->row_of(doc->id), 20000);

    const doc_node_spt placed = doc_item_widget::doc_of(view->row_of(doc->id));
    delete_doc_dialog* remove = view->open_delete_doc(placed);
    QSignalSpy removed(remove, &delete_doc_dialog::delete_finished);
    remove->confirm_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(removed.size(), 1, 20000);
    QVERIFY(!view->row_of(doc->id));
    remove->close();
}

QTEST_MAIN(test_doc_page)
#include "test_doc_page.moc"
