#pragma once

#include "net/reply_checks.h"

namespace quorvel {

// The script-list check on a fast parser: the whole library arrives in one
// reply at login, and building records straight from the parsed bytes
// avoids a second tree. Same envelope rules and messages as check_envelope,
// same reading rules as script_node_t::from_json.
parsed_t<script_list_t> read_script_list(const QByteArray& body);

} // namespace quorvel
