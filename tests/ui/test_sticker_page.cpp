// The sticker page, its dialogs and the picker against quorvel-server's demo
// library (uploads over 1 MiB refused, so one file of a batch can fail).
#include "app/app_paths.h"
#include "app/event_bus.h"
#include "app/settings_store.h"
#include "library_login.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/actions/category_actions.h"
#include "net/actions/sticker_category_actions.h"
#include "server_fixture.h"
#include "sync/cache_manager.h"
#include "ui/kb/delete_category_widget.h"
#include "ui/kb/update_category_widget.h"
#include "ui/library/category_button.h"
#include "ui/library/category_flow_widget.h"
#include "ui/library/select_department_menu.h"
#include "ui/stickers/add_sticker_dialog.h"
#include "ui/stickers/delete_sticker_dialog.h"
#include "ui/stickers/new_sticker_category.h"
#include "ui/stickers/scope_choice.h"
#include "ui/stickers/select_sticker_widget.h"
#include "ui/stickers/sticker_flow_widget.h"
#include "ui/stickers/sticker_item.h"
#include "ui/stickers/sticker_item_widget.h"
#include "ui/stickers/sticker_preview_dialog.h"
#include "ui/stickers/sticker_tab_widget.h"
#include "ui/stickers/sticker_transfer_category.h"
#include "ui/stickers/transfer_sticker_dialog.h"
#include "ui/stickers/update_sticker_dialog.h"
#include "ui/sync_data_widget.h"
#include "ui/widgets/custom_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace quorvel;

namespace {

template <class T> T* open_dialog() {
    T* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<T*>(w); d && d->isVisible())
            found = d;
    return found;
}

template <class T> void close_all() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<T*>(w))
            d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void trigger(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
        if (a->text() == text) {
            QVERIFY2(a->isEnabled(), qPrintable(text));
            a->trigger();
            menu->deleteLater();
            return;
        }
    QFAIL(qPrintable("no menu entry " + text));
}

QStringList entries(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("|") : a->text());
    menu->deleteLater();
    return out;
}

int count_in_store(const QString& category_id, const QString& title) {
    int n = 0;
    for (const sticker_node_spt& s :
         data_center::instance().stickers_by_category().value(category_id))
        n += s->emojiContentDesc == title;
    return n;
}

QString category_named(int part, const QString& dept, const QString& name) {
    for (const category_node_spt& c : top_sticker_categories(part, dept))
        if (c->classifyName == name)
            return c->id;
    return {};
}

QByteArray png_bytes(const QColor& color, int side = 16) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class test_sticker_page : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void scopes_follow_the_store();
    void clicks_data();
    void clicks();
    void missing_file_is_fetched_before_sending();
    void unfetchable_file_is_never_sent();
    void menus();
    void department_switch_keeps_plus_and_placeholders();
    void add_dialog_retries_only_failed_uploads();
    void add_dialog_titles_follow_auto_title_data();
    void add_dialog_titles_follow_auto_title();
    void sticker_dialogs_change_the_page();
    void category_transfer_data();
    void category_transfer();
    void category_moved_to_other_department_waits_for_it();
    void transfer_targets_data();
    void transfer_targets();
    void new_category_and_last_category_placeholders();
    void picker_strip_follows_checks();
    void picker_loads_images_off_the_gui_thread();
    void picker_insert_with_nothing_emits_empty_list();

private:
    void sync_as(const QString& account);
    sticker_flow_widget* open_category(sticker_item_widget* view, const QString& id);

    server_fixture demo_;
    QTemporaryDir files_;
    QList<QPair<QString, QVariantList>> events_;
    QObject listener_;
};

void test_sticker_page::initTestCase() {
    QVERIFY(demo_.start({"--demo", "--max-upload-mb", "1"}));
    sync_data_widget::set_main_window_factory([] { return nullptr; });
    for (const char* name : {"send_sticker_event", "category_sticker_create_event",
                             "sticker/event/transfer_category", "sticker/event/transfer_sticker"})
        event_bus::instance()->subscribe(QLatin1String(name), &listener_,
                                         [this, name](const QVariantList& args) {
                                             events_ << qMakePair(QString::fromLatin1(name), args);
                                         });
    sync_as("manager");
}

void test_sticker_page::init() {
    events_.clear();
}

void test_sticker_page::cleanup() {
    close_all<base_dialog>();
}

void test_sticker_page::sync_as(const QString& account) {
    QVERIFY(log_in_and_sync(demo_, account, account + "123"));
}

sticker_flow_widget* test_sticker_page::open_category(sticker_item_widget* view,
                                                      const QString& id) {
    view->check_category(id);
    return view->page(id);
}

void test_sticker_page::scopes_follow_the_store() {
    sticker_tab_widget page;
    const data_center& dc = data_center::instance();
    sticker_item_widget* pub = page.view(0);
    const QList<category_node_spt> tops = top_sticker_categories(0, QString());
    QVERIFY(tops.size() >= 2);
    QCOMPARE(pub->category_ids().size(), tops.size());
    QCOMPARE(pub->bar()->button_at(pub->bar()->count() - 1), pub->plus_button());
    QCOMPARE(pub->checked_category(), tops.first()->id);
    auto* shown = qobject_cast<sticker_flow_widget*>(pub->pages()->currentWidget());
    QVERIFY(shown);
    QCOMPARE(shown->tile_count(), dc.stickers_by_category().value(tops.first()->id).size());
    // The manager keeps no personal stickers, and his own department none.
    QCOMPARE(page.view(1)->pages()->currentIndex(), int(sticker_item_widget::empty_page));
    QCOMPARE(page.view(2)->pages()->currentIndex(), int(sticker_item_widget::empty_page));
    QCOMPARE(page.view(2)->dept_id(), session_state::instance().default_department()->id);
    // Images arrive from the cache off the GUI thread.
    page.resize(400, 700);
    page.show();
    QTRY_VERIFY(shown->tiles().first()->has_image());
}

void test_sticker_page::clicks_data() {
    QTest::addColumn<bool>("twice");
    QTest::newRow("single click previews after the interval") << false;
    QTest::newRow("double click sends and never previews") << true;
}

void test_sticker_page::clicks() {
    QFETCH(bool, twice);
    sticker_tab_widget page;
    page.show();
    sticker_flow_widget* flow = page.view(0)->page(page.view(0)->checked_category());
    sticker_item* tile = flow->tiles().first();
    QSignalSpy clicked(tile, &sticker_item::image_clicked);
    QSignalSpy doubled(tile, &sticker_item::image_double_clicked);
    if (twice)
        QTest::mouseDClick(tile->image(), Qt::LeftButton);
    else
        QTest::mouseClick(tile->image(), Qt::LeftButton);
    QCOMPARE(clicked.count() + doubled.count(), 0); // nothing before the interval
    QTRY_COMPARE(clicked.count() + doubled.count(), 1);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QCOMPARE(doubled.count(), twice ? 1 : 0);
    QCOMPARE(clicked.count(), twice ? 0 : 1);
    QCOMPARE(open_dialog<sticker_preview_dialog>() != nullptr, !twice);
    if (twice) {
        QCOMPARE(events_.size(), 1);
        QCOMPARE(events_.first().first, QStringLiteral("send_sticker_event"));
        const QString path = events_.first().second.first().toString();
        QCOMPARE(path, tile->path());
        QVERIFY(QFileInfo(path).isFile());
    } else {
        QVERIFY(events_.isEmpty());
    }
}

void test_sticker_page::missing_file_is_fetched_before_sending() {
    sticker_tab_widget page;
    sticker_flow_widget* flow = page.view(0)->page(page.view(0)->checked_category());
    sticker_item* tile = flow->tiles().at(1);
    const QByteArray content = [&] {
        QFile f(tile->path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY(!content.isEmpty());
    QVERIFY(QFile::remove(tile->path()));
    page.view(0)->send(tile);
    // Never a path that names nothing: the event waits for the file.
    QVERIFY(events_.isEmpty());
    QTRY_COMPARE(events_.size(), 1);
    const QString path = events_.first().second.first().toString();
    QCOMPARE(path, tile->path());
    QFile sent(path);
    QVERIFY(sent.open(QIODevice::ReadOnly));
    QCOMPARE(sent.readAll(), content);
    QCOMPARE(tile->title()->text(), tile->sticker()->emojiContentDesc);
}

void test_sticker_page::unfetchable_file_is_never_sent() {
    sticker_tab_widget page;
    sticker_flow_widget* flow = page.view(0)->page(page.view(0)->checked_category());
    sticker_item* tile = flow->tiles().at(2);
    auto broken = sticker_node_spt::create(*tile->sticker());
    broken->fileId = QStringLiteral("987654321");
    broken->nasFile = nas_file_spt::create(*tile->sticker()->nasFile);
    tile->set_sticker(broken);
    QFile::remove(tile->path());
    QSignalSpy failed(page.view(0), &sticker_item_widget::send_failed);
    page.view(0)->send(tile);
    QTRY_COMPARE(failed.count(), 1);
    QVERIFY(events_.isEmpty());
    QCOMPARE(tile->title()->text(), QStringLiteral("无法发送"));
}

void test_sticker_page::menus() {
    sticker_tab_widget page;
    sticker_item_widget* view = page.view(0);
    const QString id = view->checked_category();
    QCOMPARE(entries(view->category_menu(view->button(id))),
             QStringList({"修改分类", "删除分类", "|", "复制分类", "移动分类", "|", "添加表情"}));
    QCOMPARE(entries(view->sticker_menu(view->page(id)->tiles().first())),
             QStringList({"修改表情", "删除表情", "|", "复制表情", "移动表情", "|", "添加表情", "|",
                          "复制到粘贴板"}));
    QCOMPARE(entries(view->page_menu(view->page(id))), QStringList({"添加表情"}));
    trigger(view->page_menu(view->page(id)), QStringLiteral("添加表情"));
    auto* add = open_dialog<add_sticker_dialog>();
    QVERIFY(add);
    QCOMPARE(add->categories()->currentData().toString(), id);
}

void test_sticker_page::department_switch_keeps_plus_and_placeholders() {
    sticker_tab_widget page;
    sticker_item_widget* dept = page.view(2);
    const data_center& dc = data_center::instance();
    QString presale;
    for (const dept_tree_node_spt& d : session_state::instance().departments())
        if (d->label == QStringLiteral("售前组"))
            presale = d->id;
    QVERIFY(!presale.isEmpty());
    const QString home = dept->dept_id();
    page.choose_department(presale, QStringLiteral("售前组"));
    QCOMPARE(dc.sticker_dept_id(), presale);
    QCOMPARE(page.department_tab()->text(), QStringLiteral("售前组"));
    QCOMPARE(page.stack()->currentIndex(), 2);
    QCOMPARE(dept->category_ids().size(), 1);
    QCOMPARE(dept->pages()->count(), 3);
    QVERIFY(qobject_cast<sticker_flow_widget*>(dept->pages()->currentWidget()));
    page.choose_department(home, QStringLiteral("客服中心"));
    QCOMPARE(dept->category_ids().size(), 0);
    QCOMPARE(dept->bar()->count(), 1);
    QCOMPARE(dept->bar()->button_at(0), dept->plus_button());
    QCOMPARE(dept->pages()->count(), 2);
    QCOMPARE(dept->pages()->currentIndex(), int(sticker_item_widget::empty_page));
}

void test_sticker_page::add_dialog_retries_only_failed_uploads() {
    sticker_tab_widget page;
    sticker_item_widget* view = page.view(0);
    const QString id = view->checked_category();
    const QStringList names = {"加油", "收到", "超大图"};
    QStringList paths;
    for (int i = 0; i < names.size(); ++i) {
        paths << files_.filePath(names[i] + ".png");
        QFile f(paths.last());
        QVERIFY(f.open(QIODevice::WriteOnly));
        // The third is over the server's upload limit.
        f.write(i < 2 ? png_bytes(QColor::fromHsv(i * 90, 200, 200))
                      : png_bytes(Qt::red) + QByteArray(1200 * 1024, 'x'));
    }
    add_sticker_dialog dialog(0, id);
    QSignalSpy added(&dialog, &add_sticker_dialog::add_sticker_requested);
    dialog.add_files(paths);
    dialog.add_files({paths.first()}); // chosen twice, listed once
    QCOMPARE(dialog.rows().size(), 3);
    dialog.save_button()->click();
    QCOMPARE(dialog.save_button()->text(), QStringLiteral("提交中"));
    QTRY_VERIFY_WITH_TIMEOUT(dialog.retry_button()->isVisibleTo(&dialog), 20000);
    QCOMPARE(dialog.status()->text(),
             QStringLiteral("上传成功：<font color='green'>2</font>, 上传失败：<font "
                            "color='red'>1</font>, 保存成功：<font color='green'>2</font>, "
                            "保存失败：<font color='red'>0</font>"));
    QVERIFY(!dialog.save_button()->isVisibleTo(&dialog));
    QCOMPARE(added.count(), 2);

    // Made small enough, the retry sends only that file.
    QFile big(paths.last());
    QVERIFY(big.open(QIODevice::WriteOnly | QIODevice::Truncate));
    big.write(png_bytes(Qt::red));
    big.close();
    dialog.retry_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(dialog.status()->text(),
                              QStringLiteral("<font color='green'>操作成功</font>"), 20000);
    QCOMPARE(added.count(), 3);
    QVERIFY(dialog.save_button()->isVisibleTo(&dialog));
    QVERIFY(!dialog.retry_button()->isVisibleTo(&dialog));
    const QJsonArray listed = demo_
                                  .post("/tavorine/clientKb/queryEmoji", {{"classifyId", id}},
                                        session_state::instance().token())
                                  .data()
                                  .toArray();
    for (const QString& name : names) {
        QCOMPARE(count_in_store(id, name), 1);
        int on_server = 0;
        for (const QJsonValue& v : listed)
            on_server += v.toObject().value("emojiContentDesc").toString() == name;
        QCOMPARE(on_server, 1);
        // Each new tile shows its image from the cache at once.
        sticker_item* tile = nullptr;
        for (sticker_item* t : view->page(id)->tiles())
            if (t->sticker()->emojiContentDesc == name)
                tile = t;
        QVERIFY(tile);
        QVERIFY(QFileInfo(tile->path()).isFile());
    }
}

void test_sticker_page::add_dialog_titles_follow_auto_title_data() {
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<QString>("title");
    QTest::newRow("checked: the file's base name") << true << "笑脸";
    QTest::newRow("unchecked: empty until typed") << false << "";
}

void test_sticker_page::add_dialog_titles_follow_auto_title() {
    QFETCH(bool, automatic);
    QFETCH(QString, title);
    add_sticker_dialog dialog(0, QString());
    dialog.auto_title()->setChecked(automatic);
    dialog.add_files({files_.filePath("笑脸.png")});
    QCOMPARE(dialog.rows().first()->title(), title);
}

void test_sticker_page::sticker_dialogs_change_the_page() {
    sticker_tab_widget page;
    sticker_item_widget* pub = page.view(0);
    // A category of its own with one sticker: copied from the first one.
    sticker_category_actions actions;
    bool done = false;
    actions.create_category(QStringLiteral("单张"), 0, QString(),
                            [&](const action_result_t& r, const category_node_spt&) {
                                QVERIFY(r.ok);
                                done = true;
                            });
    QTRY_VERIFY(done);
    const QString single = category_named(0, QString(), QStringLiteral("单张"));
    QVERIFY(pub->button(single));
    QCOMPARE(events_.size(), 0);
    const QString first = pub->category_ids().first();
    sticker_item* source = pub->page(first)->tiles().first();
    trigger(pub->sticker_menu(source), QStringLiteral("复制表情"));
    auto* transfer = open_dialog<transfer_sticker_dialog>();
    QVERIFY(transfer);
    transfer->categories()->setCurrentIndex(transfer->categories()->findData(single));
    transfer->save_button()->click();
    QTRY_COMPARE(pub->page(single)->tile_count(), 1);
    QTRY_COMPARE(events_.size(), 1);
    QCOMPARE(events_.first().first, QStringLiteral("sticker/event/transfer_sticker"));
    QVERIFY(pub->page(first)->tile(source->sticker()->id)); // a copy leaves it

    // Retitled: the tile and the store follow.
    open_category(pub, single);
    sticker_item* tile = pub->page(single)->tiles().first();
    trigger(pub->sticker_menu(tile), QStringLiteral("修改表情"));
    auto* update = open_dialog<update_sticker_dialog>();
    QVERIFY(update);
    update->title_edit()->setText(QStringLiteral("新标题"));
    update->save_button()->click();
    QTRY_COMPARE(tile->title()->text(), QStringLiteral("新标题"));
    QCOMPARE(count_in_store(single, QStringLiteral("新标题")), 1);
    QCOMPARE(update->save_button()->text(), QStringLiteral("保存"));

    // The last sticker deleted: the "添加图片" placeholder.
    trigger(pub->sticker_menu(tile), QStringLiteral("删除表情"));
    auto* remove = open_dialog<delete_sticker_dialog>();
    QVERIFY(remove);
    remove->delete_button()->click();
    QTRY_COMPARE(pub->page(single)->tile_count(), 0);
    QCOMPARE(pub->pages()->currentIndex(), int(sticker_item_widget::no_stickers_page));
    QVERIFY(!remove->delete_button()->isVisibleTo(remove));
    QVERIFY(data_center::instance().stickers_by_category().value(single).isEmpty());
}

void test_sticker_page::category_transfer_data() {
    QTest::addColumn<bool>("copy");
    QTest::newRow("copy stays here too") << true;
    QTest::newRow("move leaves this scope") << false;
}

void test_sticker_page::category_transfer() {
    QFETCH(bool, copy);
    sticker_tab_widget page;
    sticker_item_widget* pub = page.view(0);
    sticker_item_widget* mine = page.view(1);
    const QString festive = category_named(0, QString(), QStringLiteral("节日祝福"));
    QVERIFY(!festive.isEmpty());
    const int stickers = data_center::instance().stickers_by_category().value(festive).size();
    const int personal_before = mine->category_ids().size();
    trigger(pub->category_menu(pub->button(festive)), copy ? "复制分类" : "移动分类");
    auto* dialog = open_dialog<sticker_transfer_category>();
    QVERIFY(dialog);
    QCOMPARE(dialog->scopes()->scope(), 1); // the first of two targets
    dialog->save_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(dialog->status()->text(),
                              QStringLiteral("<span style = 'color: green; font-weight: bold;'>"
                                             "同步成功</span>"),
                              20000);
    QCOMPARE(events_.size(), 1);
    QCOMPARE(events_.first().first, QStringLiteral("sticker/event/transfer_category"));
    const auto placed = events_.first().second.first().value<category_node_spt>();
    QVERIFY(placed);
    QCOMPARE(mine->category_ids().size(), personal_before + 1);
    sticker_flow_widget* there = mine->page(placed->id);
    QVERIFY(there);
    QCOMPARE(there->tile_count(), stickers);
    for (sticker_item* tile : there->tiles())
        QVERIFY(QFileInfo(tile->path()).isFile());
    QCOMPARE(pub->button(festive) != nullptr, copy);
    if (!copy) { // back where the other cases expect it
        sticker_category_actions actions;
        bool back = false;
        actions.transfer_category(
            placed, false, 0, QString(),
            [&](const action_result_t& r, const category_node_spt&) { back = r.ok; });
        QTRY_VERIFY(back);
    }
}

void test_sticker_page::category_moved_to_other_department_waits_for_it() {
    sticker_tab_widget page;
    sticker_item_widget* pub = page.view(0);
    sticker_item_widget* dept = page.view(2);
    QString aftersale;
    for (const dept_tree_node_spt& d : session_state::instance().departments())
        if (d->label == QStringLiteral("售后组"))
            aftersale = d->id;
    const QString common = category_named(0, QString(), QStringLiteral("常用表情"));
    sticker_category_actions actions;
    category_node_spt placed;
    actions.transfer_category(
        data_center::instance().find_category(library_kind::stickers, 0, QString(), common), true,
        2, aftersale, [&](const action_result_t& r, const category_node_spt& c) {
            QVERIFY(r.ok);
            placed = c;
        });
    QTRY_VERIFY(placed);
    QVERIFY(pub->button(common));
    QVERIFY(!dept->button(placed->id));
    page.choose_department(aftersale, QStringLiteral("售后组"));
    QVERIFY(dept->button(placed->id));
}

void test_sticker_page::transfer_targets_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QString>("checked");
    QTest::newRow("public") << 0 << QStringList{"个人", "部门"} << "个人";
    QTest::newRow("personal") << 1 << QStringList{"公共", "部门"} << "公共";
    QTest::newRow("department") << 2 << QStringList{"公共", "个人", "部门"} << "个人";
}

void test_sticker_page::transfer_targets() {
    QFETCH(int, from);
    QFETCH(QStringList, offered);
    QFETCH(QString, checked);
    auto category = category_node_spt::create();
    category->classifyType = QString::number(from);
    sticker_transfer_category dialog(category, true);
    QStringList texts;
    for (QAbstractButton* b : dialog.scopes()->group()->buttons())
        texts << b->text();
    QCOMPARE(texts, offered);
    QCOMPARE(dialog.scopes()->group()->checkedButton()->text(), checked);
}

void test_sticker_page::new_category_and_last_category_placeholders() {
    sticker_tab_widget page;
    sticker_item_widget* mine = page.view(1);
    for (const QString& id : mine->category_ids()) { // none left from other cases
        bool gone = false;
        category_actions actions;
        actions.delete_category(
            data_center::instance().find_category(library_kind::stickers, 1, QString(), id),
            [&](const action_result_t& r) { gone = r.ok; });
        QTRY_VERIFY(gone);
    }
    QCOMPARE(mine->pages()->currentIndex(), int(sticker_item_widget::empty_page));
    mine->plus_button()->click();
    auto* dialog = open_dialog<new_sticker_category>();
    QVERIFY(dialog);
    QCOMPARE(dialog->scopes()->scope(), 1);
    dialog->name_edit()->setText(QStringLiteral("收藏"));
    dialog->save_button()->click();
    QTRY_COMPARE(events_.size(), 1);
    QCOMPARE(events_.first().first, QStringLiteral("category_sticker_create_event"));
    QCOMPARE(mine->category_ids().size(), 1);
    QCOMPARE(mine->pages()->currentIndex(), int(sticker_item_widget::no_stickers_page));
    QCOMPARE(top_sticker_categories(1, QString()).size(), 1);
    const QString id = mine->category_ids().first();

    // Renamed through the shared category dialog: the button follows.
    trigger(mine->category_menu(mine->button(id)), QStringLiteral("修改分类"));
    auto* rename = open_dialog<update_category_widget>();
    QVERIFY(rename);
    rename->name_edit()->setText(QStringLiteral("珍藏"));
    rename->save_button()->click();
    QTRY_COMPARE(mine->button(id)->text(), QStringLiteral("珍藏"));

    // The last category deleted: the empty placeholder, "+" kept.
    trigger(mine->category_menu(mine->button(id)), QStringLiteral("删除分类"));
    auto* remove = open_dialog<delete_category_widget>();
    QVERIFY(remove);
    remove->delete_button()->click();
    QTRY_COMPARE(mine->category_ids().size(), 0);
    QCOMPARE(mine->bar()->count(), 1);
    QCOMPARE(mine->pages()->currentIndex(), int(sticker_item_widget::empty_page));
}

void test_sticker_page::picker_strip_follows_checks() {
    auto* owned = new select_sticker_widget; // deletes itself when closed
    QPointer<select_sticker_widget> alive(owned);
    select_sticker_widget& picker = *owned;
    picker.scope_box()->setCurrentIndex(2);
    QVERIFY(picker.department()->isVisibleTo(&picker));
    picker.scope_box()->setCurrentIndex(0);
    const QString common = category_named(0, QString(), QStringLiteral("常用表情"));
    QTreeWidgetItem* row = nullptr;
    for (int i = 0; i < picker.tree()->topLevelItemCount(); ++i)
        if (picker.tree()->topLevelItem(i)->text(0) == QStringLiteral("常用表情"))
            row = picker.tree()->topLevelItem(i);
    QVERIFY(row);
    picker.tree()->setCurrentItem(row);
    const QList<selectable_sticker_item*> items = picker.items(common);
    QVERIFY(items.size() >= 3);
    QVERIFY(!picker.department()->isVisibleTo(&picker));
    for (int i : {0, 1, 2})
        items[i]->check_box()->setChecked(true);
    items[1]->check_box()->setChecked(false);
    QList<sticker_node_spt> expected{items[0]->sticker(), items[2]->sticker()};
    QCOMPARE(picker.chosen(), expected);
    QSignalSpy result(&picker, &select_sticker_widget::selected_result);
    picker.insert_button()->click();
    QCOMPARE(result.count(), 1);
    QCOMPARE(result.first().first().value<QList<sticker_node_spt>>(), expected);
    QTRY_VERIFY(alive.isNull());
}

void test_sticker_page::picker_loads_images_off_the_gui_thread() {
    select_sticker_widget picker;
    QTreeWidgetItem* row = picker.tree()->topLevelItem(0);
    QVERIFY(row);
    picker.tree()->setCurrentItem(row);
    const auto category = row->data(0, Qt::UserRole).value<category_node_spt>();
    const QList<selectable_sticker_item*> items = picker.items(category->id);
    QVERIFY(!items.isEmpty());
    QTRY_VERIFY(items.first()->findChild<QLabel*>()->pixmap() &&
                !items.first()->findChild<QLabel*>()->pixmap()->isNull());
}

void test_sticker_page::picker_insert_with_nothing_emits_empty_list() {
    auto* picker = new select_sticker_widget;
    QSignalSpy result(picker, &select_sticker_widget::selected_result);
    picker->insert_button()->click();
    QCOMPARE(result.count(), 1);
    QVERIFY(result.first().first().value<QList<sticker_node_spt>>().isEmpty());
}

QTEST_MAIN(test_sticker_page)
#include "test_sticker_page.moc"
