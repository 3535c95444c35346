#include "sync/library_sync.h"

#include "app/app_paths.h"
#include "app/logger.h"
#include "app/settings_store.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/base_url.h"
#include "net/blocking_requests.h"
#include "protocol/library_terms.h"
#include "protocol/protocol.h"
#include "sync/batch_download.h"
#include "sync/library_fetch.h"

#include <QDebug>
#include <QThread>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

const QString attachments_prefix = QLatin1String(protocol::attachments_marker);
// A sticker the server lists for every account whose image is never fetched.
const QString never_downloaded_sticker = QStringLiteral("69155488272dbf6d34c29909");

// Adds every entry of a tree into another (the document table holds two parts).
void merge_tree(category_tree_t& into, const category_tree_t& from) {
    for (auto it = from.constBegin(); it != from.constEnd(); ++it) {
        category_entry_t& entry = into[it.key()];
        if (it->node)
            entry.node = it->node;
        entry.children.append(it->children);
    }
}

// What the start-up queries ask for.
library_fetch::request_t library_request() {
    const session_state& login = session_state::instance();
    library_fetch::request_t request;
    request.intranet = is_intranet_build();
    request.departments = login.departments().keys();
    request.doc_params = {{"account", login.account()},
                          {"fileId", ""},
                          {"classifyId", ""},
                          {"deptId", ""},
                          {"fileName", ""},
                          {"fileSuffix", ""},
                          {"fileType", ""},
                          {"taskId", ""},
                          {"keywords", ""},
                          {"customShortcuts", ""}};
    request.sticker_params = {{"classifyId", ""},
                              {"emojiContentDesc", ""},
                              {"emojiContentMatchKeywords", ""},
                              {"emojiType", ""}};
    return request;
}

} // namespace

library_sync::library_sync(QObject* parent) : QObject(parent) {
    connect(this, &library_sync::queries_done, this, &library_sync::on_queries_done);
}

library_sync::~library_sync() {
    // The worker may still be on its last steps; it writes into this object
    // until it ends.
    if (!worker_)
        return;
    {
        QMutexLocker lock(&client_mutex_);
        stop_requested_ = true;
        if (query_client_)
            query_client_->stop();
        if (query_fetch_)
            query_fetch_->stop();
    }
    worker_->quit();
    worker_->wait();
}

void library_sync::start() {
    if (started_)
        return;
    started_ = true;
    clock_.start();
    auto* thread = new QThread(this);
    worker_ = thread;
    auto* context = new QObject;
    context->moveToThread(thread);
    connect(thread, &QThread::started, context, [this, thread] {
        run_queries();
        thread->quit();
    });
    connect(thread, &QThread::finished, context, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::InheritPriority);
}

// ---- query phase, on the worker thread ----

void library_sync::use_query_client(http_client* client, library_fetch* fetch) {
    QMutexLocker lock(&client_mutex_);
    query_client_ = client;
    query_fetch_ = fetch;
    if (client && stop_requested_)
        client->stop();
    if (fetch && stop_requested_)
        fetch->stop();
}

bool library_sync::going_on(const http_client& client) {
    return going_on(client.state());
}

bool library_sync::going_on(http_client::state_t state) {
    switch (state) {
    case http_client::state_t::open:
        return true;
    case http_client::state_t::timed_out:
        if (!unreachable_.exchange(true))
            spdlog::warn("server unreachable: a request timed out, the rest of the "
                         "synchronisation is skipped");
        return false;
    case http_client::state_t::stopped:
        return false;
    }
    return false;
}

void library_sync::run_queries() {
    http_client client;
    client.set_give_up_after_timeout(true);
    // The independent queries go out side by side; the snapshot is then
    // filled from their answers in the usual order.
    library_fetch fetched;
    // The sticker files need only the sticker list: their checks go out
    // while the larger replies are still being read.
    fetched.after_stickers = [this, &fetched](request_pool& pool) {
        sticker_tasks_ = sticker_tasks(fetched.stickers.value);
        pool.submit(sticker_checks_.jobs(sticker_tasks_));
        stickers_checked_ = true;
    };
    use_query_client(&client, &fetched);
    fetched.run(library_request());
    query_library(client, fetched);
    use_query_client(nullptr, nullptr);
    going_on(fetched.state());
    going_on(client);
    emit queries_done();
}

// A query that was not sent (the synchronisation ended first) logs nothing.
void library_sync::query_library(http_client& client, const library_fetch& fetched) {
    if (fetched.version.ok)
        snapshot_.version_info = fetched.version.value;
    else if (fetched.version.sent)
        spdlog::warn("check update failed, reason: {}", utf8(fetched.version.message));

    if (fetched.apps.ok)
        snapshot_.supported_apps = fetched.apps.value;
    else if (fetched.apps.sent)
        spdlog::info("get app feature failed, reason: {}", utf8(fetched.apps.message));

    query_script_categories(fetched);
    query_documents(client, fetched);
    emit progress(20, QStringLiteral("同步分类信息完成"));

    query_scripts(fetched);
    emit progress(40, QStringLiteral("同步话术信息完成"));

    query_stickers(fetched);

    emit progress(60, QStringLiteral("正在同步快捷短语..."));
    if (fetched.phrases.ok)
        snapshot_.phrases = fetched.phrases.value;
    else if (fetched.phrases.sent)
        spdlog::warn("query phrase failed, reason: {}", utf8(fetched.phrases.message));
    if (going_on(fetched.state()) && going_on(client))
        emit progress(70, QStringLiteral("正在同步表情及云文档..."));
}

void library_sync::query_script_categories(const library_fetch& fetched) {
    for (int type : {0, 1}) {
        const fetched_t<category_tree_t>& got = fetched.script_categories[type];
        if (got.ok)
            snapshot_.script_trees.append({type, QString(), got.value});
        else if (got.sent)
            spdlog::warn(fmt::runtime(type == 0 ? "get #0 categories failed, reason: {}"
                                                : "get #1 categories failed, reason: {}"),
                         utf8(got.message));
    }
    for (const QString& dept : session_state::instance().departments().keys()) {
        const fetched_t<category_tree_t> got = fetched.dept_script_categories.value(dept);
        if (got.ok)
            snapshot_.script_trees.append({int(protocol::part::dept), dept, got.value});
        else if (got.sent)
            spdlog::warn("get #2{} categories failed, reason: {}", utf8(dept), utf8(got.message));
    }
}

void library_sync::query_documents(http_client& client, const library_fetch& fetched) {
    QString message;
    category_tree_t table;
    if (fetched.public_doc_categories.ok) {
        table = fetched.public_doc_categories.value;
        category_node_spt attachments;
        for (const category_node_spt& node : table.value(top_level_id).children)
            if (!attachments && node->classifyName.startsWith(attachments_prefix))
                attachments = node;
        for (auto it = table.constBegin(); !attachments && it != table.constEnd(); ++it)
            if (it->node && it->node->classifyName.startsWith(attachments_prefix))
                attachments = it->node;
        // Not while the server is silent: the creation would wait out its own timeout.
        if (!attachments && fetched.state() == http_client::state_t::open) {
            attachments =
                create_category_blocking(client,
                                         {{"classifyName", attachments_prefix},
                                          {"clientBusinessType", protocol::business::documents},
                                          {"classifyType", protocol::part_pub},
                                          {"superiorId", "-1"},
                                          {"deptId", "-1"}},
                                         &message);
            if (attachments)
                add_to_tree(table, attachments);
        }
        snapshot_.attachments_category = attachments;
    } else if (fetched.public_doc_categories.sent) {
        message = fetched.public_doc_categories.message;
        spdlog::warn("query public doc categories failed, reason: {}", utf8(message));
        qDebug() << message;
    }

    if (!fetched.personal_doc_categories.ok) {
        if (fetched.personal_doc_categories.sent)
            spdlog::warn("query personal doc category failed, reason: {} ",
                         utf8(fetched.personal_doc_categories.message));
        records_complete_ = false;
        return;
    }
    merge_tree(table, fetched.personal_doc_categories.value);
    snapshot_.doc_categories = table;

    if (!fetched.docs.ok) {
        records_complete_ = false;
        return;
    }
    const docs_by_category_t& docs = fetched.docs.value;
    snapshot_.docs = docs;

    // Small documents come along at start, as the settings allow; an
    // unreadable settings file allows none.
    const auto settings = open_ini(app_paths::instance().settings_file());
    const setting_value_t download = read_setting(*settings, setting::clouddoc_download_switch);
    if (!download.readable() || !download.on())
        return;
    const qint64 limit =
        qint64(read_setting(*settings, setting::clouddoc_download_size).number()) * 1048576;
    for (const QList<doc_node_spt>& list : docs)
        for (const doc_node_spt& doc : list)
            if (doc->fileSize <= limit)
                if (download_task_spt task = make_doc_task(doc))
                    tasks_ << task;
}

void library_sync::query_scripts(const library_fetch& fetched) {
    // The three parts in turn, as if asked one after another.
    scripts_by_category_t scripts;
    for (int type : {0, 1, 2}) {
        const fetched_t<scripts_by_category_t>& got = fetched.scripts[type];
        if (!got.ok) {
            if (got.sent)
                spdlog::warn("query script #{} failed, reason: {}", type, utf8(got.message));
            records_complete_ = false;
            continue;
        }
        for (auto it = got.value.constBegin(); it != got.value.constEnd(); ++it)
            scripts[it.key()].append(it.value());
    }
    for (const QList<script_node_spt>& list : scripts)
        for (const script_node_spt& script : list)
            tasks_ << make_script_tasks(script);
    snapshot_.scripts = std::move(scripts);
}

void library_sync::query_stickers(const library_fetch& fetched) {
    if (fetched.stickers.ok)
        snapshot_.stickers = fetched.stickers.value;
    else
        records_complete_ = false;
    emit progress(50, QStringLiteral("正在同步表情信息..."));
    for (int type : {0, 1}) {
        const fetched_t<category_tree_t>& got = fetched.sticker_categories[type];
        if (got.ok)
            snapshot_.sticker_trees.append({type, QString(), got.value});
        else if (got.sent)
            spdlog::warn(fmt::runtime(type == 0 ? "query #0 sticker failed, reason: {}"
                                                : "query #1 sticker failed, reason: {}"),
                         utf8(got.message));
    }
    for (const QString& dept : session_state::instance().departments().keys()) {
        const fetched_t<category_tree_t> got = fetched.dept_sticker_categories.value(dept);
        if (got.ok)
            snapshot_.sticker_trees.append({int(protocol::part::dept), dept, got.value});
        else if (got.sent)
            spdlog::warn("query #2{} sticker failed, reason: {}", utf8(dept), utf8(got.message));
    }
    // Without a new list, the files of the stickers the store keeps.
    if (stickers_checked_)
        tasks_ << sticker_tasks_;
    else
        tasks_ << sticker_tasks(snapshot_.stickers
                                    ? *snapshot_.stickers
                                    : data_center::instance().stickers_by_category());
}

QList<download_task_spt> library_sync::sticker_tasks(const sticker_map_t& stickers) {
    QList<download_task_spt> tasks;
    for (const QList<sticker_node_spt>& list : stickers)
        for (const sticker_node_spt& sticker : list)
            if (sticker->id != never_downloaded_sticker)
                if (download_task_spt task = make_sticker_task(sticker))
                    tasks << task;
    return tasks;
}

// ---- download phase, on the GUI thread ----

void library_sync::on_queries_done() {
    // The worker is done with the snapshot: the store takes it in one step.
    data_center::instance().apply_snapshot(snapshot_);
    snapshot_ = library_snapshot_t();

    queries_ms_ = clock_.elapsed();
    if (stop_requested_ || unreachable_) {
        end_early();
        return;
    }
    for (const download_task_spt& task : tasks_)
        task_paths_.insert(task->local_path);
    // Six checks at a time; the GUI's events go on while they run.
    // The sticker tasks, last in the list, were checked with the queries.
    const int checked = stickers_checked_ ? sticker_tasks_.size() : 0;
    hash_check_batch checks;
    hash_checks_ = &checks;
    QList<download_task_spt> kept = checks.filter(tasks_.mid(0, tasks_.size() - checked));
    hash_checks_ = nullptr;
    if (stickers_checked_)
        kept += sticker_checks_.kept();
    const bool gone = !going_on(checks.state());
    hashes_ms_ = clock_.elapsed() - queries_ms_;
    if (stop_requested_ || gone) {
        end_early();
        return;
    }
    spdlog::info("before filter total {} download tasks", tasks_.size());
    tasks_ = kept;
    spdlog::info("after filter total {} download tasks", tasks_.size());

    downloader_ = new batch_download(this);
    downloader_->set_max_parallel(6);
    // Every cached file is checked against the server at the next start.
    downloader_->set_synced(false);
    downloader_->set_root(app_paths::instance().cache_dir());
    connect(downloader_, &batch_download::task_finished, this, &library_sync::task_finished);
    connect(downloader_, &batch_download::task_failed, this, &library_sync::task_failed);
    connect(downloader_, &batch_download::all_tasks_finished, this, [this] {
        spdlog::info("all download tasks finished");
        finish_downloads();
    });
    if (tasks_.isEmpty()) {
        spdlog::info("no download tasks");
        finish_downloads();
        return;
    }
    downloader_->add_tasks(tasks_);
    // The downloader keeps one task per local path (several scripts often link
    // the same file); count what it will actually transfer, so progress ends at 100.
    QSet<QString> paths;
    for (const download_task_spt& task : tasks_)
        paths.insert(task->local_path);
    total_ = paths.size();
    spdlog::info("start {} download tasks", total_);
    // A reply also reports its progress as it ends, with nothing received when silent.
    connect(downloader_, &batch_download::task_progress, this,
            [this](const QString&, qint64 received) {
                if (received > 0)
                    since_last_byte_.start();
            });
    since_last_byte_.start();
    downloader_->start();
}

// A download that failed after no byte at all arrived for the inactivity
// timeout ended by that timeout: the server fell silent. Without this the
// queue would go on in waves of six, each waiting out its own timeout.
bool library_sync::silent_download() const {
    const int timeout = http_client::default_inactivity_timeout();
    // Transfer timers may fire a little early.
    return since_last_byte_.elapsed() >= timeout - timeout / 10;
}

void library_sync::end_early() {
    emit status(stop_requested_ ? QStringLiteral("已停止同步，正在打开主窗口...")
                                : QStringLiteral("服务器无响应，正在打开主窗口..."));
    spdlog::info("synchronisation ended early ({}), the main window opens with what has arrived",
                 stop_requested_ ? "stopped" : "server unreachable");
    finish();
}

void library_sync::stop() {
    if (stop_requested_.exchange(true) || finished_)
        return;
    spdlog::info("synchronisation stop requested");
    emit status(QStringLiteral("正在停止同步..."));
    {
        QMutexLocker lock(&client_mutex_);
        if (query_client_)
            query_client_->stop();
        if (query_fetch_)
            query_fetch_->stop();
    }
    if (hash_checks_)
        hash_checks_->stop();
    if (downloader_) {
        downloader_->abort();
        end_early();
    }
}

void library_sync::advance_download() {
    ++done_;
    const int percent = static_cast<int>(float(done_) * 30.0f / float(total_) + 70.0f);
    emit progress(percent,
                  QStringLiteral("正在同步表情及云文档...(%1 / %2)").arg(done_).arg(total_));
}

void library_sync::task_finished(const QString&) {
    since_last_byte_.start();
    advance_download();
}

void library_sync::task_failed(const QString& uri, const QString& err) {
    spdlog::warn("download task {} failed, reason: {}", utf8(uri), utf8(err));
    qDebug() << uri + "同步失败：" + err;
    if (silent_download()) {
        unreachable_ = true;
        spdlog::warn("server unreachable: no download progressed for {} ms, the rest of the "
                     "synchronisation is skipped",
                     since_last_byte_.elapsed());
        downloader_->abort();
        end_early();
        return;
    }
    advance_download();
}

void library_sync::finish_downloads() {
    // Only a whole library tells which files nobody needs any more.
    if (records_complete_ && !unreachable_ && !stop_requested_) {
        const QString folder = cache_manager::instance()->account_dir(QStringLiteral("clouddoc"));
        const QStringList removed = remove_unreferenced(folder, referenced_files());
        for (const QString& file : removed)
            spdlog::info("removed unreferenced cache file {}", utf8(file));
        spdlog::info("cache clean-up removed {} files", removed.size());
    } else {
        spdlog::info("cache clean-up skipped: the library is incomplete");
    }
    finish();
}

QSet<QString> library_sync::referenced_files() const {
    const data_center& dc = data_center::instance();
    cache_manager* cache = cache_manager::instance();
    // Documents above the download limit may have been fetched on demand.
    QSet<QString> files = task_paths_;
    for (const QList<doc_node_spt>& list : dc.docs_by_category())
        for (const doc_node_spt& doc : list)
            files.insert(cache->doc_path(doc));
    for (const QList<sticker_node_spt>& list : dc.stickers_by_category())
        for (const sticker_node_spt& sticker : list)
            files.insert(cache->sticker_path(sticker));
    files.remove(QString());
    return files;
}

void library_sync::finish() {
    if (finished_)
        return;
    finished_ = true;
    // Where a slow start goes: the three phases in one line.
    spdlog::info("sync phases: queries {} ms, hash checks {} ms, downloads {} ms", queries_ms_,
                 hashes_ms_, clock_.elapsed() - queries_ms_ - hashes_ms_);
    emit finished(records_complete());
}

} // namespace quorvel
