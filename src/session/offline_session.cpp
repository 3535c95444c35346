#include "session/offline_session.h"

#include "model/data_center.h"
#include "model/record_json.h"
#include "model/session_state.h"
#include "net/connection_state.h"
#include "net/request_center.h"
#include "net/sign_in.h"
#include "session/session.h"
#include "sync/library_file.h"
#include "sync/library_saver.h"
#include "sync/library_sync.h"
#include "sync/password_hash.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QTimer>
#include <spdlog/spdlog.h>
#include <utility>

namespace quorvel {

namespace {

int first_retry_ms = 2000;
int max_retry_ms = 60000;
// A burst of store changes (a sort, a reload) is saved once.
constexpr int save_delay_ms = 300;

QString version_of(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

template <class Map>
void add_versions(QHash<QString, QString>& out, const QString& kind, const Map& items) {
    for (const auto& list : items)
        for (const auto& item : list)
            if (item)
                out.insert(kind + item->id, version_of(to_json(*item)));
}

// Every record the user sees, by kind and id, with its content.
QHash<QString, QString> versions(const data_center& store) {
    QHash<QString, QString> out;
    for (library_kind library : {library_kind::scripts, library_kind::stickers})
        for (int part = 0; part < protocol::part_count; ++part)
            for (const category_tree_t* tree : store.part_trees(library, part))
                for (const category_entry_t& entry : *tree)
                    if (entry.node)
                        out.insert(QStringLiteral("category:") + entry.node->id,
                                   version_of(to_json(*entry.node)));
    for (const category_entry_t& entry : store.doc_categories())
        if (entry.node)
            out.insert(QStringLiteral("category:") + entry.node->id,
                       version_of(to_json(*entry.node)));
    add_versions(out, QStringLiteral("script:"), store.scripts_by_category());
    add_versions(out, QStringLiteral("sticker:"), store.stickers_by_category());
    add_versions(out, QStringLiteral("doc:"), store.docs_by_category());
    for (const phrase_node_spt& p : store.phrases())
        if (p)
            out.insert(QStringLiteral("phrase:") + p->id, version_of(to_json(*p)));
    return out;
}

// "话术 新增 1、修改 2" and the like for each kind that changed.
QString describe_changes(const QHash<QString, QString>& before,
                         const QHash<QString, QString>& after) {
    const QList<QPair<QString, QString>> kinds = {{"category:", "分类"},
                                                  {"script:", "话术"},
                                                  {"sticker:", "表情"},
                                                  {"doc:", "云文档"},
                                                  {"phrase:", "短语"}};
    QStringList parts;
    for (const auto& [prefix, name] : kinds) {
        int added = 0, changed = 0, removed = 0;
        for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
            if (!it.key().startsWith(prefix))
                continue;
            const auto old = before.constFind(it.key());
            if (old == before.constEnd())
                ++added;
            else if (old.value() != it.value())
                ++changed;
        }
        for (auto it = before.constBegin(); it != before.constEnd(); ++it)
            if (it.key().startsWith(prefix) && !after.contains(it.key()))
                ++removed;
        QStringList counts;
        if (added)
            counts << QStringLiteral("新增 %1").arg(added);
        if (changed)
            counts << QStringLiteral("修改 %1").arg(changed);
        if (removed)
            counts << QStringLiteral("删除 %1").arg(removed);
        if (!counts.isEmpty())
            parts << name + QLatin1Char(' ') + counts.join(QStringLiteral("、"));
    }
    return parts.isEmpty() ? QStringLiteral("资料没有变化") : parts.join(QStringLiteral("；"));
}

} // namespace

offline_session& offline_session::instance() {
    static offline_session* session = new offline_session;
    return *session;
}

offline_session::offline_session()
    : save_timer_(new QTimer(this)), retry_timer_(new QTimer(this)),
      saver_(new library_saver(this)) {
    connect(saver_, &library_saver::finished, this, [this](bool ok) {
        if (ok)
            emit saved();
    });
    save_timer_->setSingleShot(true);
    save_timer_->setInterval(save_delay_ms);
    connect(save_timer_, &QTimer::timeout, this, &offline_session::save_now);
    retry_timer_->setSingleShot(true);
    connect(retry_timer_, &QTimer::timeout, this, &offline_session::try_server);
    connect(&data_center::instance(), &data_center::changed, this,
            &offline_session::on_store_changed);
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &offline_session::flush);
}

void offline_session::set_retry_delays(int first_ms, int max_ms) {
    first_retry_ms = first_ms;
    max_retry_ms = max_ms;
    // A pending retry follows the new delays at once.
    offline_session& session = instance();
    session.retry_delay_ms_ = first_ms;
    if (session.retry_timer_->isActive())
        session.retry_timer_->start(first_ms);
}

void offline_session::remember_login(const QString& account, const QString& password) {
    account_ = account;
    const QString hash = hash_password(password);
    if (hash.isEmpty() || !library_file(library_file::path_for(account)).set_password_hash(hash))
        spdlog::warn("offline login for this account not possible: password hash not stored");
}

offline_session::access offline_session::check(const QString& account,
                                               const QString& password) const {
    const library_file file(library_file::path_for(account));
    if (!file.has_library())
        return access::no_library;
    if (file.account() != account) {
        spdlog::warn("offline library refused: it was saved for another account");
        return access::other_account;
    }
    return password_matches(password, file.password_hash()) ? access::allowed
                                                            : access::wrong_password;
}

bool offline_session::start_offline(const QString& account, const QString& password) {
    const library_file file(library_file::path_for(account));
    data_center& store = data_center::instance();
    if (file.account() != account) {
        spdlog::warn("offline library refused: it was saved for another account");
        return false;
    }
    watching_ = false;
    store.clear();
    if (!file.load_into(store)) {
        spdlog::warn("offline library not readable, reason: {}", file.last_error().toStdString());
        return false;
    }
    if (session_state::instance().account() != account) {
        spdlog::warn("offline library refused: its profile is another account's");
        store.clear();
        return false;
    }
    spdlog::info("offline login from the library saved at {}", file.saved_at().toStdString());
    account_ = account;
    password_ = password;
    connection_state::instance().set_offline(true);
    retry_delay_ms_ = first_retry_ms;
    schedule_retry();
    return true;
}

void offline_session::watch(library_sync* sync) {
    watching_ = false; // the synchronisation fills the store
    connect(sync, &library_sync::finished, this, &offline_session::on_synchronised);
}

void offline_session::on_synchronised(bool complete) {
    if (!complete) {
        spdlog::info("offline library kept: the synchronisation was incomplete");
        return;
    }
    watching_ = true;
    save_now();
}

void offline_session::follow(session* owner) {
    session_ = owner;
    connect(owner, &session::synchronisation_started, this, [this](library_sync* sync) {
        watch(sync);
        if (!std::exchange(returning_, false))
            return;
        connect(sync, &library_sync::finished, this, [this] {
            summary_ = describe_changes(before_, versions(data_center::instance()));
            spdlog::info("back online, library changes: {}", summary_.toStdString());
            emit reconnected(summary_);
        });
    });
    connect(owner, &session::main_window_closed_for_sync, this, &offline_session::prepare_return);
}

void offline_session::prepare_return() {
    if (!returning_)
        return;
    data_center& store = data_center::instance();
    const QString token = session_state::instance().token();
    const user_login_info_spt profile = session_state::instance().login_user();
    store.clear();
    session_state::instance().set_token(token);
    session_state::instance().set_login_user(profile);
    password_.clear();
    connection_state::instance().set_offline(false);
}

void offline_session::flush() {
    if (save_timer_->isActive())
        save_now();
    saver_->wait();
}

void offline_session::on_store_changed() {
    if (watching_ && !connection_state::instance().offline())
        save_timer_->start();
}

void offline_session::save_now() {
    save_timer_->stop();
    // A cleared store (logout, a failed login) or another account's library must never
    // overwrite the saved one: it is what the next offline start shows.
    const QString& account = session_state::instance().account();
    if (account.isEmpty() || (!account_.isEmpty() && account != account_))
        return;
    // Taken here, written on the saver's thread while the store changes on.
    saver_->save(library_file::path_for(account), library_snapshot::of(data_center::instance()));
}

void offline_session::schedule_retry() {
    spdlog::info("trying the server again in {} ms", retry_delay_ms_);
    retry_timer_->start(retry_delay_ms_);
    retry_delay_ms_ = qMin(retry_delay_ms_ * 2, max_retry_ms);
}

void offline_session::try_server() {
    if (!connection_state::instance().offline())
        return;
    sign_in(account_, password_, this, [this](const login_outcome_t& outcome) {
        if (outcome.failure == login_failure::wrong_credentials) {
            // The password changed on the server: only the user can go on.
            spdlog::warn("server back, but the offline password is refused; staying offline");
            summary_ = QStringLiteral("服务器已恢复，但密码已更改，请退出后重新登录");
            emit reconnected(summary_);
            return;
        }
        if (!outcome.ok()) {
            schedule_retry();
            return;
        }
        request_center::instance()->get_login_info(
            QString(), this,
            [this](const user_login_info_spt& profile) {
                session_state::instance().set_login_user(profile);
                resynchronise();
            },
            [this](const QString&) { schedule_retry(); });
    });
}

void offline_session::resynchronise() {
    if (!session_) {
        spdlog::warn("server back, but no session to synchronise; staying offline");
        return;
    }
    before_ = versions(data_center::instance());
    returning_ = true;
    session_->server_back();
}

} // namespace quorvel
