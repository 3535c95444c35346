#pragma once

#include "net/http_client.h"
#include "sync/cache_manager.h"
#include "sync/hash_check_batch.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QPointer>
#include <QSet>
#include <atomic>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QThread;

namespace quorvel {

class batch_download;
class library_fetch;

// Between login and the main window: loads the whole library into the store
// on a worker thread, then brings the file cache up to date on the GUI
// thread, then opens the main window and closes. A server that falls silent
// (one request timed out) or the stop button ends the synchronisation early:
// the main window then opens with what has arrived and what is cached.
class sync_data_widget : public QDialog {
    Q_OBJECT
public:
    explicit sync_data_widget(QWidget* parent = nullptr);
    ~sync_data_widget() override;

    // What on_data_sync_finished opens; the entry point sets the main window.
    using window_factory_t = std::function<QWidget*()>;
    static void set_main_window_factory(window_factory_t factory);

    // The downloads the stickers need (one sticker id is never fetched).
    static QList<download_task_spt>
    sticker_tasks(const QHash<QString, QList<sticker_node_spt>>& stickers);

    int progress() const;
    QString status_text() const;
    QPushButton* stop_button() const { return stop_; }

    // Whether every query of records succeeded, so the store holds the
    // whole library (known once the synchronisation is over).
    bool records_complete() const { return records_complete_ && !unreachable_ && !stop_requested_; }

signals:
    // The synchronisation is over, right before the main window opens.
    void synchronised(bool records_complete);
    void request_finished();
    void update_progress(int progress, QString text);
    void download_clouddoc_requested();

public slots:
    void on_update_progress(int progress, QString text);
    void on_data_sync_finished();
    void on_download_clouddoc();
    void task_finished(QString uri);
    void task_failed(QString uri, QString err);
    void all_tasks_finished();
    // The stop button: the rest is skipped and the main window opens.
    void stop_sync();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void run_queries();
    // Fill the store from the answers, in the order of the steps.
    void query_library(http_client& client, const library_fetch& fetched);
    void query_script_categories(const library_fetch& fetched);
    void query_documents(http_client& client, const library_fetch& fetched);
    void query_scripts(const library_fetch& fetched);
    void query_stickers(const library_fetch& fetched);
    void advance_download();
    void finish_downloads();
    // The files the account's records refer to, for the cache clean-up.
    QSet<QString> referenced_files() const;
    // The worker's client and queries, reachable by stop_sync while they exist.
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
    QLabel* status_;
    QProgressBar* bar_;
    QPushButton* stop_;
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
