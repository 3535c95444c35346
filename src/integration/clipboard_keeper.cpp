#include "integration/clipboard_keeper.h"

#include <spdlog/spdlog.h>

namespace quorvel {

clipboard_keeper::clipboard_keeper(platform::desktop& desktop, QObject* parent)
    : QObject(parent), desktop_(desktop) {
    timer_.setSingleShot(true);
    // The delay is a minimum the chat application is promised, not a hint.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &clipboard_keeper::restore_now);
}

clipboard_keeper::~clipboard_keeper() {
    if (timer_.isActive())
        restore_now();
}

void clipboard_keeper::keep() {
    if (kept_) {
        timer_.stop();
        // The user copied something new between two deliveries: that is what to keep now.
        if (!changed_since_delivery())
            return;
        kept_.reset();
    }
    platform::clipboard_content_t content;
    switch (desktop_.read_clipboard(size_limit, &content)) {
    case platform::clipboard_read_t::ok:
        kept_ = std::move(content);
        return;
    case platform::clipboard_read_t::too_large:
        spdlog::warn("clipboard content above {} bytes, not kept", size_limit);
        return;
    case platform::clipboard_read_t::failed:
        spdlog::warn("clipboard could not be read, not kept");
        return;
    }
}

void clipboard_keeper::restore_after(int delay_ms) {
    if (!kept_)
        return;
    delivered_sequence_ = desktop_.clipboard_sequence();
    timer_.start(qMax(0, delay_ms));
}

void clipboard_keeper::drop() {
    timer_.stop();
    kept_.reset();
}

bool clipboard_keeper::changed_since_delivery() {
    return desktop_.clipboard_sequence() != delivered_sequence_;
}

void clipboard_keeper::restore_now() {
    timer_.stop();
    if (!kept_)
        return;
    const platform::clipboard_content_t content = std::move(*kept_);
    kept_.reset();
    if (changed_since_delivery()) {
        spdlog::info("clipboard changed after the delivery, not restored");
        emit restore_done(false);
        return;
    }
    const bool ok = desktop_.write_clipboard(content);
    if (!ok)
        spdlog::warn("clipboard could not be restored");
    emit restore_done(ok);
}

} // namespace quorvel
