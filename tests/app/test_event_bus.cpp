#include "app/event_bus.h"
#include "app/event_names.h"

#include <QThread>
#include <QtTest>
#include <memory>

using quorvel::event_bus;
namespace events = quorvel::events;

class test_event_bus : public QObject {
    Q_OBJECT
private slots:
    void delivers_only_the_subscribed_name();
    void same_thread_runs_handlers_in_order_before_post_returns();
    void worker_thread_post_is_queued_to_the_subscriber();
    void destroyed_context_gets_nothing();
};

void test_event_bus::delivers_only_the_subscribed_name() {
    QObject context;
    QStringList got;
    event_bus::instance()->subscribe(events::send_script, &context,
                                     [&](const QVariantList& a) { got << a.value(0).toString(); });
    event_bus::instance()->post(events::input_script, {QStringLiteral("ignored")});
    event_bus::instance()->post("Send_Script", {QStringLiteral("case differs")});
    event_bus::instance()->post(events::send_script, {QStringLiteral("你好")});
    QCOMPARE(got, QStringList{QStringLiteral("你好")});
}

void test_event_bus::same_thread_runs_handlers_in_order_before_post_returns() {
    QObject first, second;
    QStringList order;
    auto* bus = event_bus::instance();
    bus->subscribe(events::follow_main_show, &first,
                   [&](const QVariantList& a) { order << "first" + a.value(0).toString(); });
    bus->subscribe(events::follow_main_show, &second,
                   [&](const QVariantList& a) { order << "second" + a.value(0).toString(); });
    bus->post(events::follow_main_show, {1});
    QCOMPARE(order, (QStringList{"first1", "second1"}));
}

void test_event_bus::worker_thread_post_is_queued_to_the_subscriber() {
    QObject context;
    QThread* handler_thread = nullptr;
    int calls = 0;
    event_bus::instance()->subscribe(events::relogin, &context, [&](const QVariantList& args) {
        handler_thread = QThread::currentThread();
        QVERIFY(args.isEmpty());
        ++calls;
    });
    std::unique_ptr<QThread> worker(
        QThread::create([] { event_bus::instance()->post(events::relogin); }));
    worker->start();
    QVERIFY(worker->wait(5000));
    QCOMPARE(calls, 0); // nothing runs until this thread's event loop does
    QTRY_COMPARE(calls, 1);
    QCOMPARE(handler_thread, QThread::currentThread());
}

void test_event_bus::destroyed_context_gets_nothing() {
    int calls = 0;
    auto context = std::make_unique<QObject>();
    event_bus::instance()->subscribe(events::send_clouddoc, context.get(),
                                     [&](const QVariantList&) { ++calls; });
    event_bus::instance()->post(events::send_clouddoc, {QStringLiteral("/tmp/a.pdf")});
    QCOMPARE(calls, 1);

    // A post queued from another thread must not reach a context destroyed meanwhile.
    std::unique_ptr<QThread> worker(QThread::create(
        [] { event_bus::instance()->post(events::send_clouddoc, {QStringLiteral("late")}); }));
    worker->start();
    QVERIFY(worker->wait(5000));
    context.reset();
    QCoreApplication::processEvents();
    event_bus::instance()->post(events::send_clouddoc, {QStringLiteral("/tmp/b.pdf")});
    QCoreApplication::processEvents();
    QCOMPARE(calls, 1);
}

QTEST_GUILESS_MAIN(test_event_bus)
#include "test_event_bus.moc"
