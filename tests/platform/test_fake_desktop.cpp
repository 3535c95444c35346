// The recording fake behaves like a desktop and remembers every call in order.
#include "platform/fake/fake_desktop.h"

#include <QtTest>

using namespace quorvel;
using namespace quorvel::platform;

class test_fake_desktop : public QObject {
    Q_OBJECT
private slots:
    void windows_queries_and_stacking();
    void calls_are_recorded_in_order_with_times();
    void events_reach_the_sink();
};

void test_fake_desktop::windows_queries_and_stacking() {
    fake_desktop d;
    const window_handle_t bottom = d.add_window({"WeWorkWindow", QStringLiteral("企业微信")});
    fake_desktop::window_t wechat{"WeChatMainWndForPC", QStringLiteral("微信")};
    wechat.process = 42;
    wechat.client_rect = QRect(10, 20, 300, 400);
    wechat.scale = 1.5;
    wechat.minimised = true;
    const window_handle_t top = d.add_window(wechat);
    QCOMPARE(d.class_name(top), QString("WeChatMainWndForPC"));
    QCOMPARE(d.title(bottom), QStringLiteral("企业微信"));
    QCOMPARE(d.process_id(top), 42);
    QCOMPARE(d.next_below(top), bottom);
    QCOMPARE(d.next_below(bottom), window_handle_t(0));
    QRect rect;
    qreal scale = 0;
    QVERIFY(d.client_rect(top, &rect, &scale));
    QCOMPARE(rect, QRect(10, 20, 300, 400));
    QCOMPARE(scale, 1.5);

    QVERIFY(d.bring_to_front(bottom)); // restores, raises, focuses
    QCOMPARE(d.foreground_window(), bottom);
    QCOMPARE(d.next_below(bottom), top);
    QVERIFY(d.bring_to_front(top));
    QVERIFY(!d.is_minimised(top));
    d.set_focus_succeeds(false);
    QVERIFY(!d.bring_to_front(bottom));
    d.remove_window(top);
    QVERIFY(!d.is_window(top));
    QCOMPARE(d.foreground_window(), window_handle_t(0));
}

void test_fake_desktop::calls_are_recorded_in_order_with_times() {
    fake_desktop d;
    const window_handle_t w = d.add_window({"WeChatMainWndForPC", QStringLiteral("微信")});
    d.set_clipboard_text(QStringLiteral("你好"));
    d.bring_to_front(w);
    QTest::qWait(5);
    d.paste_chord();
    d.ctrl_enter();
    d.set_clipboard_bytes("WeChat_RichEdit_Format", "<x/>");
    d.set_clipboard_files({"/tmp/a.pdf"});
    QCOMPARE(d.call_names(),
             (QStringList{"clipboard_text", "bring_to_front", "key", "key", "key", "key", "key",
                          "key", "key", "key", "clipboard_bytes", "clipboard_files"}));
    const auto calls = d.calls();
    QCOMPARE(calls[2].args, (QVariantList{"control", true}));
    QCOMPARE(calls[5].args, (QVariantList{"control", false}));
    QCOMPARE(calls[7].args, (QVariantList{"enter", true}));
    QCOMPARE(calls[10].args, (QVariantList{"WeChat_RichEdit_Format", QByteArray("<x/>")}));
    for (int i = 1; i < calls.size(); ++i)
        QVERIFY(calls[i].at_ns >= calls[i - 1].at_ns);
    QVERIFY(calls[2].at_ns - calls[1].at_ns >= 5'000'000);
    d.clear_calls();
    QVERIFY(d.calls().isEmpty());
}

void test_fake_desktop::events_reach_the_sink() {
    fake_window_events events;
    QList<window_event_t> seen;
    events.raise(window_event_kind::show, 1); // before start: nobody listens
    QVERIFY(events.start([&](const window_event_t& e) { seen << e; }));
    events.raise(window_event_kind::foreground, 7);
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].kind, window_event_kind::foreground);
    QCOMPARE(seen[0].window, window_handle_t(7));
    events.stop();
    events.raise(window_event_kind::hide, 7);
    QCOMPARE(seen.size(), 1);
}

QTEST_GUILESS_MAIN(test_fake_desktop)
#include "test_fake_desktop.moc"
