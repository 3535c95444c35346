#pragma once

#include "storage.h"

namespace httplib {
class Server;
}

namespace quorvel::server {

// GET /health: 200 when this instance reaches its database, 503 when not. A
// load balancer or an operator's probe asks it; it needs no login.
void install_health_route(httplib::Server& server, storage& store);

// Whether a trivial query succeeds on the calling thread's connection; a
// broken connection (the database restarted) is opened again once.
bool database_reachable(storage& store);

} // namespace quorvel::server
