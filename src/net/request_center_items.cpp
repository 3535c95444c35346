// Stickers, phrases, quick replies, cloud documents and the client endpoints.
#include "net/request_center.h"

#include "model/data_center.h"
#include "protocol/protocol.h"

namespace quorvel {

// ---- stickers ----

void request_center::query_stickers(const json_map_t& params, QObject* context,
                                    std::function<void(const sticker_list_t&)> ok,
                                    failure_cb fail) {
    run(requests::query_stickers, payload_t::fields(params), context, std::move(ok),
        std::move(fail));
}

void request_center::update_sticker(const json_map_t& params, QObject* context,
                                    std::function<void(const sticker_node_spt&)> ok,
                                    failure_cb fail) {
    run(requests::update_sticker, payload_t::fields(params), context, std::move(ok),
        std::move(fail));
}

void request_center::add_sticker(const json_map_t& params, QObject* context,
                                 std::function<void(const sticker_node_spt&)> ok, failure_cb fail) {
    run(requests::add_sticker, payload_t::fields(params), context, std::move(ok), std::move(fail));
}

// ---- phrases and quick replies ----

void request_center::create_phrase(const json_map_t& params, QObject* context,
                                   std::function<void(const phrase_node_spt&)> ok,
                                   failure_cb fail) {
    run<phrase_node_spt>(
        requests::create_phrase, payload_t::fields(params), context,
        [ok = std::move(ok)](const phrase_node_spt& phrase) {
            data_center::instance().put_phrase(phrase);
            ok(phrase);
        },
        std::move(fail));
}

void request_center::delete_phrase(const json_map_t& params, QObject* context, done_cb ok,
                                   failure_cb fail) {
    run(requests::delete_phrase, payload_t::query_items(params), context,
        ignoring_result(std::move(ok)), std::move(fail));
}

void request_center::sort_phrases(const QStringList& phrase_ids, QObject* context,
                                  std::function<void(const phrase_map_t&)> ok, failure_cb fail) {
    run(requests::sort_phrases,
        payload_t::json(id_list_body(QStringLiteral("siblingIdsInNewOrder"), phrase_ids)), context,
        std::move(ok), std::move(fail));
}

void request_center::save_quick_replies(const QStringList& script_ids, QObject* context, done_cb ok,
                                        failure_cb fail) {
    run(requests::save_quick_replies,
        payload_t::json(id_list_body(QStringLiteral("speechIdList"), script_ids)), context,
        ignoring_result(std::move(ok)), std::move(fail));
}

void request_center::query_quick_replies(QObject* context,
                                         std::function<void(const quick_reply_map_t&)> ok,
                                         failure_cb fail) {
    run(requests::query_quick_replies, payload_t::none(), context, std::move(ok), std::move(fail));
}

// ---- cloud documents ----

void request_center::save_doc(const QByteArray& body, QObject* context, done_cb ok,
                              failure_cb fail) {
    run(requests::save_doc, payload_t::json(body), context, ignoring_result(std::move(ok)),
        std::move(fail));
}

void request_center::query_docs(const json_map_t& params, QObject* context,
                                std::function<void(const docs_by_category_t&)> ok,
                                failure_cb fail) {
    run(requests::query_docs, payload_t::fields(params), context, std::move(ok), std::move(fail));
}

void request_center::update_doc(const QByteArray& body, QObject* context,
                                std::function<void(const doc_node_spt&)> ok, failure_cb fail) {
    run(requests::update_doc, payload_t::json(body), context, std::move(ok), std::move(fail));
}

void request_center::transfer_doc(const json_map_t& params, QObject* context,
                                  std::function<void(const doc_node_spt&)> ok, failure_cb fail) {
    run(requests::transfer_doc, payload_t::fields(params), context, std::move(ok), std::move(fail));
}

void request_center::delete_doc(const json_map_t& params, QObject* context, done_cb ok,
                                failure_cb fail) {
    run(requests::delete_doc, payload_t::fields(params), context, ignoring_result(std::move(ok)),
        std::move(fail));
}

void request_center::search_docs(const QString& text, QObject* context,
                                 std::function<void(const doc_list_t&)> ok, failure_cb fail) {
    run(requests::search_docs, payload_t::fields(doc_search_fields(text)), context, std::move(ok),
        std::move(fail), text);
}

// ---- client ----

void request_center::check_version_update(bool intranet, QObject* context,
                                          std::function<void(const version_update_info_spt&)> ok,
                                          failure_cb fail) {
    run(requests::version_update, payload_t::query_items(version_query(intranet)), context,
        std::move(ok), std::move(fail));
}

void request_center::get_manage_page_url(bool intranet, QObject* context,
                                         std::function<void(const QString&)> ok, failure_cb fail) {
    run(requests::manage_page_url, payload_t::query_items(network_query(intranet)), context,
        std::move(ok), std::move(fail));
}

} // namespace quorvel
