#pragma once

#include "net/http_call.h"
#include "net/http_worker.h"
#include "net/reply_checks.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <spdlog/spdlog.h>
#include <string>

namespace quorvel {

using failure_cb = std::function<void(const QString&)>;
using done_cb = std::function<void()>;
using json_map_t = QMap<QString, QString>;

// Every asynchronous backend operation. Each runs its exchange on a thread of
// its own and calls exactly one of its callbacks on the context object's
// thread, or none when the context is destroyed first.
class request_center : public QObject {
    Q_OBJECT
public:
    static request_center* instance();

    // Login and account.
    void login(const json_map_t& params, QObject* context, done_cb ok, failure_cb fail);
    void get_login_info(const QString& account, QObject* context,
                        std::function<void(const user_login_info_spt&)> ok, failure_cb fail);

    // Categories and scripts.
    void update_category(const json_map_t& params, QObject* context,
                         std::function<void(const category_node_spt&)> ok, failure_cb fail);
    void update_category_json(const QByteArray& body, QObject* context,
                              std::function<void(const category_node_spt&)> ok, failure_cb fail);
    void delete_category(const json_map_t& params, QObject* context, done_cb ok, failure_cb fail);
    void sort_category(const QString& id, const QString& new_parent_id,
                       const QStringList& sibling_ids, QObject* context, done_cb ok,
                       failure_cb fail);
    void query_sub_categories(const json_map_t& params, QObject* context,
                              std::function<void(const category_tree_t&)> ok, failure_cb fail);
    void create_category(const json_map_t& params, QObject* context,
                         std::function<void(const category_node_spt&)> ok, failure_cb fail);
    void query_scripts(const json_map_t& params, QObject* context,
                       std::function<void(const script_list_t&)> ok, failure_cb fail);
    void create_script(const json_map_t& params, QObject* context,
                       std::function<void(const script_node_spt&)> ok, failure_cb fail);
    void update_script(const json_map_t& params, QObject* context,
                       std::function<void(const script_node_spt&)> ok, failure_cb fail);
    void transfer_script(const json_map_t& params, QObject* context, done_cb ok, failure_cb fail);
    void move_script(const QString& id, const QString& new_category_id,
                     const QStringList& sibling_ids, QObject* context, done_cb ok, failure_cb fail);
    void delete_script(const json_map_t& params, QObject* context, done_cb ok, failure_cb fail);

    // Stickers, phrases, quick replies.
    void query_stickers(const json_map_t& params, QObject* context,
                        std::function<void(const sticker_list_t&)> ok, failure_cb fail);
    void update_sticker(const json_map_t& params, QObject* context,
                        std::function<void(const sticker_node_spt&)> ok, failure_cb fail);
    void add_sticker(const json_map_t& params, QObject* context,
                     std::function<void(const sticker_node_spt&)> ok, failure_cb fail);
    void create_phrase(const json_map_t& params, QObject* context,
                       std::function<void(const phrase_node_spt&)> ok, failure_cb fail);
    void delete_phrase(const json_map_t& params, QObject* context, done_cb ok, failure_cb fail);
    void sort_phrases(const QStringList& phrase_ids, QObject* context,
                      std::function<void(const phrase_map_t&)> ok, failure_cb fail);
    void save_quick_replies(const QStringList& script_ids, QObject* context, done_cb ok,
                            failure_cb fail);
    void query_quick_replies(QObject* context, std::function<void(const quick_reply_map_t&)> ok,
                             failure_cb fail);

    // Cloud documents.
    void save_doc(const QByteArray& body, QObject* context, done_cb ok, failure_cb fail);
    void query_docs(const json_map_t& params, QObject* context,
                    std::function<void(const docs_by_category_t&)> ok, failure_cb fail);
    void update_doc(const QByteArray& body, QObject* context,
                    std::function<void(const doc_node_spt&)> ok, failure_cb fail);
    void transfer_doc(const json_map_t& params, QObject* context,
                      std::function<void(const doc_node_spt&)> ok, failure_cb fail);
    void delete_doc(const json_map_t& params, QObject* context, done_cb ok, failure_cb fail);
    void search_docs(const QString& text, QObject* context,
                     std::function<void(const doc_list_t&)> ok, failure_cb fail);

    // Client.
    void check_version_update(bool intranet, QObject* context,
                              std::function<void(const version_update_info_spt&)> ok,
                              failure_cb fail);
    void get_manage_page_url(bool intranet, QObject* context,
                             std::function<void(const QString&)> ok, failure_cb fail);

    // How a reply's failure is logged: the raw body or the check's message.
    enum class failure_arg { raw_body, message };

    template <class T> struct operation_t {
        http_call_t call;
        std::string begin_log; // info; empty: none
        std::function<parsed_t<T>(const QByteArray&)> check;
        std::function<void(const T&)> log_success; // empty: none
        std::string failure_log;                   // one "{}"; empty: none
        failure_arg failure_with = failure_arg::raw_body;
    };

    // The road of every asynchronous request.
    template <class T>
    void run(operation_t<T> op, QObject* context, std::function<void(const T&)> ok,
             failure_cb fail);

private:
    request_center() = default;
};

// A fixed success line at a level.
inline std::function<void(const no_result_t&)>
log_line(const char* text, spdlog::level::level_enum level = spdlog::level::info) {
    return [text, level](const no_result_t&) { spdlog::log(level, text); };
}

template <class T>
void request_center::run(operation_t<T> op, QObject* context, std::function<void(const T&)> ok,
                         failure_cb fail) {
    if (!op.begin_log.empty())
        spdlog::info(op.begin_log);
    auto* worker = new http_worker(context);
    connect(worker, &http_worker::request_finished, context,
            [worker, op, ok = std::move(ok), fail = std::move(fail)](const QByteArray& body) {
                worker->deleteLater();
                parsed_t<T> result = op.check(body);
                if (result.ok) {
                    if (op.log_success)
                        op.log_success(result.value);
                    ok(result.value);
                    return;
                }
                if (!op.failure_log.empty())
                    spdlog::warn(fmt::runtime(op.failure_log),
                                 op.failure_with == failure_arg::raw_body
                                     ? QString::fromUtf8(body).toStdString()
                                     : result.message.toStdString());
                fail(result.message);
            });
    worker->start([call = op.call] {
        http_client client;
        return perform(client, call);
    });
}

} // namespace quorvel
