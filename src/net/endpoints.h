#pragma once

// The client's names for the backend routes. The routes themselves are listed
// once, for the client and quorvel-server alike, in protocol/routes.h.

#include "protocol/routes.h"

namespace quorvel {

using protocol::http_method;
using endpoint_t = protocol::route_t;
namespace endpoints = protocol::routes;

} // namespace quorvel
