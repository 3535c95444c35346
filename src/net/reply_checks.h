#pragma once

#include "model/category_tree.h"
#include "model/records.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace quorvel {

// What a reply check found: the result, or the user-facing message.
template <class T> struct parsed_t {
    bool ok = false;
    T value{};
    QString message;

    static parsed_t success(T v) { return {true, std::move(v), {}}; }
    static parsed_t failure(const QString& message) { return {false, T{}, message}; }
};

struct no_result_t {};

using script_list_t = QList<script_node_spt>;
using scripts_by_category_t = QHash<QString, QList<script_node_spt>>;
using sticker_list_t = QList<sticker_node_spt>;
using phrase_map_t = QHash<QString, phrase_node_spt>;
using quick_reply_map_t = QHash<QString, quick_reply_node_spt>;
using docs_by_category_t = QHash<QString, QList<doc_node_spt>>;
using doc_list_t = QList<doc_node_spt>;
using supported_apps_t = QHash<QString, QStringList>;

// Every endpoint's reply check, as pure functions of the reply body.
parsed_t<QString> check_login_reply(const QByteArray& body); // the token
parsed_t<user_login_info_spt> check_login_info_reply(const QByteArray& body);

parsed_t<category_node_spt> check_category_reply(const QByteArray& body);
parsed_t<category_node_spt> check_created_category_reply(const QByteArray& body);
parsed_t<category_tree_t> check_flat_category_list(const QByteArray& body);
parsed_t<category_tree_t> check_nested_category_list(const QByteArray& body);
// The sticker categories of the synchronisation: strict envelope, any "data" array.
parsed_t<category_tree_t> check_sticker_category_list(const QByteArray& body);
parsed_t<script_list_t> check_script_list(const QByteArray& body);
parsed_t<script_node_spt> check_script_reply(const QByteArray& body);
parsed_t<no_result_t> check_keys_reply(const QByteArray& body);
parsed_t<no_result_t> check_code_reply(const QByteArray& body);

parsed_t<sticker_list_t> check_sticker_list(const QByteArray& body);
parsed_t<sticker_node_spt> check_sticker_reply(const QByteArray& body);
parsed_t<sticker_list_t> check_sticker_list_blocking(const QByteArray& body);
parsed_t<phrase_node_spt> check_phrase_reply(const QByteArray& body);
parsed_t<phrase_map_t> check_phrase_list(const QByteArray& body);
parsed_t<quick_reply_map_t> check_quick_reply_list(const QByteArray& body);

parsed_t<docs_by_category_t> check_doc_list(const QByteArray& body);
parsed_t<doc_node_spt> check_doc_reply(const QByteArray& body);
parsed_t<doc_list_t> check_doc_search(const QByteArray& body);
parsed_t<QString> check_file_description(const QByteArray& body); // the sha256Hex

parsed_t<version_update_info_spt> check_version_update(const QByteArray& body);
parsed_t<supported_apps_t> check_supported_apps(const QByteArray& body);
parsed_t<QString> check_manage_page(const QByteArray& body);

} // namespace quorvel
