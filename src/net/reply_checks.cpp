#include "net/reply_checks.h"

#include "net/envelope.h"
#include "net/script_list_reader.h"
#include "protocol/protocol.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

// The body as an object; nullopt when it is not one.
std::optional<QJsonObject> object_of(const QByteArray& body) {
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (doc.isNull() || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

bool has_all(const QJsonObject& o, std::initializer_list<const char*> keys) {
    for (const char* key : keys)
        if (!o.contains(QLatin1String(key)))
            return false;
    return true;
}

int code_of(const QJsonObject& o) {
    return o.value(QLatin1String("code")).toInt();
}
QString msg_of(const QJsonObject& o) {
    return o.value(QLatin1String("msg")).toString();
}
QJsonValue data_of(const QJsonObject& o) {
    return o.value(QLatin1String("data"));
}

// A server code other than success: its "msg", and a login request when it asks for one.
template <class T> parsed_t<T> server_refused(const QJsonObject& o) {
    report_server_code(code_of(o));
    return parsed_t<T>::failure(msg_of(o));
}

// The strict envelope check; nullopt with the message on failure.
template <class T> std::optional<QJsonObject> strict(const QByteArray& body, parsed_t<T>* failure) {
    QString message;
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!check_envelope(doc, &message)) {
        *failure = parsed_t<T>::failure(message);
        return std::nullopt;
    }
    return doc.object();
}

} // namespace

parsed_t<QString> check_login_reply(const QByteArray& body) {
    const auto o = object_of(body);
    if (!o)
        return parsed_t<QString>::failure(QStringLiteral("登录请求异常"));
    if (code_of(*o) != protocol::codes::ok)
        return server_refused<QString>(*o);
    const QJsonValue data = data_of(*o);
    if (!data.isObject())
        return parsed_t<QString>::failure(QStringLiteral("请求响应字段不兼容"));
    if (!data.toObject().contains(QLatin1String("jwtToken")))
        return parsed_t<QString>::failure(QStringLiteral("响应中授权信息缺失"));
    return parsed_t<QString>::success(data.toObject().value(QLatin1String("jwtToken")).toString());
}

parsed_t<user_login_info_spt> check_login_info_reply(const QByteArray& body) {
    parsed_t<user_login_info_spt> failed;
    const auto o = strict(body, &failed);
    if (!o)
        return failed;
    if (!data_of(*o).isObject())
        return parsed_t<user_login_info_spt>::failure(QStringLiteral("响应数据字段类型不兼容"));
    return parsed_t<user_login_info_spt>::success(
        user_login_info_t::from_json(data_of(*o).toObject()));
}

// ---- categories and scripts ----

parsed_t<category_node_spt> check_category_reply(const QByteArray& body) {
    using result = parsed_t<category_node_spt>;
    const auto o = object_of(body);
    if (!o)
        return result::failure(QStringLiteral("请求异常"));
    if (!o->contains(QLatin1String("code")))
        return result::failure(QStringLiteral("响应字段格式异常"));
    if (code_of(*o) == protocol::codes::ok) {
        const QJsonValue data = data_of(*o);
        if (!data.isObject() || !data.toObject().contains(QLatin1String("classifyName"))) {
            spdlog::error("parse update category response failed, reason: {}", body.toStdString());
            return result::failure(QStringLiteral("响应字段格式异常"));
        }
        return result::success(category_node_t::from_json(data.toObject()));
    }
    QString message = QStringLiteral("请求失败");
    if (o->contains(QLatin1String("msg"))) {
        message = msg_of(*o);
        qDebug() << message;
    }
    report_server_code(code_of(*o));
    return result::failure(message);
}

parsed_t<category_node_spt> check_created_category_reply(const QByteArray& body) {
    using result = parsed_t<category_node_spt>;
    const auto o = object_of(body);
    if (!o)
        return result::failure(QStringLiteral("请求异常"));
    if (!has_all(*o, {"code", "data", "msg"}))
        return result::failure(msg_of(*o));
    if (code_of(*o) != protocol::codes::ok)
        return server_refused<category_node_spt>(*o);
    if (!data_of(*o).isObject())
        return result::failure(QStringLiteral("响应数据字段不兼容"));
    return result::success(category_node_t::from_json(data_of(*o).toObject()));
}

parsed_t<category_tree_t> check_flat_category_list(const QByteArray& body) {
    parsed_t<category_tree_t> failed;
    const auto o = strict(body, &failed);
    if (!o)
        return failed;
    if (!data_of(*o).isArray())
        return parsed_t<category_tree_t>::failure(QStringLiteral("数据类型不兼容"));
    category_tree_t tree;
    build_tree_from_flat(tree, data_of(*o).toArray());
    return parsed_t<category_tree_t>::success(std::move(tree));
}

namespace {

// A category list under the strict envelope check; "data" that is no array
// gives an empty tree.
parsed_t<category_tree_t> strict_tree(const QByteArray& body,
                                      void (*fill)(category_tree_t&, const QJsonArray&)) {
    parsed_t<category_tree_t> failed;
    const auto o = strict(body, &failed);
    if (!o)
        return failed;
    category_tree_t tree;
    fill(tree, data_of(*o).toArray());
    return parsed_t<category_tree_t>::success(std::move(tree));
}

void add_each(category_tree_t& tree, const QJsonArray& array) {
    for (const QJsonValue& value : array)
        add_to_tree(tree, category_node_t::from_json(value.toObject()));
}

} // namespace

parsed_t<category_tree_t> check_nested_category_list(const QByteArray& body) {
    return strict_tree(body, build_tree_from_nested);
}

parsed_t<category_tree_t> check_sticker_category_list(const QByteArray& body) {
    return strict_tree(body, add_each);
}

parsed_t<script_list_t> check_script_list(const QByteArray& body) {
    return read_script_list(body);
}

parsed_t<script_node_spt> check_script_reply(const QByteArray& body) {
    using result = parsed_t<script_node_spt>;
    const auto o = object_of(body);
    if (!o)
        return result::failure(QStringLiteral("请求异常"));
    if (!has_all(*o, {"code", "msg", "data"}))
        return result::failure(QStringLiteral("响应异常"));
    if (code_of(*o) != protocol::codes::ok)
        return server_refused<script_node_spt>(*o);
    if (!data_of(*o).isObject())
        return result::failure(QStringLiteral("响应字段类型不兼容"));
    if (data_of(*o).toObject().isEmpty())
        return result::failure(QStringLiteral("响应内容缺失"));
    return result::success(script_node_t::from_json(data_of(*o).toObject()));
}

parsed_t<no_result_t> check_keys_reply(const QByteArray& body) {
    const auto o = object_of(body);
    if (!o)
        return parsed_t<no_result_t>::failure(QStringLiteral("请求异常"));
    if (!has_all(*o, {"code", "msg", "data"}))
        return parsed_t<no_result_t>::failure(QStringLiteral("响应字段不兼容"));
    if (code_of(*o) != protocol::codes::ok)
        return server_refused<no_result_t>(*o);
    return parsed_t<no_result_t>::success({});
}

parsed_t<no_result_t> check_code_reply(const QByteArray& body) {
    QString message;
    if (!check_code(body, &message))
        return parsed_t<no_result_t>::failure(message);
    return parsed_t<no_result_t>::success({});
}

// ---- stickers, phrases, quick replies ----

namespace {

sticker_list_t stickers_of(const QJsonArray& array) {
    sticker_list_t stickers;
    stickers.reserve(array.size());
    for (const QJsonValue& value : array)
        stickers.append(sticker_node_t::from_json(value.toObject()));
    return stickers;
}

} // namespace

parsed_t<sticker_list_t> check_sticker_list(const QByteArray& body) {
    parsed_t<sticker_list_t> failed;
    const auto o = strict(body, &failed);
    if (!o)
        return failed;
    if (!data_of(*o).isArray())
        return parsed_t<sticker_list_t>::failure(QStringLiteral("响应字段类型不兼容"));
    return parsed_t<sticker_list_t>::success(stickers_of(data_of(*o).toArray()));
}

parsed_t<sticker_node_spt> check_sticker_reply(const QByteArray& body) {
    using result = parsed_t<sticker_node_spt>;
    const auto o = object_of(body);
    if (!o)
        return result::failure(QStringLiteral("请求异常"));
    if (!has_all(*o, {"code", "msg", "data"}))
        return result::failure(QStringLiteral("请求响应字段不兼容"));
    if (code_of(*o) != protocol::codes::ok)
        return server_refused<sticker_node_spt>(*o);
    return result::success(sticker_node_t::from_json(data_of(*o).toObject()));
}

parsed_t<sticker_list_t> check_sticker_list_blocking(const QByteArray& body) {
    const auto o = object_of(body);
    if (!o)
        return parsed_t<sticker_list_t>::failure(QStringLiteral("请求异常"));
    if (!has_all(*o, {"code", "msg", "data"}))
        return parsed_t<sticker_list_t>::failure(QStringLiteral("响应字段不兼容"));
    if (!data_of(*o).isArray())
        return parsed_t<sticker_list_t>::failure(QStringLiteral("响应字段类型不兼容"));
    return parsed_t<sticker_list_t>::success(stickers_of(data_of(*o).toArray()));
}

parsed_t<phrase_node_spt> check_phrase_reply(const QByteArray& body) {
    using result = parsed_t<phrase_node_spt>;
    const auto o = object_of(body);
    if (!o)
        return result::failure(QStringLiteral("请求异常"));
    if (!has_all(*o, {"code", "msg", "data"}))
        return result::failure(QStringLiteral("响应字段缺失"));
    if (code_of(*o) != protocol::codes::ok)
        return server_refused<phrase_node_spt>(*o);
    if (!data_of(*o).isObject())
        return result::failure(QStringLiteral("响应字段类型异常"));
    if (data_of(*o).toObject().isEmpty())
        return result::failure(QStringLiteral("响应内容缺失"));
    return result::success(phrase_node_t::from_json(data_of(*o).toObject()));
}

parsed_t<phrase_map_t> check_phrase_list(const QByteArray& body) {
    const auto o = object_of(body);
    if (!o)
        return parsed_t<phrase_map_t>::failure(QStringLiteral("请求异常"));
    if (!has_all(*o, {"code", "msg", "data"}))
        return parsed_t<phrase_map_t>::failure(QStringLiteral("响应字段缺失"));
    if (code_of(*o) != protocol::codes::ok)
        return server_refused<phrase_map_t>(*o);
    phrase_map_t phrases;
    for (const QJsonValue& value : data_of(*o).toArray()) {
        const QJsonObject item = value.toObject();
        if (item.value(QLatin1String("validStatus")).toInt() == 1)
            continue;
        const phrase_node_spt phrase = phrase_node_t::from_json(item);
        phrases.insert(phrase->id, phrase);
    }
    return parsed_t<phrase_map_t>::success(std::move(phrases));
}

parsed_t<quick_reply_map_t> check_quick_reply_list(const QByteArray& body) {
    parsed_t<quick_reply_map_t> failed;
    const auto o = strict(body, &failed);
    if (!o)
        return failed;
    if (!data_of(*o).isArray())
        return parsed_t<quick_reply_map_t>::failure(QStringLiteral("响应字段类型不兼容"));
    quick_reply_map_t replies;
    for (const QJsonValue& value : data_of(*o).toArray()) {
        const quick_reply_node_spt reply = quick_reply_node_t::from_json(value.toObject());
        replies.insert(reply->speechId, reply);
    }
    return parsed_t<quick_reply_map_t>::success(std::move(replies));
}

// ---- documents and file store ----

parsed_t<docs_by_category_t> check_doc_list(const QByteArray& body) {
    parsed_t<docs_by_category_t> failed;
    const auto o = strict(body, &failed);
    if (!o)
        return failed;
    if (!data_of(*o).isArray())
        return parsed_t<docs_by_category_t>::failure(QString());
    docs_by_category_t docs;
    for (const QJsonValue& value : data_of(*o).toArray()) {
        const doc_node_spt doc = doc_node_t::from_json(value.toObject());
        docs[doc->classifyId].append(doc);
    }
    return parsed_t<docs_by_category_t>::success(std::move(docs));
}

parsed_t<doc_node_spt> check_doc_reply(const QByteArray& body) {
    parsed_t<doc_node_spt> failed;
    const auto o = strict(body, &failed);
    if (!o)
        return failed;
    if (!data_of(*o).isObject())
        return parsed_t<doc_node_spt>::failure(QStringLiteral("响应字段类型不兼容"));
    return parsed_t<doc_node_spt>::success(doc_node_t::from_json(data_of(*o).toObject()));
}

parsed_t<doc_list_t> check_doc_search(const QByteArray& body) {
    QString message;
    if (!check_code(body, &message))
        return parsed_t<doc_list_t>::failure(message);
    doc_list_t docs;
    for (const QJsonValue& value : data_of(*object_of(body)).toArray())
        docs.append(doc_node_t::from_json(value.toObject()));
    return parsed_t<doc_list_t>::success(std::move(docs));
}

parsed_t<QString> check_file_description(const QByteArray& body) {
    const auto o = object_of(body);
    if (!o)
        return parsed_t<QString>::failure(QStringLiteral("请求异常"));
    if (!has_all(*o, {"code", "msg", "data"}))
        return parsed_t<QString>::failure(QStringLiteral("响应格式异常"));
    if (code_of(*o) != protocol::codes::ok)
        return server_refused<QString>(*o);
    const QJsonObject data = data_of(*o).toObject();
    if (!data_of(*o).isObject() || !data.contains(QLatin1String("sha256Hex")))
        return parsed_t<QString>::failure(QString());
    return parsed_t<QString>::success(data.value(QLatin1String("sha256Hex")).toString());
}

// ---- client ----

namespace {

template <class T> parsed_t<T> refused_or_failed(const QJsonObject& o) {
    const QString message =
        o.contains(QLatin1String("msg")) ? msg_of(o) : QStringLiteral("请求失败");
    report_server_code(code_of(o));
    return parsed_t<T>::failure(message);
}

} // namespace

parsed_t<version_update_info_spt> check_version_update(const QByteArray& body) {
    using result = parsed_t<version_update_info_spt>;
    const auto o = object_of(body);
    if (!o)
        return result::failure(QStringLiteral("请求异常"));
    if (!o->contains(QLatin1String("code")))
        return result::failure(QStringLiteral("响应数据异常"));
    if (code_of(*o) != protocol::codes::ok)
        return refused_or_failed<version_update_info_spt>(*o);
    if (!data_of(*o).isObject())
        return result::failure(QStringLiteral("响应字段类型不兼容"));
    if (data_of(*o).toObject().isEmpty())
        return result::failure(QString());
    return result::success(version_update_info_t::from_json(data_of(*o).toObject()));
}

parsed_t<supported_apps_t> check_supported_apps(const QByteArray& body) {
    using result = parsed_t<supported_apps_t>;
    const auto o = object_of(body);
    if (!o || !o->contains(QLatin1String("code")))
        return result::failure(QStringLiteral("请求异常"));
    if (code_of(*o) != protocol::codes::ok)
        return refused_or_failed<supported_apps_t>(*o);
    if (!data_of(*o).isArray())
        return result::failure(QStringLiteral("没有可用的数据"));
    supported_apps_t apps;
    for (const QJsonValue& value : data_of(*o).toArray()) {
        const QJsonObject item = value.toObject();
        apps.insert(
            item.value(QLatin1String("operateHabitKey")).toString(),
            item.value(QLatin1String("operateHabitValue")).toString().split(QLatin1Char(',')));
    }
    return result::success(std::move(apps));
}

parsed_t<QString> check_manage_page(const QByteArray& body) {
    const auto o = object_of(body);
    if (!o)
        return parsed_t<QString>::failure(QStringLiteral("请求异常"));
    if (!has_all(*o, {"code", "msg", "data"}))
        return parsed_t<QString>::failure(QStringLiteral("响应数据异常"));
    if (code_of(*o) != protocol::codes::ok)
        return server_refused<QString>(*o);
    return parsed_t<QString>::success(data_of(*o).toString());
}

} // namespace quorvel
