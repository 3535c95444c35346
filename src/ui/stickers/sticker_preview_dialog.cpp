#include "ui/stickers/sticker_preview_dialog.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>

namespace quorvel {

sticker_preview_dialog::sticker_preview_dialog(const QString& path, QWidget* parent)
    : base_dialog(parent), image_(new QLabel(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(QStringLiteral("预览"));
    setFocusPolicy(Qt::StrongFocus);
    const QImage source(path);
    if (!source.isNull())
        image_->setPixmap(QPixmap::fromImage(source.scaled(
            preview_size(source.size()), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(image_);
    row->addStretch();
    add_content_layout(row);
}

QSize sticker_preview_dialog::preview_size(const QSize& image) {
    if (image.isEmpty())
        return {};
    const double factor = qMin(600.0 / image.width(), 800.0 / image.height());
    return QSize(qRound(image.width() * factor), qRound(image.height() * factor));
}

void sticker_preview_dialog::showEvent(QShowEvent* event) {
    base_dialog::showEvent(event);
    activateWindow();
    setFocus();
}

void sticker_preview_dialog::focusOutEvent(QFocusEvent* event) {
    base_dialog::focusOutEvent(event);
    close();
}

} // namespace quorvel
