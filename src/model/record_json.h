#pragma once

#include "model/records.h"

#include <QJsonObject>

namespace quorvel {

// The records back in the shape the backend sends them, so that each
// record's from_json reads its own output unchanged (the offline library
// file keeps records this way).
QJsonObject to_json(const category_node_t& c);
QJsonObject to_json(const script_node_t& s);
QJsonObject to_json(const nas_file_t& f);
QJsonObject to_json(const sticker_node_t& s);
QJsonObject to_json(const doc_node_t& d);
QJsonObject to_json(const phrase_node_t& p);
QJsonObject to_json(const quick_reply_node_t& q);
QJsonObject to_json(const version_update_info_t& v);
QJsonObject to_json(const dept_tree_node_t& d);
QJsonObject to_json(const user_role_t& r);
QJsonObject to_json(const dept_role_data_t& d);
QJsonObject to_json(const user_login_info_t& u);

} // namespace quorvel
