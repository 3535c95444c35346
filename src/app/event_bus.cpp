#include "app/event_bus.h"

namespace quorvel {

event_bus* event_bus::instance() {
    static event_bus bus;
    return &bus;
}

void event_bus::post(const QString& event_name, const QVariantList& args) {
    emit event_triggered(event_name, args);
}

void event_bus::subscribe(const QString& event_name, QObject* context, handler_t handler) {
    connect(
        this, &event_bus::event_triggered, context,
        [event_name, handler = std::move(handler)](const QString& name, const QVariantList& args) {
            if (name == event_name)
                handler(args);
        });
}

} // namespace quorvel
