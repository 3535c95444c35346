#pragma once

#include "net/http_call.h"
#include "net/http_client.h"
#include "net/reply_checks.h"

#include <QMap>
#include <QString>

namespace quorvel {

// Requests made on a worker thread with a client it owns; they block until
// the reply is in. Results go to the out-parameters, messages to *message.

bool fetch_category_tree(http_client& client, const QString& business_type,
                         const QString& classify_type, const QString& dept_id,
                         category_tree_t* tree, QString* message);
category_node_spt create_category_blocking(http_client& client, const json_map_t& params,
                                           QString* message);
// Scripts of one library part, appended to *scripts per category in reply order.
bool query_scripts_of_type(http_client& client, const QString& classify_type,
                           scripts_by_category_t* scripts, QString* message);
bool query_scripts_blocking(http_client& client, const json_map_t& params,
                            scripts_by_category_t* scripts, QString* message);

bool query_sticker_categories(http_client& client, const QString& classify_type,
                              const QString& dept_id, category_tree_t* tree, QString* message);
// Every sticker, by category, into *stickers.
bool query_all_stickers(http_client& client, const json_map_t& params,
                        QHash<QString, QList<sticker_node_spt>>* stickers, QString* message);
// Replaces the store's stickers by category on success.
bool query_all_stickers(http_client& client, const json_map_t& params, QString* message);
bool query_phrases(http_client& client, phrase_map_t* phrases, QString* message);

bool query_docs_blocking(http_client& client, const json_map_t& params, docs_by_category_t* docs,
                         QString* message);
bool query_file_sha256(http_client& client, const QString& file_id, QString* sha256,
                       QString* message);

version_update_info_spt check_version_update_blocking(http_client& client, bool intranet,
                                                      QString* message);
bool query_supported_apps(http_client& client, supported_apps_t* apps, QString* message);

} // namespace quorvel
