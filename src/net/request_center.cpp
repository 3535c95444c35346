// Login, categories and scripts.
#include "net/request_center.h"

#include "model/data_center.h"
#include "model/session_state.h"

namespace quorvel {

request_center* request_center::instance() {
    static request_center* center = new request_center();
    return center;
}

// ---- login ----

void request_center::login(const json_map_t& params, QObject* context, done_cb ok,
                           failure_cb fail) {
    run<QString>(
        requests::login, payload_t::fields(params), context,
        [ok = std::move(ok)](const QString& token) {
            session_state::instance().set_token(token);
            ok();
        },
        std::move(fail));
}

void request_center::get_login_info(const QString& account, QObject* context,
                                    std::function<void(const user_login_info_spt&)> ok,
                                    failure_cb fail) {
    string_map_t query;
    if (!account.isEmpty())
        query.insert(QStringLiteral("account"), account);
    run(requests::login_info, payload_t::query_items(query), context, std::move(ok),
        std::move(fail));
}

// ---- categories ----

void request_center::update_category(const json_map_t& params, QObject* context,
                                     std::function<void(const category_node_spt&)> ok,
                                     failure_cb fail) {
    run(requests::update_category, payload_t::fields(params), context, std::move(ok),
        std::move(fail));
}

void request_center::update_category_json(const QByteArray& body, QObject* context,
                                          std::function<void(const category_node_spt&)> ok,
                                          failure_cb fail) {
    run(requests::update_category_json, payload_t::json(body), context, std::move(ok),
        std::move(fail));
}

void request_center::delete_category(const json_map_t& params, QObject* context, done_cb ok,
                                     failure_cb fail) {
    run<category_node_spt>(
        requests::delete_category, payload_t::fields(params), context,
        [ok = std::move(ok)](const category_node_spt&) { ok(); }, std::move(fail));
}

void request_center::sort_category(const QString& id, const QString& new_parent_id,
                                   const QStringList& sibling_ids, QObject* context, done_cb ok,
                                   failure_cb fail) {
    run(requests::sort_category,
        payload_t::json(sort_body(id, "newSuperId", new_parent_id, sibling_ids)), context,
        ignoring_result(std::move(ok)), std::move(fail));
}

void request_center::query_sub_categories(const json_map_t& params, QObject* context,
                                          std::function<void(const category_tree_t&)> ok,
                                          failure_cb fail) {
    run(requests::query_sub_categories, payload_t::fields(params), context, std::move(ok),
        std::move(fail));
}

void request_center::create_category(const json_map_t& params, QObject* context,
                                     std::function<void(const category_node_spt&)> ok,
                                     failure_cb fail) {
    run(requests::create_category, payload_t::fields(params), context, std::move(ok),
        std::move(fail));
}

// ---- scripts ----

void request_center::query_scripts(const json_map_t& params, QObject* context,
                                   std::function<void(const script_list_t&)> ok, failure_cb fail) {
    run(requests::query_scripts, payload_t::fields(params), context, std::move(ok),
        std::move(fail));
}

void request_center::create_script(const json_map_t& params, QObject* context,
                                   std::function<void(const script_node_spt&)> ok,
                                   failure_cb fail) {
    run<script_node_spt>(
        requests::create_script, payload_t::fields(params), context,
        [ok = std::move(ok)](const script_node_spt& script) {
            data_center::instance().add_script(script);
            ok(script);
        },
        std::move(fail));
}

void request_center::update_script(const json_map_t& params, QObject* context,
                                   std::function<void(const script_node_spt&)> ok,
                                   failure_cb fail) {
    run<script_node_spt>(
        requests::update_script, payload_t::fields(params), context,
        [ok = std::move(ok)](const script_node_spt& script) {
            ok(data_center::instance().update_script(script)); // the stored record, or null
        },
        std::move(fail));
}

void request_center::transfer_script(const json_map_t& params, QObject* context, done_cb ok,
                                     failure_cb fail) {
    run(requests::transfer_script, payload_t::fields(params), context,
        ignoring_result(std::move(ok)), std::move(fail));
}

void request_center::move_script(const QString& id, const QString& new_category_id,
                                 const QStringList& sibling_ids, QObject* context, done_cb ok,
                                 failure_cb fail) {
    run(requests::move_script,
        payload_t::json(sort_body(id, "newClassifyId", new_category_id, sibling_ids)), context,
        ignoring_result(std::move(ok)), std::move(fail));
}

void request_center::delete_script(const json_map_t& params, QObject* context, done_cb ok,
                                   failure_cb fail) {
    run(requests::delete_script, payload_t::fields(params), context, ignoring_result(std::move(ok)),
        std::move(fail));
}

} // namespace quorvel
