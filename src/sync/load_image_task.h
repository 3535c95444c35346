#pragma once

#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QStringList>
#include <atomic>

namespace quorvel {

// Decodes and scales a batch of images off the GUI thread (the platforms we
// run on allow pixmaps on other threads); signals reach the GUI as queued calls.
class load_image_task : public QObject {
    Q_OBJECT
public:
    load_image_task(const QSize& size, const QStringList& paths, QObject* user_data,
                    QObject* parent = nullptr);

    QStringList remaining() const { return paths_; }

signals:
    void task_failed(QString path, QObject* user_data);
    void task_finished(QString path, QPixmap pixmap, QObject* user_data);
    void all_task_finished();
    void finished();

public slots:
    void start();
    void stop();

private:
    QSize size_;
    QStringList paths_;
    QObject* user_data_;
    std::atomic<bool> running_{false};
};

} // namespace quorvel
