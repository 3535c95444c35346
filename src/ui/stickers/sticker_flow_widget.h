#pragma once

#include "model/records.h"

#include <QHash>
#include <QPointer>
#include <QScrollArea>
#include <QSet>

class QThread;

namespace quorvel {

class flow_layout_widget;
class load_image_task;
class sticker_item;

// The tiles of one category. Images are read from the cache on a thread of
// their own, only once the page is shown and in tile order, so the tiles in
// view come first and pages never opened cost no decoding.
class sticker_flow_widget : public QScrollArea {
    Q_OBJECT
public:
    explicit sticker_flow_widget(const QString& category_id, QWidget* parent = nullptr);
    ~sticker_flow_widget() override;

    QString category_id() const { return property("id").toString(); }
    sticker_item* add_tile(const sticker_node_spt& sticker);
    sticker_item* tile(const QString& sticker_id) const;
    QList<sticker_item*> tiles() const;
    int tile_count() const;
    // Takes the tile out and deletes it later; false when there is none.
    bool remove_tile(const QString& sticker_id);
    void clear_tiles();
    // Reads the images not shown yet; retry also tries those that failed.
    void load_images(bool retry = false);
    bool loading() const { return !thread_.isNull(); }

signals:
    void tile_added(quorvel::sticker_item* tile);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void on_image(const QString& path, const QPixmap& pixmap);
    void on_loader_done();
    void stop_loader();

    flow_layout_widget* flow_;
    QHash<QString, sticker_item*> tiles_; // by sticker id
    QSet<QString> tried_;                 // paths read, whether or not they decoded
    QHash<QString, QList<QPointer<sticker_item>>> waiting_; // tiles of the paths being read
    QPointer<QThread> thread_;
    QPointer<load_image_task> task_;
    bool reload_ = false;
};

} // namespace quorvel
