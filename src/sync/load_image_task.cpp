#include "sync/load_image_task.h"

#include <QImage>

namespace quorvel {

load_image_task::load_image_task(const QSize& size, const QStringList& paths, QObject* user_data,
                                 QObject* parent)
    : QObject(parent), size_(size), paths_(paths), user_data_(user_data) {}

void load_image_task::start() {
    running_ = true;
    while (running_ && !paths_.isEmpty()) {
        const QString path = paths_.takeFirst();
        const QImage image(path);
        if (image.isNull())
            emit task_failed(path, user_data_);
        else
            emit task_finished(path,
                               QPixmap::fromImage(image.scaled(size_, Qt::IgnoreAspectRatio,
                                                               Qt::FastTransformation)),
                               user_data_);
    }
    if (paths_.isEmpty())
        emit all_task_finished();
    emit finished();
}

void load_image_task::stop() {
    running_ = false;
}

} // namespace quorvel
