#pragma once

#include "net/http_call.h"
#include "net/http_worker.h"
#include "net/reply_checks.h"
#include "net/request_table.h"

#include <QObject>
#include <QPointer>
#include <functional>

namespace quorvel {

using failure_cb = std::function<void(const QString&)>;
using done_cb = std::function<void()>;

// A success callback for operations whose reply carries nothing the caller needs.
inline std::function<void(const no_result_t&)> ignoring_result(done_cb ok) {
    return [ok = std::move(ok)](const no_result_t&) { ok(); };
}

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

    // The road of every asynchronous request: the table's entry with this
    // call's payload. begin_detail fills the begin line's "{}" when it has one.
    template <class T>
    void run(const request_entry_t<T>& entry, payload_t payload, QObject* context,
             std::function<void(const T&)> ok, failure_cb fail, const QString& begin_detail = {});

private:
    request_center() = default;
};

template <class T>
void request_center::run(const request_entry_t<T>& entry, payload_t payload, QObject* context,
                         std::function<void(const T&)> ok, failure_cb fail,
                         const QString& begin_detail) {
    log_request_begin(entry, begin_detail);
    auto* worker = new http_worker(context);
    connect(worker, &http_worker::request_finished, context,
            [worker, entry, ok = std::move(ok), fail = std::move(fail)](const QByteArray& body) {
                worker->deleteLater();
                const parsed_t<T> result = entry.check(body);
                log_request_outcome(entry, result, body);
                if (result.ok)
                    ok(result.value);
                else
                    fail(result.message);
            });
    worker->start([endpoint = entry.endpoint, payload = std::move(payload)] {
        http_client client;
        return perform(client, endpoint, payload);
    });
}

} // namespace quorvel
