#include "net/blocking_requests.h"

#include "model/data_center.h"
#include "net/base_url.h"
#include "net/envelope.h"
#include "net/http_call.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

struct logs_t {
    const char* begin = nullptr;   // info
    const char* success = nullptr; // info
    const char* failure = nullptr; // one "{}" for the raw body
    spdlog::level::level_enum failure_level = spdlog::level::warn;
};

template <class T>
parsed_t<T> exchange(http_client& client, const http_call_t& call, const logs_t& logs,
                     parsed_t<T> (*check)(const QByteArray&), QString* message) {
    if (logs.begin)
        spdlog::info(logs.begin);
    const QByteArray body = perform(client, call);
    parsed_t<T> result = check(body);
    if (result.ok) {
        if (logs.success)
            spdlog::info(logs.success);
    } else {
        if (logs.failure)
            spdlog::log(logs.failure_level, fmt::runtime(logs.failure),
                        QString::fromUtf8(body).toStdString());
        *message = result.message;
    }
    return result;
}

http_call_t post_map(const char* path, const json_map_t& params) {
    return {QLatin1String(path), true, {}, map_to_json_body(params), true};
}

void group_scripts(const script_list_t& list, scripts_by_category_t* scripts) {
    for (const script_node_spt& script : list)
        (*scripts)[script->classifyId].append(script);
}

parsed_t<category_tree_t> check_sticker_categories(const QByteArray& body) {
    QString message;
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!check_envelope(doc, &message))
        return parsed_t<category_tree_t>::failure(message);
    category_tree_t tree;
    for (const QJsonValue& value : doc.object().value(QLatin1String("data")).toArray())
        add_to_tree(tree, category_node_t::from_json(value.toObject()));
    return parsed_t<category_tree_t>::success(std::move(tree));
}

} // namespace

bool fetch_category_tree(http_client& client, const QString& business_type,
                         const QString& classify_type, const QString& dept_id,
                         category_tree_t* tree, QString* message) {
    const json_map_t params{{"clientBusinessType", business_type},
                            {"classifyType", classify_type},
                            {"deptId", dept_id}};
    auto result = exchange(
        client, post_map("/tavorine/clientKb/getClassifyTree", params),
        {"query category async", "query category success", "query category failed, reason: {}"},
        check_nested_category_list, message);
    if (result.ok)
        *tree = std::move(result.value);
    return result.ok;
}

category_node_spt create_category_blocking(http_client& client, const json_map_t& params,
                                           QString* message) {
    auto result = exchange(client, post_map("/tavorine/clientKb/createClassify", params),
                           {nullptr, "create category success",
                            "create category failed, reason: {}", spdlog::level::err},
                           check_created_category_reply, message);
    return result.ok ? result.value : category_node_spt();
}

bool query_scripts_blocking(http_client& client, const json_map_t& params,
                            scripts_by_category_t* scripts, QString* message) {
    auto result =
        exchange(client, post_map("/tavorine/clientKb/querySpeech", params),
                 {"query script...", "query script success", "query script failed, reason: {}"},
                 check_script_list, message);
    if (result.ok)
        group_scripts(result.value, scripts);
    return result.ok;
}

bool query_scripts_of_type(http_client& client, const QString& classify_type,
                           scripts_by_category_t* scripts, QString* message) {
    const json_map_t params{{"speechContent", ""},
                            {"speechContentKeywords", ""},
                            {"classifyId", ""},
                            {"deptId", ""},
                            {"classifyType", classify_type}};
    return query_scripts_blocking(client, params, scripts, message);
}

bool query_sticker_categories(http_client& client, const QString& classify_type,
                              const QString& dept_id, category_tree_t* tree, QString* message) {
    const json_map_t params{{"clientBusinessType", "300"},
                            {"classifyName", ""},
                            {"superId", ""},
                            {"classifyType", classify_type},
                            {"deptId", classify_type == QLatin1String("2") ? dept_id : QString()}};
    auto result = exchange(client, post_map("/tavorine/clientKb/queryClassify", params),
                           {"query sticker category", "query sticker category success.",
                            "query sticker category failed, reason: {}"},
                           check_sticker_categories, message);
    if (result.ok)
        *tree = std::move(result.value);
    return result.ok;
}

bool query_all_stickers(http_client& client, const json_map_t& params, QString* message) {
    auto result = exchange(
        client, post_map("/tavorine/clientKb/queryEmoji", params),
        {"query sticker begin", "query sticker success", "query sticker failed, reason: {}"},
        check_sticker_list_blocking, message);
    if (!result.ok)
        return false;
    QHash<QString, QList<sticker_node_spt>> grouped;
    for (const sticker_node_spt& sticker : result.value)
        grouped[sticker->classifyId].append(sticker);
    data_center::instance().replace_stickers(grouped);
    return true;
}

bool query_phrases(http_client& client, phrase_map_t* phrases, QString* message) {
    auto result =
        exchange(client, {QStringLiteral("/tavorine/clientPhrase/list"), false, {}, {}, true},
                 {"query phrase...", "query phrase success", "query phrase failed, reason: {}"},
                 check_phrase_list, message);
    if (result.ok)
        *phrases = std::move(result.value);
    return result.ok;
}

bool query_docs_blocking(http_client& client, const json_map_t& params, docs_by_category_t* docs,
                         QString* message) {
    auto result =
        exchange(client, post_map("/tavorine/clientKb/queryFile", params),
                 {"query doc async...", "query doc success", "query doc failed, reason: {}"},
                 check_doc_list, message);
    if (result.ok)
        *docs = std::move(result.value);
    return result.ok;
}

bool query_file_sha256(http_client& client, const QString& file_id, QString* sha256,
                       QString* message) {
    auto result = exchange(client,
                           {QStringLiteral("/tavorine/nas/getNasFileMappingInfo"),
                            false,
                            {{QStringLiteral("fileId"), file_id}},
                            {},
                            true},
                           {"query nas file detail...", "query nas file detail success",
                            "query nas file detail failed, reason: {}"},
                           check_file_description, message);
    if (result.ok)
        *sha256 = result.value;
    return result.ok;
}

version_update_info_spt check_version_update_blocking(http_client& client, bool intranet,
                                                      QString* message) {
    spdlog::info("check update async...");
    const QByteArray body =
        perform(client, {QStringLiteral("/tavorine/clientGeneral/checkVersionUpdate"),
                         false,
                         {{QStringLiteral("requestNetworkType"), network_type(intranet)}},
                         {},
                         true});
    parsed_t<version_update_info_spt> result = check_version_update(body);
    if (!result.ok) {
        spdlog::warn("check update failed");
        *message = result.message;
        return {};
    }
    spdlog::info("check update success with version {}", result.value->latestVersion.toStdString());
    return result.value;
}

bool query_supported_apps(http_client& client, supported_apps_t* apps, QString* message) {
    auto result = exchange(
        client,
        {QStringLiteral("/tavorine/clientOperateHabit/getAdsorptionList"), false, {}, {}, true},
        {"query app features...", "query app features success",
         "query app features failed, reason: {}"},
        check_supported_apps, message);
    if (result.ok)
        *apps = std::move(result.value);
    return result.ok;
}

} // namespace quorvel
