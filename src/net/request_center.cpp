// Login, categories and scripts.
#include "net/request_center.h"

#include "net/operation_helpers.h"

#include "model/data_center.h"
#include "net/envelope.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quorvel {

using namespace operation;

namespace {

// {"id", parent key, "siblingIdsInNewOrder": [...]}
QByteArray sort_body(const QString& id, const char* parent_key, const QString& parent,
                     const QStringList& siblings) {
    QJsonArray order;
    for (const QString& s : siblings)
        order.append(s);
    return QJsonDocument(QJsonObject{{"id", id},
                                     {QLatin1String(parent_key), parent},
                                     {"siblingIdsInNewOrder", order}})
        .toJson(QJsonDocument::Indented);
}

} // namespace

request_center* request_center::instance() {
    static request_center* center = new request_center();
    return center;
}

// ---- login ----

void request_center::login(const json_map_t& params, QObject* context, done_cb ok,
                           failure_cb fail) {
    operation_t<QString> op;
    op.call = {QStringLiteral("/tavorine/loginAccount/logInCrm"),
               true,
               {},
               map_to_json_body(params),
               false};
    op.begin_log = "login begin...";
    op.check = [](const QByteArray& body) {
        parsed_t<QString> result = check_login_reply(body);
        if (result.ok)
            data_center::instance().set_token(result.value);
        return result;
    };
    op.log_success = log_fixed<QString>("login success");
    op.failure_log = "login failed, reason: {}";
    run<QString>(
        op, context, [ok = std::move(ok)](const QString&) { ok(); }, std::move(fail));
}

void request_center::get_login_info(const QString& account, QObject* context,
                                    std::function<void(const user_login_info_spt&)> ok,
                                    failure_cb fail) {
    operation_t<user_login_info_spt> op;
    op.call = {QStringLiteral("/tavorine/loginAccount/getLoginUserData"), false, {}, {}, true};
    if (!account.isEmpty())
        op.call.query.insert(QStringLiteral("account"), account);
    op.begin_log = "get login info";
    op.check = check_login_info_reply;
    op.log_success = log_fixed<user_login_info_spt>("get login info success");
    op.failure_log = "get login info failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

// ---- categories ----

void request_center::update_category(const json_map_t& params, QObject* context,
                                     std::function<void(const category_node_spt&)> ok,
                                     failure_cb fail) {
    operation_t<category_node_spt> op;
    op.call = post_map("/tavorine/clientKb/editClassify", params);
    op.begin_log = "send update category request";
    op.check = check_category_reply;
    op.log_success = log_fixed<category_node_spt>("update category success", spdlog::level::warn);
    op.failure_log = "update category failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

void request_center::update_category_json(const QByteArray& body, QObject* context,
                                          std::function<void(const category_node_spt&)> ok,
                                          failure_cb fail) {
    operation_t<category_node_spt> op;
    op.call = {QStringLiteral("/tavorine/clientKb/editClassify"), true, {}, body, true};
    op.begin_log = "send update category request";
    op.check = check_category_reply;
    op.log_success = log_fixed<category_node_spt>("update category finished");
    op.failure_log = "update category failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

void request_center::delete_category(const json_map_t& params, QObject* context, done_cb ok,
                                     failure_cb fail) {
    operation_t<category_node_spt> op;
    op.call = post_map("/tavorine/clientKb/editClassify", params);
    op.begin_log = "send delete category request";
    op.check = check_category_reply;
    op.log_success = log_fixed<category_node_spt>("delete category finished");
    op.failure_log = "delete category failed, reason: {}";
    run<category_node_spt>(
        op, context, [ok = std::move(ok)](const category_node_spt&) { ok(); }, std::move(fail));
}

void request_center::sort_category(const QString& id, const QString& new_parent_id,
                                   const QStringList& sibling_ids, QObject* context, done_cb ok,
                                   failure_cb fail) {
    operation_t<no_result_t> op;
    op.call = {QStringLiteral("/tavorine/clientKb/updateClassifySort"),
               true,
               {},
               sort_body(id, "newSuperId", new_parent_id, sibling_ids),
               true};
    op.begin_log = "sort category...";
    op.check = check_code_reply;
    op.log_success = log_line("sort category success");
    op.failure_log = "sort category failed, reason: {}";
    op.failure_with = failure_arg::message;
    run(op, context, ignore_result(std::move(ok)), std::move(fail));
}

void request_center::query_sub_categories(const json_map_t& params, QObject* context,
                                          std::function<void(const category_tree_t&)> ok,
                                          failure_cb fail) {
    operation_t<category_tree_t> op;
    op.call = post_map("/tavorine/clientKb/queryClassify", params);
    op.check = check_flat_category_list;
    op.failure_log = "sub category query failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

void request_center::create_category(const json_map_t& params, QObject* context,
                                     std::function<void(const category_node_spt&)> ok,
                                     failure_cb fail) {
    operation_t<category_node_spt> op;
    op.call = post_map("/tavorine/clientKb/createClassify", params);
    op.begin_log = "create category...";
    op.check = check_created_category_reply;
    op.log_success = log_fixed<category_node_spt>("create category success");
    op.failure_log = "create category failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

// ---- scripts ----

void request_center::query_scripts(const json_map_t& params, QObject* context,
                                   std::function<void(const script_list_t&)> ok, failure_cb fail) {
    operation_t<script_list_t> op;
    op.call = post_map("/tavorine/clientKb/querySpeech", params);
    op.begin_log = "query script...";
    op.check = check_script_list;
    op.log_success = log_fixed<script_list_t>("query script success");
    op.failure_log = "query script failed, reason: {}";
    run(op, context, std::move(ok), std::move(fail));
}

void request_center::create_script(const json_map_t& params, QObject* context,
                                   std::function<void(const script_node_spt&)> ok,
                                   failure_cb fail) {
    operation_t<script_node_spt> op;
    op.call = post_map("/tavorine/clientKb/createSpeech", params);
    op.begin_log = "create script...";
    op.check = check_script_reply;
    op.log_success = log_fixed<script_node_spt>("create script success");
    op.failure_log = "create script failed, reason: {}";
    run<script_node_spt>(
        op, context,
        [ok = std::move(ok)](const script_node_spt& script) {
            data_center::instance().add_script(script);
            ok(script);
        },
        std::move(fail));
}

void request_center::update_script(const json_map_t& params, QObject* context,
                                   std::function<void(const script_node_spt&)> ok,
                                   failure_cb fail) {
    operation_t<script_node_spt> op;
    op.call = post_map("/tavorine/clientKb/editSpeech", params);
    op.begin_log = "update script...";
    op.check = check_script_reply;
    op.log_success = log_fixed<script_node_spt>("update script success");
    op.failure_log = "update script failed, reason: {}";
    run<script_node_spt>(
        op, context,
        [ok = std::move(ok)](const script_node_spt& script) {
            ok(data_center::instance().update_script(script)); // the stored record, or null
        },
        std::move(fail));
}

void request_center::transfer_script(const json_map_t& params, QObject* context, done_cb ok,
                                     failure_cb fail) {
    operation_t<no_result_t> op;
    op.call = post_map("/tavorine/clientKb/editSpeech", params);
    op.begin_log = "transfer script...";
    op.check = check_code_reply;
    op.log_success = log_line("transfer script success");
    op.failure_log = "transfer script failed, reason: {}";
    op.failure_with = failure_arg::message;
    run(op, context, ignore_result(std::move(ok)), std::move(fail));
}

void request_center::move_script(const QString& id, const QString& new_category_id,
                                 const QStringList& sibling_ids, QObject* context, done_cb ok,
                                 failure_cb fail) {
    operation_t<no_result_t> op;
    op.call = {QStringLiteral("/tavorine/clientKb/updateSpeechSort"),
               true,
               {},
               sort_body(id, "newClassifyId", new_category_id, sibling_ids),
               true};
    op.begin_log = "move script...";
    op.check = check_code_reply;
    op.log_success = log_line("move script success");
    op.failure_log = "move script failed, reason: {}";
    op.failure_with = failure_arg::message;
    run(op, context, ignore_result(std::move(ok)), std::move(fail));
}

void request_center::delete_script(const json_map_t& params, QObject* context, done_cb ok,
                                   failure_cb fail) {
    operation_t<no_result_t> op;
    op.call = post_map("/tavorine/clientKb/editSpeech", params);
    op.begin_log = "delete script...";
    op.check = check_keys_reply;
    op.log_success = log_line("delete script success");
    op.failure_log = "delete script failed, reason: {}";
    run(op, context, ignore_result(std::move(ok)), std::move(fail));
}

} // namespace quorvel
