#include "platform/linux/x11_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSet>

namespace quorvel::platform {

namespace {

// Names that describe the selection rather than carry content, and Qt's
// decoded image, which it would re-encode on every read.
bool is_content_target(const QString& name) {
    static const QSet<QString> skipped = {
        QStringLiteral("TARGETS"),         QStringLiteral("MULTIPLE"),
        QStringLiteral("TIMESTAMP"),       QStringLiteral("SAVE_TARGETS"),
        QStringLiteral("DELETE"),          QStringLiteral("INSERT_SELECTION"),
        QStringLiteral("INSERT_PROPERTY"), QStringLiteral("application/x-qt-image")};
    return !name.isEmpty() && !skipped.contains(name);
}

} // namespace

x11_clipboard::~x11_clipboard() {
    QObject::disconnect(watching_);
}

void x11_clipboard::watch() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (watching_ || !clipboard)
        return;
    watching_ = QObject::connect(clipboard, &QClipboard::changed, [this](QClipboard::Mode mode) {
        if (mode != QClipboard::Clipboard || QGuiApplication::clipboard()->ownsClipboard())
            return;
        ours_ = false;
        ++sequence_;
    });
}

bool x11_clipboard::put(QMimeData* data) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        delete data;
        return false;
    }
    watch();
    clipboard->setMimeData(data);
    ++sequence_;
    ours_ = true;
    return true;
}

clipboard_read_t x11_clipboard::read(qint64 max_bytes, clipboard_content_t* content) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return clipboard_read_t::failed;
    watch();
    const QMimeData* data = clipboard->mimeData();
    if (!data)
        return clipboard_read_t::failed;
    clipboard_content_t read;
    qint64 total = 0;
    // X11 tells no sizes in advance: stop at the first target past the limit.
    for (const QString& name : data->formats()) {
        if (!is_content_target(name))
            continue;
        const QByteArray bytes = data->data(name);
        total += bytes.size();
        if (total > max_bytes)
            return clipboard_read_t::too_large;
        read.formats.append({name, bytes});
    }
    *content = std::move(read);
    return clipboard_read_t::ok;
}

bool x11_clipboard::write(const clipboard_content_t& content) {
    if (content.formats.isEmpty()) {
        // It had no owner: give the selection up rather than offer nothing.
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard)
            return false;
        watch();
        clipboard->clear();
        ++sequence_;
        ours_ = false;
        return true;
    }
    auto* data = new QMimeData;
    for (const clipboard_format_t& format : content.formats)
        data->setData(format.name, format.bytes);
    return put(data);
}

quint64 x11_clipboard::sequence() {
    watch();
    // Another client taking the selection shows here first, before Qt's signal.
    if (ours_ && QGuiApplication::clipboard() && !QGuiApplication::clipboard()->ownsClipboard()) {
        ours_ = false;
        ++sequence_;
    }
    return sequence_;
}

} // namespace quorvel::platform
