#pragma once

#include "model/library_snapshot.h"
#include "net/http_client.h"
#include "sync/cache_manager.h"
#include "sync/hash_check_batch.h"

#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <atomic>

class QThread;

namespace quorvel {

class batch_download;
class library_fetch;

// The synchronisation after a login: the library's queries run on a worker
// thread into a library_snapshot_t, which the GUI thread puts into the store
// in one step; then the file cache is brought up to date on the GUI thread.
// A server that falls silent (one request timed out) or stop() ends it early
// with what has arrived and what is cached. Shows nothing: a progress dialog
// follows `progress`.
class library_sync : public QObject {
    Q_OBJECT
public:
    explicit library_sync(QObject* parent = nullptr);
    ~library_sync() override;

    // Once; later calls do nothing.
    void start();
    // The rest is skipped; `finished` follows.
    void stop();

    // The downloads the stickers need (one sticker id is never fetched).
    static QList<download_task_spt> sticker_tasks(const sticker_map_t& stickers);

    bool started() const { return started_; }
    bool is_finished() const { return finished_; }
    bool stop_requested() const { return stop_requested_; }
    // Whether every query of records succeeded, so the store holds the
    // whole library (known once the synchronisation is over).
    bool records_complete() const { return records_complete_ && !unreachable_ && !stop_requested_; }

signals:
    void progress(int percent, QString text);
    // Why it is ending (stopped, server silent); the percentage stays.
    void status(QString text);
    // Once, when it is over (also when it ended early).
    void finished(bool records_complete);
    // From the worker: the queries are over and the snapshot is complete.
    void queries_done();

private:
    void run_queries();
    // The answers into the snapshot, in the order of the steps.
    void query_library(http_client& client, const library_fetch& fetched);
    void query_script_categories(const library_fetch& fetched);
    void query_documents(http_client& client, const library_fetch& fetched);
    void query_scripts(const library_fetch& fetched);
    void query_stickers(const library_fetch& fetched);
    void on_queries_done();
    void advance_download();
    void finish_downloads();
    void finish();
    void task_finished(const QString& uri);
    void task_failed(const QString& uri, const QString& err);
    // The files the account's records refer to, for the cache clean-up.
    QSet<QString> referenced_files() const;
    // The worker's client and queries, reachable by stop() while they exist.
    void use_query_client(http_client* client, library_fetch* fetch);
    // Whether the synchronisation goes on; logs once why it does not.
    bool going_on(const http_client& client);
    bool going_on(http_client::state_t state);
    void end_early();
    bool silent_download() const;

    QPointer<QThread> worker_;
    bool started_ = false;
    bool finished_ = false;
    QElapsedTimer clock_;
    qint64 queries_ms_ = 0;
    qint64 hashes_ms_ = 0;
    // Written by the worker only, until queries_done.
    library_snapshot_t snapshot_;
    QList<download_task_spt> tasks_;
    QSet<QString> task_paths_; // of every task, before the hash filter
    // The sticker files are checked while the other queries go on; written on
    // the worker, read on the GUI thread once it is done with the queries.
    QList<download_task_spt> sticker_tasks_;
    hash_check_batch sticker_checks_;
    bool stickers_checked_ = false;
    // Every query of records succeeded, so unreferenced files may go.
    bool records_complete_ = true;
    batch_download* downloader_ = nullptr;
    int done_ = 0;
    int total_ = 0;
    std::atomic<bool> stop_requested_{false};
    std::atomic<bool> unreachable_{false};
    QMutex client_mutex_;
    http_client* query_client_ = nullptr;     // guarded by client_mutex_
    library_fetch* query_fetch_ = nullptr;    // guarded by client_mutex_
    hash_check_batch* hash_checks_ = nullptr; // GUI thread
    QElapsedTimer since_last_byte_;           // of any download
};

} // namespace quorvel
