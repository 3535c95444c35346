#pragma once

#include "model/records.h"

#include <QLabel>
#include <QTimer>
#include <QWidget>

namespace quorvel {

// Tells a single click from a double click: a click is reported only once
// the double-click interval has passed without a second one.
class image_preview_widget : public QLabel {
    Q_OBJECT
public:
    explicit image_preview_widget(QWidget* parent = nullptr);

signals:
    void clicked();
    void doubleClicked();

public slots:
    void onSingleClickTimeout();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QTimer timer_;
    bool double_clicked_ = false;
};

// One sticker tile: the image above its title. While the sticker's file is
// being fetched the title shows the progress.
class sticker_item : public QWidget {
    Q_OBJECT
public:
    static constexpr int tile_width = 75;
    static constexpr int tile_height = 90;
    static constexpr int image_side = 70;

    explicit sticker_item(const sticker_node_spt& sticker, QWidget* parent = nullptr);

    const sticker_node_spt& sticker() const { return sticker_; }
    void set_sticker(const sticker_node_spt& sticker);
    const QString& path() const { return path_; }
    image_preview_widget* image() const { return image_; }
    QLabel* title() const { return title_; }
    bool has_image() const { return has_image_; }
    void set_image(const QPixmap& pixmap);
    void set_progress(qint64 done, qint64 total);
    void set_failed(const QString& reason);
    void show_title();

signals:
    void image_clicked();
    void image_double_clicked();

private:
    sticker_node_spt sticker_;
    QString path_;
    image_preview_widget* image_;
    QLabel* title_;
    bool has_image_ = false;
};

} // namespace quorvel
