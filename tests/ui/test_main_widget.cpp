// The main window: sizes, toolbar states, re-login, hotkey actions, docking through the fake.
#include "app/app_paths.h"
#include "app/event_bus.h"
#include "app/event_names.h"
#include "app/settings_store.h"
#include "integration/current_desktop.h"
#include "model/data_center.h"
#include "model/records.h"
#include "platform/fake/fake_desktop.h"
#include "resources/resources.h"
#include "ui/auto_follow_widget.h"
#include "ui/float_widget.h"
#include "ui/kb/kb_tab_widget.h"
#include "ui/library/category_widget.h"
#include "ui/login_widget.h"
#include "ui/main_widget.h"
#include "ui/main_widget_toolbar.h"
#include "ui/widgets/custom_toolbutton.h"
#include "ui/widgets/flow_layout.h"

#include <QLabel>
#include <QMenu>
#include <QTextDocument>

#include <QDesktopServices>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedLayout>
#include <QtTest>

using namespace quorvel;
using namespace quorvel::platform;

// Catches what QDesktopServices would open in the browser.
class url_catcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class test_main_widget : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void sizes_and_floating_icon();
    void toolbar_states_change_without_signals();
    void show_window_on_top_keeps_the_follow_flag();
    void two_relogins_open_one_dialog();
    void alt_z_hides_then_brings_back();
    void disabled_hotkey_does_nothing();
    void docks_beside_the_target_and_follows_it();
    void phrase_button_posts_send_script();
    void only_the_pin_makes_it_topmost();
    void follow_mode_survives_hiding_data();
    void follow_mode_survives_hiding();
    void follow_on_then_activating_the_target_docks();
    void next_window_takes_over_the_follow_mode();
    void shows_wait_for_the_delivery_data();
    void shows_wait_for_the_delivery();
    void bar_survives_a_window_manager_close();
    void bar_fits_its_phrases();
    void toolbar_and_tabs_do_not_overlap_data();
    void toolbar_and_tabs_do_not_overlap();
    void floating_icon_shows_its_whole_label();
    void quick_reply_menu_shows_plain_text_data();
    void quick_reply_menu_shows_plain_text();
    void website_entry_opens_the_backend_start_page();

private:
    void set(const char* key, int value);
    window_handle_t add_chat(const QRect& client = QRect(50, 40, 400, 300)); // on 800 × 600
    fake_desktop desktop_;
};

namespace {

QToolButton* bar_button(auto_follow_widget* bar, const QString& text) {
    for (QToolButton* b : bar->findChildren<QToolButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

void set_phrases(int count) {
    data_center::instance().replace_phrases({});
    for (int i = 0; i < count; ++i) {
        auto phrase = phrase_node_spt::create();
        phrase->id = QString::number(100 + i);
        phrase->sort = count - i; // stored order differs from the ids'
        phrase->phraseContent = QStringLiteral("常用短语第%1条，您好").arg(i);
        data_center::instance().put_phrase(phrase);
    }
}

// The last set_topmost call's state.
bool last_topmost(const fake_desktop& desktop) {
    bool on = false;
    for (const fake_desktop::call_t& c : desktop.calls())
        if (c.name == "set_topmost")
            on = c.args.value(1).toBool();
    return on;
}

} // namespace

void test_main_widget::initTestCase() {
    init_resources();
    register_meta_types();
    set_current_desktop(&desktop_);
}

void test_main_widget::init() {
    QFile::remove(app_paths::instance().settings_file());
    desktop_.set_observer(nullptr);
    desktop_.set_foreground(0);
    desktop_.clear_calls();
    data_center::instance().replace_phrases({});
}

window_handle_t test_main_widget::add_chat(const QRect& client) {
    fake_desktop::window_t chat{"WeWorkWindow", QStringLiteral("企业微信")};
    chat.client_rect = client;
    return desktop_.add_window(chat);
}

void test_main_widget::set(const char* key, int value) {
    const auto s = open_ini(app_paths::instance().settings_file());
    s->setValue(QLatin1String(key), value);
    s->sync();
}

void test_main_widget::sizes_and_floating_icon() {
    main_widget w;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const int h = 2 * available.height() / 3;
    QCOMPARE(w.height(), h);
    QCOMPARE(w.width(), qMax(2 * h / 3, w.minimumWidth()));
    QVERIFY(w.floating_icon()->width() >= 120); // wider when its label needs it
    QCOMPARE(w.floating_icon()->pos(),
             QPoint(available.width() - w.floating_icon()->width() - 80, 240));
    QVERIFY(w.floating_icon()->isHidden());
    QCOMPARE(w.hotkeys().size(), 3);
    QVERIFY(w.testAttribute(Qt::WA_DeleteOnClose));
    w.show();
    QCOMPARE(w.toolbar()->pos(), QPoint(w.width() - 140, 0));
    QVERIFY(w.is_drag_area(QPoint(10, 5)));
}

void test_main_widget::toolbar_states_change_without_signals() {
    main_widget w;
    main_widget_toolbar* bar = w.toolbar();
    QSignalSpy sticky(bar, &main_widget_toolbar::sticky_requested);
    QSignalSpy follow(bar, &main_widget_toolbar::follow_requested);
    bar->show_pin_state(true);
    bar->show_follow_state(true);
    QVERIFY(bar->pin_button()->isChecked());
    QCOMPARE(bar->follow_button()->toolTip(), QStringLiteral("取消吸附"));
    QCOMPARE(sticky.count() + follow.count(), 0);
    bar->pin_button()->click(); // a user click
    QCOMPARE(sticky.count(), 1);
    QCOMPARE(sticky.first().first().toBool(), false);
}

void test_main_widget::show_window_on_top_keeps_the_follow_flag() {
    main_widget w;
    w.follow(true);
    QVERIFY(w.follow_enabled());
    desktop_.clear_calls();
    w.show_window_on_top();
    QVERIFY(w.follow_enabled());
    QVERIFY(!w.toolbar()->follow_button()->isChecked());
    QVERIFY(w.toolbar()->pin_button()->isChecked());
    QVERIFY(w.isVisible());
    QVERIFY(desktop_.call_names().contains("set_topmost"));
}

void test_main_widget::two_relogins_open_one_dialog() {
    main_widget w;
    w.show();
    event_bus::instance()->post(events::relogin);
    QTest::qWait(200);
    event_bus::instance()->post(events::relogin);
    QTRY_VERIFY_WITH_TIMEOUT(w.relogin_dialog(), 3000);
    QTest::qWait(1600); // the second request fires while the first dialog is open
    QCOMPARE(w.findChildren<login_widget*>().size(), 1);
    w.relogin_dialog()->close();
}

void test_main_widget::alt_z_hides_then_brings_back() {
    main_widget w;
    w.show();
    w.toggle_visible_hotkey();
    QVERIFY(!w.isVisible());
    QVERIFY(w.floating_icon()->isVisible());
    w.toggle_visible_hotkey();
    QVERIFY(w.isVisible());
    QVERIFY(w.floating_icon()->isHidden());
    const QRect available = w.screen()->availableGeometry();
    QCOMPARE(w.pos(), QPoint(available.width() - w.width() - 100, 100));
    QVERIFY(!w.follow_enabled());
}

void test_main_widget::disabled_hotkey_does_nothing() {
    set(setting_keys::follow_main_hotkey_visible, 0);
    set(setting_keys::follow_sub_hotkey_focus, 0);
    main_widget w;
    w.show();
    desktop_.clear_calls();
    w.toggle_visible_hotkey();
    w.focus_bar_hotkey();
    QVERIFY(w.isVisible());
    QVERIFY(desktop_.calls().isEmpty());
}

void test_main_widget::docks_beside_the_target_and_follows_it() {
    // The test screen is 800 × 600.
    const window_handle_t target = add_chat(QRect(50, 40, 400, 300));
    desktop_.set_foreground(target);
    main_widget w;
    w.follow(true);
    QCOMPARE(w.target(), target);
    QVERIFY(w.isVisible());
    QCOMPARE(w.pos(), QPoint(450, 40));
    QCOMPARE(w.height(), 300 + w.bottom_bar()->height());
    QCOMPARE(w.bottom_bar()->pos(), QPoint(50, 340));
    QCOMPARE(w.bottom_bar()->width(), 400);

    desktop_.window(target).client_rect = QRect(100, 60, 400, 300); // the chat window moved
    w.on_window_move();
    QCOMPARE(w.pos(), QPoint(500, 60));
    w.on_window_hide();
    QVERIFY(!w.isVisible());
    QVERIFY(!w.bottom_bar()->isVisible());
    desktop_.remove_window(target);
}

void test_main_widget::phrase_button_posts_send_script() {
    auto phrase = phrase_node_spt::create();
    phrase->id = "1";
    phrase->phraseContent = QStringLiteral("您好，在的～");
    data_center::instance().replace_phrases({{"1", phrase}});
    main_widget w;
    QStringList sent;
    QObject context;
    event_bus::instance()->subscribe(events::send_script, &context,
                                     [&](const QVariantList& a) { sent << a.first().toString(); });
    for (QToolButton* b : w.bottom_bar()->findChildren<QToolButton*>())
        if (b->text() == QStringLiteral("您好，在的～"))
            b->click();
    QCOMPARE(sent, QStringList{QStringLiteral("您好，在的～")});
}

// At start and in follow mode the window is not topmost; the pin alone makes
// it so, and its state holds across hiding and showing.
void test_main_widget::only_the_pin_makes_it_topmost() {
    main_widget w;
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    w.show();
    QVERIFY(!last_topmost(desktop_));
    QVERIFY(!w.pinned());
    w.toolbar()->pin_button()->click(); // a user click
    QVERIFY(last_topmost(desktop_));
    w.hide();
    w.show();
    QVERIFY(last_topmost(desktop_));
    w.toolbar()->pin_button()->click();
    QVERIFY(!last_topmost(desktop_));
    for (int i = 0; i < 3; ++i) {
        w.hide();
        w.show();
        QVERIFY(!last_topmost(desktop_));
        QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    }
    w.show_window_on_top(); // pinned again, then follow mode un-pins
    QVERIFY(last_topmost(desktop_));
    w.follow(true);
    QVERIFY(!last_topmost(desktop_));
    QVERIFY(!w.toolbar()->pin_button()->isChecked());
}

void test_main_widget::follow_mode_survives_hiding_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Alt+Z twice") << "alt+z";
    QTest::newRow("minimise, then the floating icon") << "minimise";
}

// Hidden in follow mode and shown again, the window docks and the bar returns.
void test_main_widget::follow_mode_survives_hiding() {
    QFETCH(QString, how);
    const window_handle_t target = add_chat();
    desktop_.set_foreground(target);
    main_widget w;
    w.follow(true);
    const QPoint docked = w.pos();
    QVERIFY(w.isVisible() && w.bottom_bar()->isVisible());
    if (how == "alt+z") {
        w.toggle_visible_hotkey();
        QVERIFY(!w.isVisible());
        QVERIFY(w.bottom_bar()->isVisible()); // the bar stays
    } else {
        w.toolbar()->findChildren<QToolButton*>().first()->click(); // "—"
        QVERIFY(!w.isVisible());
        QVERIFY(!w.bottom_bar()->isVisible());
        QVERIFY(w.floating_icon()->isVisible());
    }
    desktop_.window(target).client_rect.moveTo(100, 70); // moved while hidden
    w.on_window_move();
    QVERIFY(!w.isVisible()); // what the user hid stays hidden
    if (how == "alt+z")
        w.toggle_visible_hotkey();
    else
        w.on_float_widget_double_clicked();
    QVERIFY(w.follow_enabled());
    QVERIFY(w.isVisible());
    QVERIFY(w.bottom_bar()->isVisible());
    QVERIFY(w.floating_icon()->isHidden());
    QCOMPARE(w.pos(), docked + QPoint(50, 30));
    QCOMPARE(w.bottom_bar()->pos(), QPoint(100, 370));
    desktop_.remove_window(target);
}

// Follow mode switched on from the assistant (not a target): activating the
// chat window that is already the target shows and docks.
void test_main_widget::follow_on_then_activating_the_target_docks() {
    const window_handle_t target = add_chat();
    main_widget w;
    w.on_window_show(target); // the detector's target, before follow mode
    w.follow(true);
    QVERIFY(!w.isVisible());
    w.on_window_foreground();
    QVERIFY(w.isVisible());
    QCOMPARE(w.pos(), QPoint(450, 40));
    QVERIFY(w.bottom_bar()->isVisible());
    QVERIFY(desktop_.call_names().contains("raise_above"));
    desktop_.remove_window(target);
}

void test_main_widget::next_window_takes_over_the_follow_mode() {
    // A log-out quits the window; the one the next login opens docks as it did.
    const window_handle_t target = add_chat(QRect(50, 40, 400, 300));
    desktop_.set_foreground(target);
    auto* before = new main_widget;
    before->follow(true);
    QCOMPARE(before->target(), target);
    before->quit();
    desktop_.set_foreground(0);    // the login dialog had the focus
    auto* after = new main_widget; // the quit below deletes it
    QVERIFY(after->follow_enabled());
    QCOMPARE(after->target(), target);
    QVERIFY(after->isVisible());
    QVERIFY(after->bottom_bar()->isVisible());
    QCOMPARE(after->pos(), QPoint(450, 40));
    // Only the window that replaces it: one quit out of follow mode hands over nothing.
    after->follow(false);
    after->quit();
    main_widget third;
    QVERIFY(!third.follow_enabled());
    desktop_.remove_window(target);
}

void test_main_widget::shows_wait_for_the_delivery_data() {
    QTest::addColumn<QString>("what");
    QTest::newRow("docking") << "docking";
    QTest::newRow("re-login dialog") << "relogin";
}

// Something that shows a window while a delivery pauses (a queued signal,
// the re-login timer) waits until the last key: it would take the focus.
void test_main_widget::shows_wait_for_the_delivery() {
    QFETCH(QString, what);
    const window_handle_t target = add_chat();
    main_widget w;
    w.on_window_show(target);
    if (what == "docking")
        w.follow(true); // hidden until the chat window comes to the front
    QVERIFY(!w.isVisible());
    bool scheduled = false;
    QStringList shown_at_keys;
    desktop_.set_observer([&](const fake_desktop::call_t& call) {
        if (call.name == "bring_to_front" && !scheduled) {
            scheduled = true; // runs inside the delivery's first pause
            QTimer::singleShot(0, &w, [&] {
                if (what == "docking")
                    w.on_window_foreground();
                else
                    w.open_relogin_dialog();
            });
        }
        if (call.name == "key") {
            const bool shown = w.isVisible() || w.bottom_bar()->isVisible() || w.relogin_dialog();
            shown_at_keys << (shown ? "shown" : "hidden");
        }
    });
    w.send_script({QStringLiteral("<p>一</p><p>二</p>")});
    desktop_.set_observer(nullptr);
    QVERIFY(scheduled);
    QVERIFY(!shown_at_keys.isEmpty());
    QVERIFY2(!shown_at_keys.contains("shown"), qPrintable(shown_at_keys.join(' ')));
    if (what == "docking") {
        QVERIFY(w.isVisible()); // done, not dropped
        QCOMPARE(w.pos(), QPoint(450, 40));
    } else {
        QVERIFY(w.relogin_dialog());
        w.relogin_dialog()->close();
    }
    desktop_.remove_window(target);
}

// A window manager's close of the bar only hides it: the main window's
// pointer stays valid and the next docking shows it again.
void test_main_widget::bar_survives_a_window_manager_close() {
    const window_handle_t target = add_chat();
    desktop_.set_foreground(target);
    main_widget w;
    w.follow(true);
    QPointer<auto_follow_widget> bar = w.bottom_bar();
    QVERIFY(bar->isVisible());
    bar->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(bar);
    QCOMPARE(w.bottom_bar(), bar.data());
    QVERIFY(!bar->isVisible());
    w.on_window_move();
    QVERIFY(bar->isVisible());
    w.focus_bar_hotkey();
    desktop_.remove_window(target);
}

// Docked, the bar is as tall as its phrase rows (in their stored order) and
// no taller, at every width and after hiding and showing the upper row.
void test_main_widget::bar_fits_its_phrases() {
    set_phrases(8);
    const window_handle_t target = add_chat(QRect(20, 20, 500, 260));
    desktop_.set_foreground(target);
    main_widget w;
    w.follow(true);
    auto_follow_widget* bar = w.bottom_bar();
    QCOMPARE(bar->width(), 500);
    QWidget* lower_row = bar->search_field()->parentWidget();
    auto blank_below = [&] {
        bar->layout()->activate();
        return bar->height() - (lower_row->geometry().bottom() + 1) -
               bar->layout()->contentsMargins().bottom();
    };
    QCOMPARE(blank_below(), 0);
    const int height = bar->height();
    QCOMPARE(w.height(), 260 + height);

    QStringList order;
    for (QToolButton* b : bar->pages()->widget(0)->findChildren<QToolButton*>())
        if (b->text().startsWith(QStringLiteral("常用短语")))
            order << b->text();
    QCOMPARE(order.first(), QStringLiteral("常用短语第7条，您好")); // smallest sort first
    QCOMPARE(order.last(), QStringLiteral("常用短语第0条，您好"));

    bar_button(bar, QStringLiteral("隐藏"))->click();
    QVERIFY(bar->height() < height);
    QCOMPARE(blank_below(), 0);
    bar_button(bar, QStringLiteral("显示"))->click();
    QCOMPARE(bar->height(), height); // every phrase row is back
    QCOMPARE(w.height(), 260 + height);

    desktop_.window(target).client_rect.setWidth(300); // narrower: more rows
    w.on_window_move();
    QCOMPARE(bar->width(), 300);
    QVERIFY(bar->height() > height);
    QCOMPARE(blank_below(), 0);
    desktop_.remove_window(target);
    data_center::instance().replace_phrases({});
}

void test_main_widget::toolbar_and_tabs_do_not_overlap_data() {
    QTest::addColumn<bool>("smallest");
    QTest::newRow("default width") << false;
    QTest::newRow("smallest width") << true;
}

void test_main_widget::toolbar_and_tabs_do_not_overlap() {
    QFETCH(bool, smallest);
    main_widget w;
    if (smallest)
        w.resize(w.minimumWidth(), w.height());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect toolbar = w.toolbar()->geometry();
    category_widget* tabs = w.scripts_page()->tabs();
    for (int id = 0; id < 4; ++id) {
        QToolButton* tab = tabs->tab(id);
        const QRect r(tab->mapTo(&w, QPoint(0, 0)), tab->size());
        QVERIFY2(!r.intersects(toolbar), qPrintable(tab->text()));
        QVERIFY(w.rect().contains(r));
    }
    // A click on 搜索 reaches 搜索, not the minimise button.
    QToolButton* search = tabs->tab(3);
    QCOMPARE(search->text(), QStringLiteral("搜索"));
    QCOMPARE(w.childAt(search->mapTo(&w, search->rect().center())), search);
}

void test_main_widget::floating_icon_shows_its_whole_label() {
    main_widget w;
    float_widget* icon = w.floating_icon();
    icon->show();
    QVERIFY(QTest::qWaitForWindowExposed(icon));
    auto* name = icon->findChild<QLabel*>(QStringLiteral("float_name"));
    QVERIFY(name);
    QVERIFY2(name->width() >= name->sizeHint().width(), qPrintable(QString::number(name->width())));
    for (QWidget* child : icon->findChildren<QWidget*>())
        QVERIFY(icon->rect().contains(child->geometry()));
    const QRect available = w.screen()->availableGeometry();
    QCOMPARE(icon->x(), available.width() - icon->width() - 80);
}

void test_main_widget::quick_reply_menu_shows_plain_text_data() {
    QTest::addColumn<QString>("content"); // as stored
    QTest::addColumn<QString>("plain");   // as the agent reads it
    QTest::addColumn<bool>("elided");
    QTextDocument document;
    document.setHtml(QStringLiteral("<p>您好，&nbsp;请问有什么可以帮您？</p>"
                                    "<p>我们的营业时间是每天九点到晚上十点，节假日照常营业，"
                                    "欢迎随时来咨询。</p>"));
    QTest::newRow("exported document")
        << document.toHtml()
        << QStringLiteral("您好， 请问有什么可以帮您？ 我们的营业时间是每天九点到晚上十点，"
                          "节假日照常营业，欢迎随时来咨询。")
        << true;
    QTest::newRow("short plain text")
        << QStringLiteral("好的 &  稍等\n") << QStringLiteral("好的 & 稍等") << false;
}

void test_main_widget::quick_reply_menu_shows_plain_text() {
    QFETCH(QString, content);
    QFETCH(QString, plain);
    QFETCH(bool, elided);
    auto script = script_node_spt::create();
    script->id = "31";
    script->classifyId = "7";
    script->speechContent = content;
    auto entry = quick_reply_node_spt::create();
    entry->speechId = "31";
    entry->classifyId = "7";
    data_center& dc = data_center::instance();
    dc.replace_scripts({{"7", {script}}});
    dc.replace_quick_replies({{"31", entry}});

    main_widget w;
    QMenu menu;
    w.bottom_bar()->fill_quick_reply_menu(&menu);
    QCOMPARE(menu.actions().size(), 3); // the script, a separator, the manager
    QAction* action = menu.actions().first();
    const QString shown = action->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
    QVERIFY2(!shown.contains(QLatin1Char('<')), qPrintable(shown));
    QVERIFY(menu.fontMetrics().horizontalAdvance(shown) <= 360);
    if (elided) {
        QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QVERIFY(plain.startsWith(shown.chopped(1)));
    } else {
        QCOMPARE(shown, plain);
    }
    QCOMPARE(action->toolTip(), wrap_tooltip_text(plain));
    QVERIFY(menu.toolTipsVisible());

    QStringList sent;
    QObject context;
    event_bus::instance()->subscribe(events::send_script, &context,
                                     [&](const QVariantList& a) { sent << a.first().toString(); });
    action->trigger();
    QCOMPARE(sent, QStringList{content}); // sent as stored
    dc.replace_quick_replies({});
}

void test_main_widget::website_entry_opens_the_backend_start_page() {
    qputenv("QUORVEL_BASE_URL", "http://127.0.0.1:18611");
    url_catcher catcher;
    QDesktopServices::setUrlHandler("http", &catcher, "open");
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    main_widget w;
    w.show();
    QTimer::singleShot(0, this, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction* action : menu->actions())
            if (action->text() == QStringLiteral("官网"))
                action->trigger();
        menu->close();
    });
    w.on_menu_clicked(w.mapToGlobal(QPoint(10, 10)));
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("https");
    qunsetenv("QUORVEL_BASE_URL");
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl("http://127.0.0.1:18611/")});
}

QTEST_MAIN(test_main_widget)
#include "test_main_widget.moc"
