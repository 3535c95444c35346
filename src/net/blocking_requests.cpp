#include "net/blocking_requests.h"

#include "model/data_center.h"
#include "net/request_table.h"

namespace quorvel {

namespace {

void group_scripts(const script_list_t& list, scripts_by_category_t* scripts) {
    for (const script_node_spt& script : list)
        (*scripts)[script->classifyId].append(script);
}

} // namespace

bool fetch_category_tree(http_client& client, const QString& business_type,
                         const QString& classify_type, const QString& dept_id,
                         category_tree_t* tree, QString* message) {
    auto result = exchange(
        client, requests::category_tree,
        payload_t::fields(category_tree_fields(business_type, classify_type, dept_id)), message);
    if (result.ok)
        *tree = std::move(result.value);
    return result.ok;
}

category_node_spt create_category_blocking(http_client& client, const json_map_t& params,
                                           QString* message) {
    auto result =
        exchange(client, requests::create_category_blocking, payload_t::fields(params), message);
    return result.ok ? result.value : category_node_spt();
}

bool query_scripts_blocking(http_client& client, const json_map_t& params,
                            scripts_by_category_t* scripts, QString* message) {
    auto result = exchange(client, requests::query_scripts, payload_t::fields(params), message);
    if (result.ok)
        group_scripts(result.value, scripts);
    return result.ok;
}

bool query_scripts_of_type(http_client& client, const QString& classify_type,
                           scripts_by_category_t* scripts, QString* message) {
    return query_scripts_blocking(client, scripts_of_part_fields(classify_type), scripts, message);
}

bool query_sticker_categories(http_client& client, const QString& classify_type,
                              const QString& dept_id, category_tree_t* tree, QString* message) {
    auto result =
        exchange(client, requests::sticker_categories,
                 payload_t::fields(sticker_category_fields(classify_type, dept_id)), message);
    if (result.ok)
        *tree = std::move(result.value);
    return result.ok;
}

bool query_all_stickers(http_client& client, const json_map_t& params,
                        QHash<QString, QList<sticker_node_spt>>* stickers, QString* message) {
    auto result =
        exchange(client, requests::query_all_stickers, payload_t::fields(params), message);
    if (!result.ok)
        return false;
    stickers->clear();
    for (const sticker_node_spt& sticker : result.value)
        (*stickers)[sticker->classifyId].append(sticker);
    return true;
}

bool query_all_stickers(http_client& client, const json_map_t& params, QString* message) {
    QHash<QString, QList<sticker_node_spt>> grouped;
    if (!query_all_stickers(client, params, &grouped, message))
        return false;
    data_center::instance().replace_stickers(grouped);
    return true;
}

bool query_phrases(http_client& client, phrase_map_t* phrases, QString* message) {
    auto result = exchange(client, requests::query_phrases, payload_t::none(), message);
    if (result.ok)
        *phrases = std::move(result.value);
    return result.ok;
}

bool query_docs_blocking(http_client& client, const json_map_t& params, docs_by_category_t* docs,
                         QString* message) {
    auto result =
        exchange(client, requests::query_docs_blocking, payload_t::fields(params), message);
    if (result.ok)
        *docs = std::move(result.value);
    return result.ok;
}

bool query_file_sha256(http_client& client, const QString& file_id, QString* sha256,
                       QString* message) {
    auto result = exchange(client, requests::file_sha256,
                           payload_t::query_items({{QStringLiteral("fileId"), file_id}}), message);
    if (result.ok)
        *sha256 = result.value;
    return result.ok;
}

version_update_info_spt check_version_update_blocking(http_client& client, bool intranet,
                                                      QString* message) {
    auto result = exchange(client, requests::version_update_blocking,
                           payload_t::query_items(version_query(intranet)), message);
    return result.ok ? result.value : version_update_info_spt();
}

bool query_supported_apps(http_client& client, supported_apps_t* apps, QString* message) {
    auto result = exchange(client, requests::supported_apps, payload_t::none(), message);
    if (result.ok)
        *apps = std::move(result.value);
    return result.ok;
}

} // namespace quorvel
