#include "ui/sync_data_widget.h"

#include "app/app_paths.h"
#include "app/settings_store.h"
#include "model/data_center.h"
#include "net/base_url.h"
#include "net/blocking_requests.h"
#include "protocol/library_terms.h"
#include "protocol/protocol.h"
#include "sync/batch_download.h"
#include "sync/hash_check_batch.h"
#include "sync/library_fetch.h"

#include <QDebug>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QThread>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

const QString attachments_marker = QLatin1String(protocol::attachments_marker);
// A sticker the server lists for every account whose image is never fetched.
const QString never_downloaded_sticker = QStringLiteral("69155488272dbf6d34c29909");

sync_data_widget::window_factory_t& main_window_factory() {
    static sync_data_widget::window_factory_t factory;
    return factory;
}

std::string utf8(const QString& text) {
    return text.toStdString();
}

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
    const data_center& dc = data_center::instance();
    library_fetch::request_t request;
    request.intranet = is_intranet_build();
    request.departments = dc.departments().keys();
    request.doc_params = {
        {"account", dc.account()}, {"fileId", ""},         {"classifyId", ""}, {"deptId", ""},
        {"fileName", ""},          {"fileSuffix", ""},     {"fileType", ""},   {"taskId", ""},
        {"keywords", ""},          {"customShortcuts", ""}};
    request.sticker_params = {{"classifyId", ""},
                              {"emojiContentDesc", ""},
                              {"emojiContentMatchKeywords", ""},
                              {"emojiType", ""}};
    return request;
}

} // namespace

void sync_data_widget::set_main_window_factory(window_factory_t factory) {
    main_window_factory() = std::move(factory);
}

sync_data_widget::sync_data_widget(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint),
      status_(new QLabel(QStringLiteral("正在同步话术数据......"))), bar_(new QProgressBar),
      stop_(new QPushButton(QStringLiteral("停止同步"))) {
    setFixedSize(400, 300);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel);
    layout->addLayout(top);
    auto* panel = new QWidget;
    panel->setFixedHeight(60);
    auto* panel_layout = new QVBoxLayout(panel);
    panel_layout->addWidget(status_);
    panel_layout->addWidget(bar_);
    layout->addWidget(panel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    stop_->setFixedSize(100, 30);
    buttons->addWidget(stop_);
    buttons->addStretch();
    layout->addLayout(buttons);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    connect(stop_, &QPushButton::clicked, this, &sync_data_widget::stop_sync);
}

sync_data_widget::~sync_data_widget() {
    // The worker may still be on its last steps (the dialog closes once its
    // last signal arrived); it writes into this object until it ends.
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

int sync_data_widget::progress() const {
    return bar_->value();
}
QString sync_data_widget::status_text() const {
    return status_->text();
}

void sync_data_widget::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_)
        return;
    started_ = true;
    connect(this, &sync_data_widget::update_progress, this, &sync_data_widget::on_update_progress);
    connect(this, &sync_data_widget::request_finished, this,
            &sync_data_widget::on_data_sync_finished);
    connect(this, &sync_data_widget::download_clouddoc_requested, this,
            &sync_data_widget::on_download_clouddoc);

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

void sync_data_widget::use_query_client(http_client* client, library_fetch* fetch) {
    QMutexLocker lock(&client_mutex_);
    query_client_ = client;
    query_fetch_ = fetch;
    if (client && stop_requested_)
        client->stop();
    if (fetch && stop_requested_)
        fetch->stop();
}

bool sync_data_widget::going_on(const http_client& client) {
    return going_on(client.state());
}

bool sync_data_widget::going_on(http_client::state_t state) {
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

void sync_data_widget::run_queries() {
    http_client client;
    client.set_give_up_after_timeout(true);
    // The independent queries go out side by side; the store is then filled
    // from their answers in the usual order.
    library_fetch fetched;
    // The sticker files need only the sticker list: their checks go out
    // while the larger replies are still being read.
    fetched.after_stickers = [this](request_pool& pool) {
        sticker_tasks_ = sticker_tasks(data_center::instance().stickers_by_category());
        pool.submit(sticker_checks_.jobs(sticker_tasks_));
        stickers_checked_ = true;
    };
    use_query_client(&client, &fetched);
    fetched.run(library_request());
    query_library(client, fetched);
    use_query_client(nullptr, nullptr);
    going_on(fetched.state());
    going_on(client);
    emit download_clouddoc_requested();
}

// A query that was not sent (the synchronisation ended first) logs nothing.
void sync_data_widget::query_library(http_client& client, const library_fetch& fetched) {
    data_center& dc = data_center::instance();

    if (fetched.version.ok)
        dc.set_version_info(fetched.version.value);
    else if (fetched.version.sent)
        spdlog::warn("check update failed, reason: {}", utf8(fetched.version.message));

    if (fetched.apps.ok)
        dc.replace_supported_apps(fetched.apps.value);
    else if (fetched.apps.sent)
        spdlog::info("get app feature failed, reason: {}", utf8(fetched.apps.message));

    query_script_categories(fetched);
    query_documents(client, fetched);
    emit update_progress(20, QStringLiteral("同步分类信息完成"));

    query_scripts(fetched);
    emit update_progress(40, QStringLiteral("同步话术信息完成"));

    query_stickers(fetched);

    emit update_progress(60, QStringLiteral("正在同步快捷短语..."));
    if (fetched.phrases.ok)
        dc.replace_phrases(fetched.phrases.value);
    else if (fetched.phrases.sent)
        spdlog::warn("query phrase failed, reason: {}", utf8(fetched.phrases.message));
    if (going_on(fetched.state()) && going_on(client))
        emit update_progress(70, QStringLiteral("正在同步表情及云文档..."));
}

void sync_data_widget::query_script_categories(const library_fetch& fetched) {
    data_center& dc = data_center::instance();
    for (int type : {0, 1}) {
        const fetched_t<category_tree_t>& got = fetched.script_categories[type];
        if (got.ok)
            dc.replace_category_tree(library_kind::scripts, type, QString(), got.value);
        else if (got.sent)
            spdlog::warn(fmt::runtime(type == 0 ? "get #0 categories failed, reason: {}"
                                                : "get #1 categories failed, reason: {}"),
                         utf8(got.message));
    }
    for (const QString& dept : dc.departments().keys()) {
        const fetched_t<category_tree_t> got = fetched.dept_script_categories.value(dept);
        if (got.ok)
            dc.replace_category_tree(library_kind::scripts, int(protocol::part::dept), dept,
                                     got.value);
        else if (got.sent)
            spdlog::warn("get #2{} categories failed, reason: {}", utf8(dept), utf8(got.message));
    }
}

void sync_data_widget::query_documents(http_client& client, const library_fetch& fetched) {
    data_center& dc = data_center::instance();
    QString message;
    category_tree_t table;
    if (fetched.public_doc_categories.ok) {
        table = fetched.public_doc_categories.value;
        category_node_spt attachments;
        for (const category_node_spt& node : table.value(top_level_id).children)
            if (!attachments && node->classifyName.startsWith(attachments_marker))
                attachments = node;
        for (auto it = table.constBegin(); !attachments && it != table.constEnd(); ++it)
            if (it->node && it->node->classifyName.startsWith(attachments_marker))
                attachments = it->node;
        // Not while the server is silent: the creation would wait out its own timeout.
        if (!attachments && fetched.state() == http_client::state_t::open) {
            attachments =
                create_category_blocking(client,
                                         {{"classifyName", attachments_marker},
                                          {"clientBusinessType", protocol::business::documents},
                                          {"classifyType", protocol::part_pub},
                                          {"superiorId", "-1"},
                                          {"deptId", "-1"}},
                                         &message);
            if (attachments)
                add_to_tree(table, attachments);
        }
        if (attachments)
            dc.set_attachments_category(attachments);
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
    dc.replace_category_tree(library_kind::documents, -1, QString(), table);

    if (!fetched.docs.ok) {
        records_complete_ = false;
        return;
    }
    const docs_by_category_t& docs = fetched.docs.value;
    dc.merge_docs(docs);

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

void sync_data_widget::query_scripts(const library_fetch& fetched) {
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
    data_center::instance().replace_scripts(scripts);
    for (const QList<script_node_spt>& list : scripts)
        for (const script_node_spt& script : list)
            tasks_ << make_script_tasks(script);
}

void sync_data_widget::query_stickers(const library_fetch& fetched) {
    data_center& dc = data_center::instance();
    if (!fetched.stickers.ok)
        records_complete_ = false;
    emit update_progress(50, QStringLiteral("正在同步表情信息..."));
    for (int type : {0, 1}) {
        const fetched_t<category_tree_t>& got = fetched.sticker_categories[type];
        if (got.ok)
            dc.replace_category_tree(library_kind::stickers, type, QString(), got.value);
        else if (got.sent)
            spdlog::warn(fmt::runtime(type == 0 ? "query #0 sticker failed, reason: {}"
                                                : "query #1 sticker failed, reason: {}"),
                         utf8(got.message));
    }
    for (const QString& dept : dc.departments().keys()) {
        const fetched_t<category_tree_t> got = fetched.dept_sticker_categories.value(dept);
        if (got.ok)
            dc.replace_category_tree(library_kind::stickers, int(protocol::part::dept), dept,
                                     got.value);
        else if (got.sent)
            spdlog::warn("query #2{} sticker failed, reason: {}", utf8(dept), utf8(got.message));
    }
    tasks_ << (stickers_checked_ ? sticker_tasks_ : sticker_tasks(dc.stickers_by_category()));
}

QList<download_task_spt>
sync_data_widget::sticker_tasks(const QHash<QString, QList<sticker_node_spt>>& stickers) {
    QList<download_task_spt> tasks;
    for (const QList<sticker_node_spt>& list : stickers)
        for (const sticker_node_spt& sticker : list)
            if (sticker->id != never_downloaded_sticker)
                if (download_task_spt task = make_sticker_task(sticker))
                    tasks << task;
    return tasks;
}

// ---- download phase, on the GUI thread ----

void sync_data_widget::on_update_progress(int progress, QString text) {
    status_->setText(text);
    bar_->setValue(progress);
}

void sync_data_widget::on_download_clouddoc() {
    queries_ms_ = clock_.elapsed();
    if (stop_requested_ || unreachable_) {
        end_early();
        return;
    }
    for (const download_task_spt& task : tasks_)
        task_paths_.insert(task->local_path);
    // Six checks at a time; the dialog's events go on while they run.
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
    connect(downloader_, &batch_download::task_finished, this, &sync_data_widget::task_finished);
    connect(downloader_, &batch_download::task_failed, this, &sync_data_widget::task_failed);
    connect(downloader_, &batch_download::all_tasks_finished, this,
            &sync_data_widget::all_tasks_finished);
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
bool sync_data_widget::silent_download() const {
    const int timeout = http_client::default_inactivity_timeout();
    // Transfer timers may fire a little early.
    return since_last_byte_.elapsed() >= timeout - timeout / 10;
}

void sync_data_widget::end_early() {
    on_update_progress(bar_->value(), stop_requested_
                                          ? QStringLiteral("已停止同步，正在打开主窗口...")
                                          : QStringLiteral("服务器无响应，正在打开主窗口..."));
    spdlog::info("synchronisation ended early ({}), the main window opens with what has arrived",
                 stop_requested_ ? "stopped" : "server unreachable");
    emit request_finished();
}

void sync_data_widget::stop_sync() {
    if (stop_requested_.exchange(true) || finished_)
        return;
    spdlog::info("synchronisation stop requested");
    stop_->setEnabled(false);
    on_update_progress(bar_->value(), QStringLiteral("正在停止同步..."));
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

void sync_data_widget::advance_download() {
    ++done_;
    const int progress = static_cast<int>(float(done_) * 30.0f / float(total_) + 70.0f);
    emit update_progress(progress,
                         QStringLiteral("正在同步表情及云文档...(%1 / %2)").arg(done_).arg(total_));
}

void sync_data_widget::task_finished(QString) {
    since_last_byte_.start();
    advance_download();
}

void sync_data_widget::task_failed(QString uri, QString err) {
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

void sync_data_widget::all_tasks_finished() {
    spdlog::info("all download tasks finished");
    finish_downloads();
}

void sync_data_widget::finish_downloads() {
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
    emit request_finished();
}

QSet<QString> sync_data_widget::referenced_files() const {
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

void sync_data_widget::on_data_sync_finished() {
    if (finished_)
        return;
    finished_ = true;
    stop_->setEnabled(false);
    // Where a slow start goes: the three phases in one line.
    spdlog::info("sync phases: queries {} ms, hash checks {} ms, downloads {} ms", queries_ms_,
                 hashes_ms_, clock_.elapsed() - queries_ms_ - hashes_ms_);
    emit synchronised(records_complete());
    if (main_window_factory())
        if (QWidget* window = main_window_factory()())
            window->show();
    close();
}

} // namespace quorvel
