#include "net/request_table.h"

#include "app/versions.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/base_url.h"
#include "protocol/protocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quorvel {

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

json_map_t doc_search_fields(const QString& text) {
    return {{"classifyId", ""},
            {"deptId", ""},
            {"account", session_state::instance().account()},
            {"fileName", ""},
            {"fileSuffix", ""},
            {"fileType", QLatin1String(protocol::file_type::any)},
            {"taskId", ""},
            {"keywords", text},
            {"customShortcuts", ""}};
}

string_map_t network_query(bool intranet) {
    return {{QStringLiteral("requestNetworkType"), network_type(intranet)}};
}

string_map_t version_query(bool intranet) {
    string_map_t query = network_query(intranet);
    query.insert(QStringLiteral("os"), installer_os());
    return query;
}

json_map_t category_tree_fields(const QString& business_type, const QString& classify_type,
                                const QString& dept_id) {
    return {{"clientBusinessType", business_type},
            {"classifyType", classify_type},
            {"deptId", dept_id}};
}

json_map_t scripts_of_part_fields(const QString& classify_type) {
    return {{"speechContent", ""},
            {"speechContentKeywords", ""},
            {"classifyId", ""},
            {"deptId", ""},
            {"classifyType", classify_type}};
}

json_map_t sticker_category_fields(const QString& classify_type, const QString& dept_id) {
    const bool dept = classify_type == QLatin1String(protocol::part_dept);
    return {{"clientBusinessType", QLatin1String(protocol::business::stickers)},
            {"classifyName", ""},
            {"superId", ""},
            {"classifyType", classify_type},
            {"deptId", dept ? dept_id : QString()}};
}

} // namespace quorvel
