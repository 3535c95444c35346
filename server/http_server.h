#pragma once

#include "api.h"
#include "guarded_server.h"
#include "login_throttle.h"
#include "reply_cache.h"
#include "web_admin.h"
#include "session_cache.h"

#include <QSet>
#include <QString>
#include <condition_variable>
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
    // The user of the request's token, from the session cache when it was
    // read at this generation, else from the store.
    std::optional<user_t> authenticate(const httplib::Request& req, qint64 generation);

    api& api_;
    http_options_t options_;
    reply_cache cache_;
    session_cache sessions_;
    // Keys whose reply is being built; a miss waits only for its own key.
    struct fills_t {
        std::mutex mutex;
        std::condition_variable done;
        QSet<QByteArray> keys;
    } fills_;
    login_throttle logins_;
    web_admin web_;
    std::unique_ptr<guarded_server> server_;
};

} // namespace quorvel::server
