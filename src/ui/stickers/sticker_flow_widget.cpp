#include "ui/stickers/sticker_flow_widget.h"

#include "sync/load_image_task.h"
#include "ui/stickers/sticker_item.h"
#include "ui/widgets/flow_layout.h"

#include <QThread>

namespace quorvel {

sticker_flow_widget::sticker_flow_widget(const QString& category_id, QWidget* parent)
    : QScrollArea(parent), flow_(new flow_layout_widget(0, 0, 0, this)) {
    setProperty("id", category_id);
    setWidgetResizable(true);
    setWidget(flow_);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

sticker_flow_widget::~sticker_flow_widget() {
    stop_loader();
}

void sticker_flow_widget::stop_loader() {
    if (task_)
        task_->stop();
    if (thread_) {
        thread_->quit();
        thread_->wait();
    }
}

sticker_item* sticker_flow_widget::add_tile(const sticker_node_spt& sticker) {
    if (!sticker || tiles_.contains(sticker->id))
        return nullptr;
    auto* item = new sticker_item(sticker, flow_);
    flow_->insert_widget(flow_->layout_of()->count(), item);
    tiles_.insert(sticker->id, item);
    emit tile_added(item);
    if (isVisible())
        load_images();
    return item;
}

sticker_item* sticker_flow_widget::tile(const QString& sticker_id) const {
    return tiles_.value(sticker_id);
}

QList<sticker_item*> sticker_flow_widget::tiles() const {
    QList<sticker_item*> ordered;
    const flow_layout* layout = flow_->layout_of();
    for (int i = 0; i < layout->count(); ++i)
        if (auto* item = qobject_cast<sticker_item*>(layout->itemAt(i)->widget()))
            ordered << item;
    return ordered;
}

int sticker_flow_widget::tile_count() const {
    return tiles_.size();
}

bool sticker_flow_widget::remove_tile(const QString& sticker_id) {
    sticker_item* item = tiles_.take(sticker_id);
    if (!item)
        return false;
    flow_->layout_of()->removeWidget(item);
    item->hide();
    item->deleteLater();
    return true;
}

void sticker_flow_widget::clear_tiles() {
    for (const QString& id : tiles_.keys())
        remove_tile(id);
}

void sticker_flow_widget::showEvent(QShowEvent* event) {
    QScrollArea::showEvent(event);
    load_images();
}

void sticker_flow_widget::load_images(bool retry) {
    if (retry)
        tried_.clear();
    if (thread_) { // one reader at a time; it looks again when done
        reload_ = true;
        return;
    }
    QStringList paths;
    for (sticker_item* item : tiles()) {
        const QString& path = item->path();
        if (item->has_image() || path.isEmpty() || tried_.contains(path))
            continue;
        auto& waiting = waiting_[path];
        if (waiting.isEmpty())
            paths << path;
        waiting << item;
    }
    if (paths.isEmpty())
        return;
    for (const QString& path : paths)
        tried_.insert(path);
    auto* thread = new QThread;
    auto* task =
        new load_image_task(QSize(sticker_item::image_side, sticker_item::image_side), paths, this);
    task->moveToThread(thread);
    connect(thread, &QThread::started, task, &load_image_task::start);
    connect(task, &load_image_task::finished, thread, &QThread::quit);
    connect(thread, &QThread::finished, task, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(task, &load_image_task::task_finished, this,
            [this](const QString& path, const QPixmap& pixmap) { on_image(path, pixmap); });
    connect(thread, &QThread::finished, this, &sticker_flow_widget::on_loader_done);
    thread_ = thread;
    task_ = task;
    thread->start();
}

void sticker_flow_widget::on_image(const QString& path, const QPixmap& pixmap) {
    for (const QPointer<sticker_item>& item : waiting_.take(path))
        if (item && item->path() == path)
            item->set_image(pixmap);
}

void sticker_flow_widget::on_loader_done() {
    waiting_.clear(); // what failed to decode waits no more
    thread_.clear();
    task_.clear();
    if (reload_) {
        reload_ = false;
        load_images();
    }
}

} // namespace quorvel
