#pragma once

// The client's request table: every backend request once, with its endpoint,
// its reply check and the lines it logs. The asynchronous path
// (request_center) and the blocking path (blocking_requests) both take their
// requests from here and log through the same two functions.
#include "net/endpoints.h"
#include "net/http_call.h"
#include "net/reply_checks.h"

#include <spdlog/spdlog.h>
#include <string>

namespace quorvel {

// What the "{}" of a failure line carries.
enum class failure_arg { raw_body, message, none };

template <class T> struct request_entry_t {
    using check_t = parsed_t<T> (*)(const QByteArray&);
    using detail_t = std::string (*)(const T&);

    endpoint_t endpoint;
    check_t check = nullptr;
    const char* begin_line = nullptr; // info; empty: none
    bool begin_takes_detail = false;  // one "{}" for the caller's detail
    const char* success_line = nullptr;
    spdlog::level::level_enum success_level = spdlog::level::info;
    detail_t success_detail = nullptr; // fills the success line's "{}"
    const char* failure_line = nullptr;
    spdlog::level::level_enum failure_level = spdlog::level::warn;
    failure_arg failure_with = failure_arg::raw_body;

    constexpr request_entry_t logs_begin(const char* line) const {
        request_entry_t e = *this;
        e.begin_line = line;
        return e;
    }
    constexpr request_entry_t logs_begin_with_detail(const char* line) const {
        request_entry_t e = logs_begin(line);
        e.begin_takes_detail = true;
        return e;
    }
    constexpr request_entry_t
    logs_success(const char* line, spdlog::level::level_enum level = spdlog::level::info) const {
        request_entry_t e = *this;
        e.success_line = line;
        e.success_level = level;
        return e;
    }
    constexpr request_entry_t logs_success_with(const char* line, detail_t detail) const {
        request_entry_t e = logs_success(line);
        e.success_detail = detail;
        return e;
    }
    constexpr request_entry_t
    logs_failure(const char* line, failure_arg with = failure_arg::raw_body,
                 spdlog::level::level_enum level = spdlog::level::warn) const {
        request_entry_t e = *this;
        e.failure_line = line;
        e.failure_with = with;
        e.failure_level = level;
        return e;
    }
};

template <class T>
constexpr request_entry_t<T> request_to(const endpoint_t& endpoint,
                                        parsed_t<T> (*check)(const QByteArray&)) {
    request_entry_t<T> e;
    e.endpoint = endpoint;
    e.check = check;
    return e;
}

template <class T>
void log_request_begin(const request_entry_t<T>& entry, const QString& detail = {}) {
    if (!entry.begin_line)
        return;
    if (entry.begin_takes_detail)
        spdlog::info(fmt::runtime(entry.begin_line), detail.toStdString());
    else
        spdlog::info(entry.begin_line);
}

template <class T>
void log_request_outcome(const request_entry_t<T>& entry, const parsed_t<T>& result,
                         const QByteArray& body) {
    if (result.ok) {
        if (!entry.success_line)
            return;
        if (entry.success_detail)
            spdlog::log(entry.success_level, fmt::runtime(entry.success_line),
                        entry.success_detail(result.value));
        else
            spdlog::log(entry.success_level, entry.success_line);
        return;
    }
    if (!entry.failure_line)
        return;
    switch (entry.failure_with) {
    case failure_arg::raw_body:
        spdlog::log(entry.failure_level, fmt::runtime(entry.failure_line),
                    QString::fromUtf8(body).toStdString());
        break;
    case failure_arg::message:
        spdlog::log(entry.failure_level, fmt::runtime(entry.failure_line),
                    result.message.toStdString());
        break;
    case failure_arg::none:
        spdlog::log(entry.failure_level, entry.failure_line);
        break;
    }
}

// The blocking road: logs, exchanges on the caller's client, checks; on
// failure *message gets the check's message.
template <class T>
parsed_t<T> exchange(http_client& client, const request_entry_t<T>& entry, const payload_t& payload,
                     QString* message) {
    log_request_begin(entry);
    const QByteArray body = perform(client, entry.endpoint, payload);
    parsed_t<T> result = entry.check(body);
    log_request_outcome(entry, result, body);
    if (!result.ok)
        *message = result.message;
    return result;
}

namespace requests {

// Details of success lines.
inline std::string doc_count(const doc_list_t& docs) {
    return std::to_string(docs.size());
}
inline std::string latest_version(const version_update_info_spt& info) {
    return info->latestVersion.toStdString();
}
inline std::string address_text(const QString& url) {
    return url.toStdString();
}

// ---- login and profile ----

inline constexpr auto login = request_to(endpoints::login, check_login_reply)
                                  .logs_begin("login begin...")
                                  .logs_success("login success")
                                  .logs_failure("login failed, reason: {}");
inline constexpr auto login_info = request_to(endpoints::login_user_data, check_login_info_reply)
                                       .logs_begin("get login info")
                                       .logs_success("get login info success")
                                       .logs_failure("get login info failed, reason: {}");

// ---- categories ----

inline constexpr auto update_category =
    request_to(endpoints::edit_category, check_category_reply)
        .logs_begin("send update category request")
        .logs_success("update category success", spdlog::level::warn)
        .logs_failure("update category failed, reason: {}");
inline constexpr auto update_category_json =
    update_category.logs_success("update category finished");
inline constexpr auto delete_category = request_to(endpoints::edit_category, check_category_reply)
                                            .logs_begin("send delete category request")
                                            .logs_success("delete category finished")
                                            .logs_failure("delete category failed, reason: {}");
inline constexpr auto sort_category =
    request_to(endpoints::sort_categories, check_code_reply)
        .logs_begin("sort category...")
        .logs_success("sort category success")
        .logs_failure("sort category failed, reason: {}", failure_arg::message);
inline constexpr auto query_sub_categories =
    request_to(endpoints::query_categories, check_flat_category_list)
        .logs_failure("sub category query failed, reason: {}");
inline constexpr auto create_category =
    request_to(endpoints::create_category, check_created_category_reply)
        .logs_begin("create category...")
        .logs_success("create category success")
        .logs_failure("create category failed, reason: {}");
// The synchronisation's (the attachments category), failing at error level.
inline constexpr auto create_category_blocking =
    request_to(endpoints::create_category, check_created_category_reply)
        .logs_success("create category success")
        .logs_failure("create category failed, reason: {}", failure_arg::raw_body,
                      spdlog::level::err);
inline constexpr auto category_tree =
    request_to(endpoints::category_tree, check_nested_category_list)
        .logs_begin("query category async")
        .logs_success("query category success")
        .logs_failure("query category failed, reason: {}");
inline constexpr auto sticker_categories =
    request_to(endpoints::query_categories, check_sticker_category_list)
        .logs_begin("query sticker category")
        .logs_success("query sticker category success.")
        .logs_failure("query sticker category failed, reason: {}");

// ---- scripts ----

// Both roads: the script page's query and the synchronisation's.
inline constexpr auto query_scripts = request_to(endpoints::query_scripts, check_script_list)
                                          .logs_begin("query script...")
                                          .logs_success("query script success")
                                          .logs_failure("query script failed, reason: {}");
inline constexpr auto create_script = request_to(endpoints::create_script, check_script_reply)
                                          .logs_begin("create script...")
                                          .logs_success("create script success")
                                          .logs_failure("create script failed, reason: {}");
inline constexpr auto update_script = request_to(endpoints::edit_script, check_script_reply)
                                          .logs_begin("update script...")
                                          .logs_success("update script success")
                                          .logs_failure("update script failed, reason: {}");
inline constexpr auto transfer_script =
    request_to(endpoints::edit_script, check_code_reply)
        .logs_begin("transfer script...")
        .logs_success("transfer script success")
        .logs_failure("transfer script failed, reason: {}", failure_arg::message);
inline constexpr auto move_script =
    request_to(endpoints::sort_scripts, check_code_reply)
        .logs_begin("move script...")
        .logs_success("move script success")
        .logs_failure("move script failed, reason: {}", failure_arg::message);
inline constexpr auto delete_script = request_to(endpoints::edit_script, check_keys_reply)
                                          .logs_begin("delete script...")
                                          .logs_success("delete script success")
                                          .logs_failure("delete script failed, reason: {}");

// ---- stickers, phrases, quick replies ----

inline constexpr auto query_stickers = request_to(endpoints::query_stickers, check_sticker_list)
                                           .logs_begin("query sticker begin")
                                           .logs_success("query sticker success")
                                           .logs_failure("query sticker failed, reason: {}");
// The synchronisation's: the same lines, a looser check of "data".
inline constexpr auto query_all_stickers =
    request_to(endpoints::query_stickers, check_sticker_list_blocking)
        .logs_begin(query_stickers.begin_line)
        .logs_success(query_stickers.success_line)
        .logs_failure(query_stickers.failure_line);
inline constexpr auto update_sticker = request_to(endpoints::edit_sticker, check_sticker_reply)
                                           .logs_begin("update sticker...")
                                           .logs_success("update sticker success")
                                           .logs_failure("update sticker failed, reason: {}");
inline constexpr auto add_sticker = request_to(endpoints::create_sticker, check_sticker_reply)
                                        .logs_begin("add sticker...")
                                        .logs_success("add sticker success")
                                        .logs_failure("add sticker failed, reason: {}");
inline constexpr auto query_phrases = request_to(endpoints::list_phrases, check_phrase_list)
                                          .logs_begin("query phrase...")
                                          .logs_success("query phrase success")
                                          .logs_failure("query phrase failed, reason: {}");
inline constexpr auto create_phrase = request_to(endpoints::add_phrase, check_phrase_reply)
                                          .logs_begin("create phrase...")
                                          .logs_success("create phrase success")
                                          .logs_failure("create phrase failed, reason: {}");
inline constexpr auto delete_phrase =
    request_to(endpoints::delete_phrase, check_code_reply)
        .logs_begin("delete phrase...")
        .logs_success("delete phrase success")
        .logs_failure("delete phrase failed, reason: {}", failure_arg::message);
inline constexpr auto sort_phrases = request_to(endpoints::sort_phrases, check_phrase_list)
                                         .logs_begin("sort phrase...")
                                         .logs_success("sort phrase success")
                                         .logs_failure("sort phrase failed, reason: {}");
inline constexpr auto save_quick_replies =
    request_to(endpoints::save_quick_replies, check_code_reply)
        .logs_begin("quick reply save...")
        .logs_success("quick reply save success")
        .logs_failure("save quick reply failed, reason: {}", failure_arg::message);
inline constexpr auto query_quick_replies =
    request_to(endpoints::query_quick_replies, check_quick_reply_list)
        .logs_begin("query quick reply...")
        .logs_success("query quick reply success")
        .logs_failure("query quick reply failed, reason: {}");

// ---- cloud documents and the file store ----

inline constexpr auto save_doc =
    request_to(endpoints::create_doc, check_code_reply)
        .logs_begin("save doc...")
        .logs_success("save doc success")
        .logs_failure("save doc failed, reason: {}", failure_arg::message);
inline constexpr auto query_docs = request_to(endpoints::query_docs, check_doc_list)
                                       .logs_begin("query doc...")
                                       .logs_success("query doc success")
                                       .logs_failure("query doc failed, reason: {}");
// The synchronisation's: the same request, its own begin line.
inline constexpr auto query_docs_blocking = query_docs.logs_begin("query doc async...");
inline constexpr auto update_doc = request_to(endpoints::edit_doc, check_doc_reply)
                                       .logs_begin("update doc...")
                                       .logs_success("update doc success")
                                       .logs_failure("update doc failed, reason: {}");
inline constexpr auto transfer_doc = request_to(endpoints::edit_doc, check_doc_reply)
                                         .logs_begin("transfer doc...")
                                         .logs_success("transfer doc success")
                                         .logs_failure("transfer doc failed, reason: {}");
inline constexpr auto delete_doc =
    request_to(endpoints::edit_doc, check_code_reply)
        .logs_begin("delete doc...")
        .logs_success("delete doc success")
        .logs_failure("delete doc failed, reason: {}", failure_arg::message);
inline constexpr auto search_docs =
    request_to(endpoints::query_docs, check_doc_search)
        .logs_begin_with_detail("search doc {}...")
        .logs_success_with("search doc success with {} result", doc_count)
        .logs_failure("search doc failed, reason: {}");
inline constexpr auto file_sha256 = request_to(endpoints::file_description, check_file_description)
                                        .logs_begin("query nas file detail...")
                                        .logs_success("query nas file detail success")
                                        .logs_failure("query nas file detail failed, reason: {}");

// ---- the client itself ----

inline constexpr auto version_update =
    request_to(endpoints::check_version, quorvel::check_version_update)
        .logs_begin("check update...")
        .logs_success_with("check update success with version {}", latest_version)
        .logs_failure("check update failed, reason: {}");
// The synchronisation's: its own begin line, a failure line without the body.
inline constexpr auto version_update_blocking =
    version_update.logs_begin("check update async...")
        .logs_failure("check update failed", failure_arg::none);
inline constexpr auto supported_apps = request_to(endpoints::supported_apps, check_supported_apps)
                                           .logs_begin("query app features...")
                                           .logs_success("query app features success")
                                           .logs_failure("query app features failed, reason: {}");
inline constexpr auto manage_page_url =
    request_to(endpoints::manage_page, check_manage_page)
        .logs_begin("get visit url...")
        .logs_success_with("get visit url success {}", address_text)
        .logs_failure("get manage page failed, reason: {}");

} // namespace requests

// ---- the fixed bodies and queries of the table's requests ----

// {"id", parent key, "siblingIdsInNewOrder": [...]}
QByteArray sort_body(const QString& id, const char* parent_key, const QString& parent,
                     const QStringList& siblings);
// The document search: the text as keywords, the account's documents of any type.
json_map_t doc_search_fields(const QString& text);
// The query item "requestNetworkType" of the build.
string_map_t network_query(bool intranet);
// The update check's: the network type and this system's installer ("os").
string_map_t version_query(bool intranet);
// The category tree of one library part.
json_map_t category_tree_fields(const QString& business_type, const QString& classify_type,
                                const QString& dept_id);
// Every script of one library part.
json_map_t scripts_of_part_fields(const QString& classify_type);
// The sticker categories of one library part; the department only for that part.
json_map_t sticker_category_fields(const QString& classify_type, const QString& dept_id);

} // namespace quorvel
