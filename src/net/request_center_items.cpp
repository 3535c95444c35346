// Stickers, phrases, quick replies, cloud documents and the client endpoints.
#include "net/request_center.h"

#include "net/operation_helpers.h"

#include "model/data_center.h"
#include "net/base_url.h"
#include "net/envelope.h"

namespace quorvel {

using namespace operation;

// ---- stickers ----

void request_center::query_stickers(const json_map_t& params, QObject* context,
                                    std::function<void(const sticker_list_t&)> ok,
                                    failure_cb fail) {
    operation_t<sticker_list_t> op;
    op.call = post_map("/tavorine/clientKb/queryEmoji", params);
    op.begin_log = "query sticker begin";
    op.check = check_sticker_list;
    op.log_success = log_fixed<sticker_list_t>("query sticker success");
    op.failure_log = "query sticker failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

void request_center::update_sticker(const json_map_t& params, QObject* context,
                                    std::function<void(const sticker_node_spt&)> ok,
                                    failure_cb fail) {
    operation_t<sticker_node_spt> op;
    op.call = post_map("/tavorine/clientKb/editEmoji", params);
    op.begin_log = "update sticker...";
    op.check = check_sticker_reply;
    op.log_success = log_fixed<sticker_node_spt>("update sticker success");
    op.failure_log = "update sticker failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

void request_center::add_sticker(const json_map_t& params, QObject* context,
                                 std::function<void(const sticker_node_spt&)> ok, failure_cb fail) {
    operation_t<sticker_node_spt> op;
    op.call = post_map("/tavorine/clientKb/createEmoji", params);
    op.begin_log = "add sticker...";
    op.check = check_sticker_reply;
    op.log_success = log_fixed<sticker_node_spt>("add sticker success");
    op.failure_log = "add sticker failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

// ---- phrases and quick replies ----

void request_center::create_phrase(const json_map_t& params, QObject* context,
                                   std::function<void(const phrase_node_spt&)> ok,
                                   failure_cb fail) {
    operation_t<phrase_node_spt> op;
    op.call = post_map("/tavorine/clientPhrase/add", params);
    op.begin_log = "create phrase...";
    op.check = check_phrase_reply;
    op.log_success = log_fixed<phrase_node_spt>("create phrase success");
    op.failure_log = "create phrase failed, reason: {}";
    run<phrase_node_spt>(
        op, context,
        [ok = std::move(ok)](const phrase_node_spt& phrase) {
            data_center::instance().put_phrase(phrase);
            ok(phrase);
        },
        std::move(fail));
}

void request_center::delete_phrase(const json_map_t& params, QObject* context, done_cb ok,
                                   failure_cb fail) {
    operation_t<no_result_t> op;
    op.call = {QStringLiteral("/tavorine/clientPhrase/del"), false, params, {}, true};
    op.begin_log = "delete phrase...";
    op.check = check_code_reply;
    op.log_success = log_line("delete phrase success");
    op.failure_log = "delete phrase failed, reason: {}";
    op.failure_with = failure_arg::message;
    run(op, context, ignore_result(std::move(ok)), std::move(fail));
}

void request_center::sort_phrases(const QStringList& phrase_ids, QObject* context,
                                  std::function<void(const phrase_map_t&)> ok, failure_cb fail) {
    operation_t<phrase_map_t> op;
    op.call = post_json("/tavorine/clientPhrase/sort",
                        id_list_body(QStringLiteral("siblingIdsInNewOrder"), phrase_ids));
    op.begin_log = "sort phrase...";
    op.check = check_phrase_list;
    op.log_success = log_fixed<phrase_map_t>("sort phrase success");
    op.failure_log = "sort phrase failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

void request_center::save_quick_replies(const QStringList& script_ids, QObject* context, done_cb ok,
                                        failure_cb fail) {
    operation_t<no_result_t> op;
    op.call = post_json("/tavorine/clientOperateHabit/saveQuickReply",
                        id_list_body(QStringLiteral("speechIdList"), script_ids));
    op.begin_log = "quick reply save...";
    op.check = check_code_reply;
    op.log_success = log_line("quick reply save success");
    op.failure_log = "save quick reply failed, reason: {}";
    op.failure_with = failure_arg::message;
    run(op, context, ignore_result(std::move(ok)), std::move(fail));
}

void request_center::query_quick_replies(QObject* context,
                                         std::function<void(const quick_reply_map_t&)> ok,
                                         failure_cb fail) {
    operation_t<quick_reply_map_t> op;
    op.call = {
        QStringLiteral("/tavorine/clientOperateHabit/getQuickReplySpeech"), false, {}, {}, true};
    op.begin_log = "query quick reply...";
    op.check = check_quick_reply_list;
    op.log_success = log_fixed<quick_reply_map_t>("query quick reply success");
    op.failure_log = "query quick reply failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

// ---- cloud documents ----

void request_center::save_doc(const QByteArray& body, QObject* context, done_cb ok,
                              failure_cb fail) {
    operation_t<no_result_t> op;
    op.call = post_json("/tavorine/clientKb/createFile", body);
    op.begin_log = "save doc...";
    op.check = check_code_reply;
    op.log_success = log_line("save doc success");
    op.failure_log = "save doc failed, reason: {}";
    op.failure_with = failure_arg::message;
    run(op, context, ignore_result(std::move(ok)), std::move(fail));
}

void request_center::query_docs(const json_map_t& params, QObject* context,
                                std::function<void(const docs_by_category_t&)> ok,
                                failure_cb fail) {
    operation_t<docs_by_category_t> op;
    op.call = post_map("/tavorine/clientKb/queryFile", params);
    op.begin_log = "query doc...";
    op.check = check_doc_list;
    op.log_success = log_fixed<docs_by_category_t>("query doc success");
    op.failure_log = "query doc failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

void request_center::update_doc(const QByteArray& body, QObject* context,
                                std::function<void(const doc_node_spt&)> ok, failure_cb fail) {
    operation_t<doc_node_spt> op;
    op.call = post_json("/tavorine/clientKb/editFile", body);
    op.begin_log = "update doc...";
    op.check = check_doc_reply;
    op.log_success = log_fixed<doc_node_spt>("update doc success");
    op.failure_log = "update doc failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

void request_center::transfer_doc(const json_map_t& params, QObject* context,
                                  std::function<void(const doc_node_spt&)> ok, failure_cb fail) {
    operation_t<doc_node_spt> op;
    op.call = post_map("/tavorine/clientKb/editFile", params);
    op.begin_log = "transfer doc...";
    op.check = check_doc_reply;
    op.log_success = log_fixed<doc_node_spt>("transfer doc success");
    op.failure_log = "transfer doc failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

void request_center::delete_doc(const json_map_t& params, QObject* context, done_cb ok,
                                failure_cb fail) {
    operation_t<no_result_t> op;
    op.call = post_map("/tavorine/clientKb/editFile", params);
    op.begin_log = "delete doc...";
    op.check = check_code_reply;
    op.log_success = log_line("delete doc success");
    op.failure_log = "delete doc failed, reason: {}";
    op.failure_with = failure_arg::message;
    run(op, context, ignore_result(std::move(ok)), std::move(fail));
}

void request_center::search_docs(const QString& text, QObject* context,
                                 std::function<void(const doc_list_t&)> ok, failure_cb fail) {
    const json_map_t params{
        {"classifyId", ""}, {"deptId", ""},     {"account", data_center::instance().account()},
        {"fileName", ""},   {"fileSuffix", ""}, {"fileType", "0"},
        {"taskId", ""},     {"keywords", text}, {"customShortcuts", ""}};
    spdlog::info("search doc {}...", text.toStdString());
    operation_t<doc_list_t> op;
    op.call = post_map("/tavorine/clientKb/queryFile", params);
    op.check = check_doc_search;
    op.log_success = [](const doc_list_t& docs) {
        spdlog::info("search doc success with {} result", docs.size());
    };
    op.failure_log = "search doc failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

// ---- client ----

void request_center::check_version_update(bool intranet, QObject* context,
                                          std::function<void(const version_update_info_spt&)> ok,
                                          failure_cb fail) {
    operation_t<version_update_info_spt> op;
    op.call = {QStringLiteral("/tavorine/clientGeneral/checkVersionUpdate"),
               false,
               {{QStringLiteral("requestNetworkType"), network_type(intranet)}},
               {},
               true};
    op.begin_log = "check update...";
    op.check = quorvel::check_version_update;
    op.log_success = [](const version_update_info_spt& info) {
        spdlog::info("check update success with version {}", info->latestVersion.toStdString());
    };
    op.failure_log = "check update failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

void request_center::get_manage_page_url(bool intranet, QObject* context,
                                         std::function<void(const QString&)> ok, failure_cb fail) {
    operation_t<QString> op;
    op.call = {QStringLiteral("/tavorine/clientGeneral/generatedVisitAddress"),
               false,
               {{QStringLiteral("requestNetworkType"), network_type(intranet)}},
               {},
               true};
    op.begin_log = "get visit url...";
    op.check = check_manage_page;
    op.log_success = [](const QString& url) {
        spdlog::info("get visit url success {}", url.toStdString());
    };
    op.failure_log = "get manage page failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

} // namespace quorvel
