#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <functional>

namespace quorvel {

// Process-wide publish/subscribe between widgets that do not know each other.
// Delivery follows Qt's signal rules: on the subscriber's thread at once,
// from another thread through its event queue.
class event_bus : public QObject {
    Q_OBJECT
public:
    using handler_t = std::function<void(const QVariantList&)>;

    static event_bus* instance();

    // Callable from any thread.
    void post(const QString& event_name, const QVariantList& args = {});

    // The handler runs on the context's thread for every post of event_name,
    // until the context is destroyed.
    void subscribe(const QString& event_name, QObject* context, handler_t handler);

signals:
    void event_triggered(QString eventType, QVariantList args);

private:
    event_bus() = default;
};

} // namespace quorvel
