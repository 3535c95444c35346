#pragma once

#include "platform/desktop.h"

#include <QObject>
#include <QTimer>
#include <optional>

namespace quorvel {

// Keeps what the user had on the clipboard while deliveries overwrite it, and
// puts it back once the chat application has taken its paste. Deliveries in a
// row keep the content from before the first; a clipboard the user changed
// meanwhile is theirs and stays.
class clipboard_keeper : public QObject {
    Q_OBJECT
public:
    // Larger content is not kept: copying it would stall the delivery.
    static constexpr qint64 size_limit = 32 * 1024 * 1024;

    explicit clipboard_keeper(platform::desktop& desktop, QObject* parent = nullptr);
    // A restore still due happens at once: on Windows the content outlives us.
    ~clipboard_keeper() override;

    // Before a delivery's first clipboard write.
    void keep();
    // After the delivery's last key: restores delay_ms later unless another
    // delivery begins first.
    void restore_after(int delay_ms);
    // Forgets what was kept, without restoring it.
    void drop();

    bool restore_due() const { return timer_.isActive(); }

signals:
    // The kept content was put back (true) or left out because the clipboard
    // had changed or could not be written (false).
    void restore_done(bool restored);

private:
    void restore_now();
    bool changed_since_delivery();

    platform::desktop& desktop_;
    std::optional<platform::clipboard_content_t> kept_;
    // The clipboard's sequence right after our last delivery wrote it.
    quint64 delivered_sequence_ = 0;
    QTimer timer_;
};

} // namespace quorvel
