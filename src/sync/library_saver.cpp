#include "sync/library_saver.h"

#include <QRunnable>

namespace quorvel {

library_saver::library_saver(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);
}

library_saver::~library_saver() {
    wait();
}

void library_saver::save(const QString& path, const library_snapshot& snapshot,
                         const library_file::step_hook_t& hook) {
    {
        QMutexLocker lock(&mutex_);
        const bool queued = waiting_.contains(path);
        waiting_.insert(path, {snapshot, hook});
        if (queued)
            return; // the run already queued for the file takes this one
    }
    pool_.start(QRunnable::create([this, path] { run(path); }));
}

void library_saver::wait() {
    pool_.waitForDone();
}

void library_saver::run(const QString& path) {
    job_t job;
    {
        QMutexLocker lock(&mutex_);
        job = waiting_.take(path);
    }
    const bool ok = library_file(path).save(job.snapshot, job.hook);
    QMetaObject::invokeMethod(
        this, [this, ok] { emit finished(ok); }, Qt::QueuedConnection);
}

} // namespace quorvel
