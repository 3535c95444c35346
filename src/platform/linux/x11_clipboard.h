#pragma once

#include "platform/desktop.h"

#include <QMetaObject>

class QMimeData;

namespace quorvel::platform {

// The X11 clipboard through Qt's selection handling: reading every target of
// the current owner, offering content as ours, and a sequence that moves with
// every change of owner or content.
class x11_clipboard {
public:
    x11_clipboard() = default;
    ~x11_clipboard();
    x11_clipboard(const x11_clipboard&) = delete;
    x11_clipboard& operator=(const x11_clipboard&) = delete;

    // Takes ownership of `data` and offers it.
    bool put(QMimeData* data);
    clipboard_read_t read(qint64 max_bytes, clipboard_content_t* content);
    bool write(const clipboard_content_t& content);
    quint64 sequence();

private:
    void watch();

    QMetaObject::Connection watching_;
    quint64 sequence_ = 0;
    // Whether the last change was ours, so losing ownership counts as a change.
    bool ours_ = false;
};

} // namespace quorvel::platform
