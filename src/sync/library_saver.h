#pragma once

#include "sync/library_file.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QThreadPool>

namespace quorvel {

// Writes library snapshots on a worker thread, one at a time, so that a
// save of a large library never holds up the GUI. A save asked for while an
// earlier one for the same file still waits replaces it: the newest state
// is what reaches the disk.
class library_saver : public QObject {
    Q_OBJECT
public:
    explicit library_saver(QObject* parent = nullptr);
    ~library_saver() override; // waits for the saves asked for

    void save(const QString& path, const library_snapshot& snapshot,
              const library_file::step_hook_t& hook = {});
    // Until every save asked for so far is written (or has failed).
    void wait();

signals:
    // In the saver's thread, after each written snapshot.
    void finished(bool ok);

private:
    struct job_t {
        library_snapshot snapshot;
        library_file::step_hook_t hook;
    };
    void run(const QString& path);

    QMutex mutex_;
    QHash<QString, job_t> waiting_; // by path; each has a run queued
    QThreadPool pool_;              // one thread: saves never overlap
};

} // namespace quorvel
