#pragma once

#include "api.h"
#include "guarded_server.h"
#include "login_throttle.h"
#include "reply_cache.h"
#include "web_admin.h"

#include <QString>
#include <memory>
#include <mutex>
#include <string>

namespace quorvel::server {

struct http_options_t {
    qint64 max_upload_bytes = 200LL << 20;
    connection_limits_t connections;
    login_throttle_limits_t logins;
    // The request header a reverse proxy puts the client's address in (for
    // example "X-Real-IP"); empty: the connection's own address.
    std::string client_address_header;
    // Keys and replies of cached library reads together.
    size_t reply_cache_bytes = 256u << 20;
    web_options_t web;
};

// The HTTP front of the api: envelopes, authentication, streaming file
// transfers, one log line per request.
class http_server {
public:
    http_server(api& handlers, http_options_t options);
    ~http_server();

    // Binds; port 0 picks a free port. Returns the bound port or -1.
    int bind(const QString& host, int port);
    // Serves until stop() is called from another thread or a signal.
    bool serve();
    void stop();

private:
    void install_routes();
    // The login handler behind the per-account and per-address throttle.
    void throttled_login(const httplib::Request& req, const request_t& r, httplib::Response& res);

    api& api_;
    http_options_t options_;
    reply_cache cache_;
    std::mutex cache_fill_;
    login_throttle logins_;
    web_admin web_;
    std::unique_ptr<guarded_server> server_;
};

} // namespace quorvel::server
