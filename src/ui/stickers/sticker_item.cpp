#include "ui/stickers/sticker_item.h"

#include "sync/cache_manager.h"
#include "ui/widgets/plain_text.h"

#include <QApplication>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace quorvel {

image_preview_widget::image_preview_widget(QWidget* parent) : QLabel(parent) {
    setScaledContents(true);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &image_preview_widget::onSingleClickTimeout);
}

void image_preview_widget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !timer_.isActive())
        timer_.start(QApplication::doubleClickInterval());
    QLabel::mousePressEvent(event);
}

void image_preview_widget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        double_clicked_ = true;
    QLabel::mouseDoubleClickEvent(event);
}

void image_preview_widget::onSingleClickTimeout() {
    const bool twice = double_clicked_;
    double_clicked_ = false;
    if (twice)
        emit doubleClicked();
    else
        emit clicked();
}

sticker_item::sticker_item(const sticker_node_spt& sticker, QWidget* parent)
    : QWidget(parent), image_(new image_preview_widget(this)), title_(new QLabel(this)) {
    setFixedSize(tile_width, tile_height);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    image_->setFixedSize(image_side, image_side);
    title_->setTextFormat(Qt::PlainText);
    title_->setWordWrap(true);
    title_->setAlignment(Qt::AlignCenter);
    layout->addWidget(image_, 0, Qt::AlignHCenter);
    layout->addWidget(title_);
    set_sticker(sticker);
    connect(image_, &image_preview_widget::clicked, this, &sticker_item::image_clicked);
    connect(image_, &image_preview_widget::doubleClicked, this,
            &sticker_item::image_double_clicked);
}

void sticker_item::set_sticker(const sticker_node_spt& sticker) {
    sticker_ = sticker;
    path_ = cache_manager::instance()->sticker_path(sticker);
    show_title();
}

void sticker_item::set_image(const QPixmap& pixmap) {
    image_->setPixmap(pixmap);
    has_image_ = !pixmap.isNull();
}

void sticker_item::show_title() {
    title_->setStyleSheet(QString());
    title_->setText(sticker_ ? sticker_->emojiContentDesc : QString());
    title_->setToolTip(plain_tooltip(title_->text()));
}

void sticker_item::set_progress(qint64 done, qint64 total) {
    const int percent = total > 0 ? int(done * 100 / total) : 0;
    title_->setStyleSheet(QStringLiteral("color: gray;"));
    title_->setText(QStringLiteral("下载中 %1%").arg(percent));
}

void sticker_item::set_failed(const QString& reason) {
    title_->setStyleSheet(QStringLiteral("color: red;"));
    title_->setText(QStringLiteral("无法发送"));
    title_->setToolTip(plain_tooltip(reason));
}

} // namespace quorvel
