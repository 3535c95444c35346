// The supported-applications list's identifiers: case, wildcards, class-only
// and title-only entries, malformed ones, the built-in confirmation and the
// ready entries the settings page copies.
#include "integration/app_pattern.h"
#include "integration/window_detector.h"

#include <QtTest>

using namespace quorvel;

using table_t = QHash<QString, QStringList>;
Q_DECLARE_METATYPE(table_t)

class test_app_pattern : public QObject {
    Q_OBJECT
private slots:
    void patterns_data();
    void patterns();
    void malformed_identifiers_data();
    void malformed_identifiers();
    void tables_data();
    void tables();
    void built_in_confirmation_data();
    void built_in_confirmation();
    void ready_entries_data();
    void ready_entries();
};

void test_app_pattern::patterns_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");
    QTest::newRow("exact") << "chromium"
                           << "chromium" << true;
    QTest::newRow("case in the text") << "chromium"
                                      << "Chromium" << true;
    QTest::newRow("case in the pattern") << "QV Web Chat - Chromium"
                                         << "qv web chat - chromium" << true;
    QTest::newRow("case beyond ASCII")
        << QStringLiteral("ÄPFEL") << QStringLiteral("äpfel") << true;
    QTest::newRow("whole text only") << "chrom"
                                     << "chromium" << false;
    QTest::newRow("surrounding spaces dropped") << "  chromium "
                                                << "chromium" << true;
    QTest::newRow("wildcard both ends, unread count") << "*qv web chat*"
                                                      << "(1) QV Web Chat - Chromium" << true;
    QTest::newRow("wildcard matches nothing too") << "*qv web chat*"
                                                  << "QV Web Chat" << true;
    QTest::newRow("wildcard at the start, edited mark") << "*- mousepad"
                                                        << "*file - Mousepad" << true;
    QTest::newRow("wildcard in the middle") << "qv*chromium"
                                            << "QV Web Chat - Chromium" << true;
    QTest::newRow("wildcard, other text") << "*qv web chat*"
                                          << "Mail - Chromium" << false;
    QTest::newRow("dot is literal") << "a.b"
                                    << "axb" << false;
    QTest::newRow("dot matches a dot") << "a.b"
                                       << "a.b" << true;
    QTest::newRow("parenthesis is literal") << "(1) chat"
                                            << "(1) Chat" << true;
    QTest::newRow("unbalanced parenthesis") << "chat (beta"
                                            << "chat (beta" << true;
    QTest::newRow("question mark is literal") << "why?"
                                              << "whyx" << false;
    QTest::newRow("brackets are literal") << "[2] chat"
                                          << "[2] Chat" << true;
    QTest::newRow("brackets are no set") << "[2] chat"
                                         << "2 Chat" << false;
    QTest::newRow("backslash and dollar") << "c:\\chat$"
                                          << "C:\\Chat$" << true;
    QTest::newRow("pattern anchors") << "^chat$"
                                     << "chat" << false;
    QTest::newRow("class: prefix") << "class:Chromium"
                                   << "chromium" << true;
    QTest::newRow("prefix without case, spaces after") << "CLASS: chromium"
                                                       << "chromium" << true;
    QTest::newRow("title: prefix with wildcard") << "title:*qv web chat*"
                                                 << "(3) QV Web Chat" << true;
    QTest::newRow("unknown prefix is text") << "name:chat"
                                            << "name:chat" << true;
    QTest::newRow("double colon is text") << "mmui::mainwindow"
                                          << "mmui::MainWindow" << true;
}

void test_app_pattern::patterns() {
    QFETCH(QString, identifier);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    const auto pattern = app_pattern::parse(identifier);
    QVERIFY(pattern);
    QCOMPARE(pattern->matches(text), matches);
}

void test_app_pattern::malformed_identifiers_data() {
    QTest::addColumn<QString>("identifier");
    QTest::newRow("empty") << "";
    QTest::newRow("spaces") << "   ";
    QTest::newRow("only a wildcard") << "*";
    QTest::newRow("only wildcards") << "***";
    QTest::newRow("class: and nothing") << "class:";
    QTest::newRow("title: and a wildcard") << "title: *";
    QTest::newRow("over-long") << QString(261, QLatin1Char('x'));
    QTest::newRow("over-long after the prefix") << "class:" + QString(261, QLatin1Char('x'));
}

void test_app_pattern::malformed_identifiers() {
    QFETCH(QString, identifier);
    QVERIFY(!app_pattern::parse(identifier));
}

void test_app_pattern::tables_data() {
    QTest::addColumn<table_t>("table");
    QTest::addColumn<QString>("klass");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("application");
    const QString web = QStringLiteral("网页客服");
    const table_t as_xprop_prints = {{web, {"Chromium", "QV Web Chat - Chromium"}}};
    QTest::newRow("plain: class and title as printed") << as_xprop_prints << "chromium"
                                                       << "qv web chat - chromium" << web;
    QTest::newRow("plain: the window's own case") << as_xprop_prints << "Chromium"
                                                  << "QV Web Chat - Chromium" << web;
    QTest::newRow("plain: title changed") << as_xprop_prints << "Chromium"
                                          << "(1) QV Web Chat - Chromium" << QString();
    QTest::newRow("plain: class alone is not enough") << as_xprop_prints << "Chromium"
                                                      << "Mail - Chromium" << QString();
    QTest::newRow("plain: title alone is not enough") << as_xprop_prints << "Firefox"
                                                      << "QV Web Chat - Chromium" << QString();
    const table_t wild = {{web, {"chromium", "*qv web chat*"}}};
    QTest::newRow("plain with a wildcard title") << wild << "Chromium"
                                                 << "(1) QV Web Chat - Chromium" << web;
    QTest::newRow("plain with a wildcard title, other page") << wild << "Chromium"
                                                             << "Mail - Chromium" << QString();
    const table_t by_class = {{web, {"class:chromium"}}};
    QTest::newRow("class only: any title") << by_class << "Chromium"
                                           << "Mail - Chromium" << web;
    QTest::newRow("class only: empty title") << by_class << "Chromium"
                                             << "" << web;
    QTest::newRow("class only: not the title") << by_class << "XTerm"
                                               << "chromium" << QString();
    const table_t by_title = {{web, {"title:*qv web chat*"}}};
    QTest::newRow("title only: any class") << by_title << "Firefox"
                                           << "QV Web Chat — Firefox" << web;
    QTest::newRow("title only: not the class") << by_title << "qv web chat"
                                               << "Mail" << QString();
    const table_t editor = {{QStringLiteral("编辑器"), {"mousepad", "*- mousepad"}}};
    QTest::newRow("edited file") << editor << "Mousepad"
                                 << "*file - Mousepad" << QStringLiteral("编辑器");
    const table_t malformed = {{web, {"", "*", "class:", "chromium", "*qv*"}},
                               {QStringLiteral("空"), {"", "**", "title:"}}};
    QTest::newRow("malformed identifiers are skipped") << malformed << "Chromium"
                                                       << "QV" << web;
    QTest::newRow("nothing matches empty class and title") << malformed << ""
                                                           << "" << QString();
    QTest::newRow("an empty identifier never matches an empty title")
        << table_t{{web, {"chromium", ""}}} << "chromium"
        << "" << QString();
    const table_t two = {{"b", {"class:chromium"}}, {"a", {"title:*chat*"}}};
    QTest::newRow("first by name") << two << "chromium"
                                   << "chat"
                                   << "a";
    QTest::newRow("built-in: WeChat") << window_detector::built_in_table() << "WeChatMainWndForPC"
                                      << QStringLiteral("微信") << QStringLiteral("微信");
    QTest::newRow("built-in: WeCom") << window_detector::built_in_table() << "WeWorkWindow"
                                     << "WeCom" << QStringLiteral("企业微信");
    QTest::newRow("built-in: a contact's window")
        << window_detector::built_in_table() << "Qt51514QWindowIcon" << QStringLiteral("张三")
        << QString();
}

void test_app_pattern::tables() {
    QFETCH(table_t, table);
    QFETCH(QString, klass);
    QFETCH(QString, title);
    QFETCH(QString, application);
    QCOMPARE(app_table(table).application(klass, title), application);
}

void test_app_pattern::built_in_confirmation_data() {
    QTest::addColumn<QString>("klass");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("accessibility");
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("WeChat win32") << "WeChatMainWndForPC" << QStringLiteral("微信") << "" << true;
    QTest::newRow("WeChat Qt, Weixin in capitals") << "Qt51514QWindowIcon"
                                                   << "WEIXIN"
                                                   << "" << true;
    QTest::newRow("WeCom") << "WeWorkWindow" << QStringLiteral("企业微信") << "" << true;
    QTest::newRow("WeCom english") << "weworkwindow"
                                   << "wecom"
                                   << "" << true;
    QTest::newRow("title WeChat is no main window") << "WeChatMainWndForPC"
                                                    << "WeChat"
                                                    << "" << false;
    QTest::newRow("title with an unread count")
        << "WeChatMainWndForPC" << QStringLiteral("(1) 微信") << "" << false;
    QTest::newRow("a contact's window")
        << "Qt51514QWindowIcon" << QStringLiteral("张三") << "" << false;
    QTest::newRow("other class") << "ChatFrame" << QStringLiteral("微信") << "" << false;
    QTest::newRow("other class, accessibility class")
        << "ChatFrame" << QStringLiteral("微信") << "mmui::MainWindow" << true;
    QTest::newRow("other class, other accessibility class")
        << "ChatFrame" << QStringLiteral("微信") << "Pane" << false;
}

void test_app_pattern::built_in_confirmation() {
    QFETCH(QString, klass);
    QFETCH(QString, title);
    QFETCH(QString, accessibility);
    QFETCH(bool, confirmed);
    QCOMPARE(app_table::confirm_built_in(klass, title, accessibility), confirmed);
    QVERIFY(app_table::needs_confirmation(QStringLiteral("微信")));
    QVERIFY(app_table::needs_confirmation(QStringLiteral("企业微信")));
    QVERIFY(!app_table::needs_confirmation(QStringLiteral("网页客服")));
}

void test_app_pattern::ready_entries_data() {
    QTest::addColumn<QString>("klass");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("class_entry");
    QTest::addColumn<QString>("window_entry");
    QTest::newRow("browser page") << "Chromium"
                                  << "QV Web Chat - Chromium"
                                  << "Chromium=class:Chromium"
                                  << "QV Web Chat - Chromium=Chromium,QV Web Chat - Chromium";
    QTest::newRow("separators in the title") << "Mousepad"
                                             << "a,b;c=d - Mousepad"
                                             << "Mousepad=class:Mousepad"
                                             << "a b c d - Mousepad=Mousepad,a*b*c*d - Mousepad";
    QTest::newRow("no title") << "XTerm"
                              << ""
                              << "XTerm=class:XTerm"
                              << "";
    QTest::newRow("no class") << ""
                              << "chat"
                              << ""
                              << "";
    QTest::newRow("over-long title")
        << "Chromium" << QString(300, QLatin1Char('t')) << "Chromium=class:Chromium"
        << QString(64, QLatin1Char('t')) + "=Chromium," + QString(259, QLatin1Char('t')) + "*";
}

void test_app_pattern::ready_entries() {
    QFETCH(QString, klass);
    QFETCH(QString, title);
    QFETCH(QString, class_entry);
    QFETCH(QString, window_entry);
    QCOMPARE(app_entry_for_class(klass), class_entry);
    QCOMPARE(app_entry_for_window(klass, title), window_entry);
    // A ready entry recognises the window it was made from.
    for (const QString& entry : {class_entry, window_entry}) {
        if (entry.isEmpty())
            continue;
        const int eq = entry.indexOf('=');
        const table_t table = {{entry.left(eq), entry.mid(eq + 1).split(',')}};
        QCOMPARE(app_table(table).application(klass, title), entry.left(eq));
    }
}

QTEST_GUILESS_MAIN(test_app_pattern)
#include "test_app_pattern.moc"
