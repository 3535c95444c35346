// Names and messages from the server or another user, on every page and in
// every dialog, read as written: never drawn as markup. Where script HTML is
// drawn on purpose, its images come from the cache only.
#include "app/app_paths.h"
#include "integration/cached_document.h"
#include "model/data_center.h"
#include "model/records.h"
#include "model/session_state.h"
#include "resources/resources.h"
#include "sync/cache_manager.h"
#include "ui/auto_follow_widget.h"
#include "ui/docs/doc_category_dialogs.h"
#include "ui/docs/doc_dialogs.h"
#include "ui/docs/doc_list_item.h"
#include "ui/instant/instant_list.h"
#include "ui/kb/delete_category_widget.h"
#include "ui/kb/delete_script_widget.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/kb_search_widget.h"
#include "ui/kb/new_script_widget.h"
#include "ui/kb/phrase_list_item.h"
#include "ui/kb/quick_reply_manager_widget.h"
#include "ui/kb/script_item.h"
#include "ui/kb/transfer_script_widget.h"
#include "ui/library/department_picker_tab.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/settings/account_setting_widget.h"
#include "ui/stickers/delete_sticker_dialog.h"
#include "ui/stickers/sticker_item.h"
#include "ui/update/update_guide_widget.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/status_text.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QTextEdit>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>
#include <memory>

using namespace quorvel;

namespace {

// Every hostile name starts with this, so a cut-off copy is still found.
const QString marker = QStringLiteral("qv");

// What a reader sees of a text shown in the given format (tooltips are Auto).
QString seen(const QString& text, Qt::TextFormat format) {
    const bool rich =
        format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
    if (!rich)
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

// A text that carries the name must show it as written: the marker followed
// by the "<" of the markup. Drawn as markup it would read "qv" and an image.
QStringList misread(const QList<QPair<QString, Qt::TextFormat>>& texts) {
    QStringList bad;
    for (const auto& [text, format] : texts) {
        const QString shown = seen(text, format);
        const bool carries = text.contains(marker) || shown.contains(marker);
        if (carries && !shown.contains(marker + QLatin1Char('<')))
            bad << text;
    }
    return bad;
}

// The labels, tooltips, item tooltips and action tooltips of a window.
QList<QPair<QString, Qt::TextFormat>> texts_of(QWidget* root) {
    QList<QPair<QString, Qt::TextFormat>> texts;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << qMakePair(label->text(), label->textFormat());
        texts << qMakePair(w->toolTip(), Qt::AutoText);
        for (QAction* action : w->actions())
            texts << qMakePair(action->toolTip(), Qt::AutoText);
        if (auto* tree = qobject_cast<QTreeWidget*>(w))
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                texts << qMakePair((*it)->toolTip(0), Qt::AutoText);
    }
    return texts;
}

// A rich-text reader that notes every resource it is asked to load, as a
// label or tooltip would load it.
class recording_document : public QTextDocument {
public:
    QStringList asked;

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        asked << name.toString();
        return QTextDocument::loadResource(type, name);
    }
};

// Everything drawing the HTML would load.
QStringList loads_of(const QString& html) {
    recording_document document;
    document.setHtml(html);
    QImage canvas(400, 400, QImage::Format_ARGB32);
    QPainter painter(&canvas);
    document.drawContents(&painter);
    return document.asked;
}

category_node_spt category(const QString& id, const QString& name, int part = 0) {
    auto node = category_node_spt::create();
    node->id = id;
    node->superId = top_level_id;
    node->classifyName = name;
    node->classifyType = QString::number(part);
    node->clientBusinessType = QStringLiteral("310");
    node->sort = 1;
    return node;
}

script_node_spt script(const QString& id, const QString& category_id, const QString& keywords,
                       const QString& content) {
    auto node = script_node_spt::create();
    node->id = id;
    node->classifyId = category_id;
    node->classifyType = QStringLiteral("0");
    node->speechContentKeywords = keywords;
    node->speechContent = content;
    node->sort = 1;
    return node;
}

} // namespace

class test_plain_texts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void names_read_as_written_data();
    void names_read_as_written();
    void rich_script_views_load_only_cached_images();

private:
    // The page or dialog showing name; the library holds it everywhere.
    std::unique_ptr<QWidget> build(const QString& page, const QString& name);
    void fill_library(const QString& name);

    QTemporaryDir dir_;
    QString outside_image_;
    QString cached_image_;
};

void test_plain_texts::initTestCase() {
    init_resources();
    register_meta_types();
    auto profile = user_login_info_spt::create();
    profile->account = "agent";
    session_state::instance().set_login_user(profile);
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    outside_image_ = dir_.filePath("x.png");
    QVERIFY(image.save(outside_image_));
    cached_image_ = cache_manager::instance()->path_by_id("clouddoc", "5", "pic", "png");
    QDir().mkpath(QFileInfo(cached_image_).absolutePath());
    QVERIFY(image.save(cached_image_));
}

void test_plain_texts::fill_library(const QString& name) {
    data_center& dc = data_center::instance();
    dc.clear();
    auto profile = user_login_info_spt::create();
    profile->account = name;
    profile->userName = name;
    profile->deptName = name;
    session_state::instance().set_login_user(profile);
    dc.add_category(library_kind::scripts, category("1", name));
    // A script whose text reads like markup: escaped in the editor's HTML.
    const QString content =
        QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
                       "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n<html><body><p>%1</p>"
                       "</body></html>")
            .arg(name.toHtmlEscaped());
    dc.replace_scripts({{QStringLiteral("1"), {script("5", "1", name, content)}}});
    auto reply = quick_reply_node_spt::create();
    reply->id = "r5";
    reply->speechId = "5";
    reply->classifyId = "1";
    reply->classifyType = "0";
    dc.replace_quick_replies({{QStringLiteral("5"), reply}});
}

std::unique_ptr<QWidget> test_plain_texts::build(const QString& page, const QString& name) {
    const script_node_spt stored = data_center::instance().scripts_of("1").value(0);
    if (page == "script rows") {
        auto view = std::make_unique<kb_item_widget>(0);
        view->show_category("1");
        QTreeWidget* tree = view->tree_of("1");
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if ((*it)->data(0, kb_role::kind).toInt() == script_row)
                view->row_widget(tree, *it);
        return view;
    }
    if (page == "search results") {
        auto view = std::make_unique<kb_search_widget>();
        view->show_results({stored});
        return view;
    }
    if (page == "sticker tile" || page == "sticker delete") {
        auto sticker = sticker_node_spt::create();
        sticker->id = "s1";
        sticker->emojiType = "3";
        sticker->fileId = "f1";
        sticker->emojiContentDesc = name;
        sticker->emojiContentMatchKeywords = name;
        if (page == "sticker tile")
            return std::make_unique<sticker_item>(sticker);
        return std::make_unique<delete_sticker_dialog>(sticker);
    }
    if (page == "document row" || page == "document delete") {
        auto doc = doc_node_spt::create();
        doc->id = "d1";
        doc->keywords = name;
        doc->fileName = name;
        doc->fileSuffix = "pdf";
        if (page == "document row")
            return std::make_unique<doc_list_item>(doc, QStringLiteral("已同步"));
        return std::make_unique<delete_doc_dialog>(doc);
    }
    if (page == "document category delete")
        return std::make_unique<delete_doc_category>(category("9", name), false);
    if (page == "bar quick replies") {
        auto bar = std::make_unique<auto_follow_widget>();
        auto* menu = new QMenu(bar.get());
        bar->fill_quick_reply_menu(menu);
        bar->addActions(menu->actions());
        return bar;
    }
    if (page == "instant search") {
        auto list = std::make_unique<instant_list>();
        QStringList rows;
        for (instant_kind kind : {instant_kind::script, instant_kind::sticker}) {
            auto entry = QSharedPointer<instant_entry_t>::create();
            entry->kind = kind;
            entry->keywords_raw = name;
            entry->keywords = name;
            entry->text = name;
            instant_hit_t hit;
            hit.entry = entry;
            hit.match.start = 0;
            hit.match.end = 2;
            rows << instant_row_html(hit);
        }
        // The rows are drawn as rich text by the list's delegate.
        auto* holder = new QWidget(list.get());
        for (const QString& html : rows) {
            auto* row = new QLabel(html, holder);
            row->setTextFormat(Qt::RichText);
        }
        return list;
    }
    if (page == "phrase")
        return std::make_unique<phrase_list_item>(1, name);
    if (page == "quick replies")
        return std::make_unique<quick_reply_manager_widget>();
    if (page == "account settings")
        return std::make_unique<account_setting_widget>();
    if (page == "update dialog") {
        auto info = version_update_info_spt::create();
        info->latestVersion = "9.9.9";
        info->releaseNotes = name;
        // A well-formed offer (signature and size), so the dialog shows its notes.
        info->signature = QString::fromLatin1(QByteArray(64, 'x').toBase64());
        info->fileSize = 1024;
        return std::make_unique<update_guide_widget>(info);
    }
    if (page == "message box") {
        auto holder = std::make_unique<QWidget>();
        show_info_dialog(holder.get(), name);
        show_notice(holder.get(), name);
        return holder;
    }
    if (page == "status line")
        return std::make_unique<QLabel>(status_text::failure(QStringLiteral("操作失败"), name));
    if (page == "category delete")
        return std::make_unique<delete_category_widget>(category("9", name));
    if (page == "script delete")
        return std::make_unique<delete_script_widget>(stored);
    if (page == "script transfer")
        return std::make_unique<transfer_script_widget>(false, stored);
    if (page == "department tab") {
        auto tab = std::make_unique<department_picker_tab>();
        tab->show_department("9", name);
        return tab;
    }
    return nullptr;
}

void test_plain_texts::names_read_as_written_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("name");
    const QStringList names = {marker + QStringLiteral("<img src=\"file:///tmp/x.png\">1"),
                               marker + QStringLiteral("<b>bold</b>")};
    for (const char* page :
         {"script rows", "search results", "sticker tile", "sticker delete", "document row",
          "document delete", "document category delete", "bar quick replies", "instant search",
          "phrase", "quick replies", "account settings", "update dialog", "message box",
          "status line", "category delete", "script delete", "script transfer", "department tab"})
        for (int i = 0; i < names.size(); ++i)
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(page, i ? "bold" : "image")))
                << QString::fromLatin1(page) << names[i];
}

void test_plain_texts::names_read_as_written() {
    QFETCH(QString, page);
    QFETCH(QString, name);
    fill_library(name);
    const std::unique_ptr<QWidget> shown = build(page, name);
    QVERIFY(shown);
    const QList<QPair<QString, Qt::TextFormat>> texts = texts_of(shown.get());
    int carrying = 0;
    for (const auto& text : texts)
        carrying += text.first.contains(marker) || seen(text.first, text.second).contains(marker);
    QVERIFY2(carrying > 0, "the page shows the name somewhere");
    const QStringList bad = misread(texts);
    QVERIFY2(bad.isEmpty(), qPrintable(bad.join(QStringLiteral("\n"))));
}

// The script list's tooltips, the delete dialog and the editor draw script
// HTML on purpose: a file elsewhere or an address is never loaded for it.
void test_plain_texts::rich_script_views_load_only_cached_images() {
    const QString html =
        QStringLiteral("<html><body style=\"background-image: url(%1)\"><p>zz"
                       "<img src=\"%1\"/><img src=\"%2\"/><img src=\"http://127.0.0.1:9/x.png\"/>"
                       "<img src=\"%3\"/></p><table background=\"%1\"><tr><td>t</td></tr></table>"
                       "</body></html>")
            .arg(QUrl::fromLocalFile(outside_image_).toString(), outside_image_, cached_image_);
    const auto foreign = [&](const QStringList& asked) {
        QStringList out;
        for (const QString& name : asked)
            if (!name.contains(QLatin1String("pic.png")))
                out << name;
        return out;
    };

    // What a tooltip would load.
    const QString tooltip = script_tooltip(html);
    QVERIFY2(foreign(loads_of(tooltip)).isEmpty(),
             qPrintable(foreign(loads_of(tooltip)).join(' ')));
    QVERIFY(tooltip.contains(QLatin1String("pic.png"))); // the cached image stays

    // A script row's tooltip and the delete dialog's label.
    fill_library(QStringLiteral("zz"));
    auto stored = data_center::instance().scripts_of("1").value(0);
    stored->speechContent = html;
    kb_item_widget view(0);
    view.show_category("1");
    QTreeWidgetItem* row = kb_item_widget::find_row(view.tree_of("1"), script_row, "5");
    QVERIFY(row);
    QVERIFY2(foreign(loads_of(row->toolTip(0))).isEmpty(), qPrintable(row->toolTip(0)));
    delete_script_widget dialog(stored);
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->text().contains(QLatin1String("zz")))
            QVERIFY2(foreign(loads_of(label->text())).isEmpty(), qPrintable(label->text()));

    // The editor: the document it draws from loads cached files only.
    new_script_widget editor(0, "1", stored);
    QTextDocument* document = editor.editor()->document();
    // Also once cleared and given other content, and drawn.
    editor.editor()->clear();
    editor.editor()->setHtml(QStringLiteral("<p><img src=\"%1\"/></p>").arg(outside_image_));
    QImage canvas(400, 400, QImage::Format_ARGB32);
    QPainter painter(&canvas);
    document->drawContents(&painter);
    for (const QString& name :
         {QUrl::fromLocalFile(outside_image_).toString(), outside_image_,
          QStringLiteral("http://127.0.0.1:9/x.png"), QStringLiteral("x.png")})
        QVERIFY2(document->resource(QTextDocument::ImageResource, QUrl(name)).isNull(),
                 qPrintable(name));
    // Nor does a link in the cache to a file elsewhere.
    const QString planted = cache_manager::instance()->path_by_id("clouddoc", "7", "p", "png");
    QDir().mkpath(QFileInfo(planted).absolutePath());
    QFile::remove(planted);
    QVERIFY(QFile::link(outside_image_, planted));
    QVERIFY(document->resource(QTextDocument::ImageResource, QUrl(planted)).isNull());
}

QTEST_MAIN(test_plain_texts)
#include "test_plain_texts.moc"
