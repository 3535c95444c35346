#pragma once

#include <httplib.h>

#include <chrono>
#include <map>
#include <mutex>
#include <string>

namespace quorvel::server {

// What one client, slow or idle, may hold of the server.
struct connection_limits_t {
    size_t workers = 48;
    // Accepted connections that wait for a worker; more are answered 503 at once.
    size_t queued = 48;
    // Open connections of one client address; 0: unbounded (behind a proxy all
    // clients share its address, and the proxy bounds them).
    size_t per_address = 32;
    // Longest silence while a request arrives, and while a reply is taken.
    int read_timeout_seconds = 5;
    int write_timeout_seconds = 10;
    // Longest wait for the next request on a kept-alive connection.
    int keep_alive_timeout_seconds = 5;
    size_t keep_alive_requests = 100;
    // A request line and its headers arrive within this, however they trickle.
    int header_seconds = 10;
    // After that, a body must arrive at least this fast on average.
    size_t min_body_bytes_per_second = 16 * 1024;
};

// An httplib server that owns the connection loop, so that a trickling or
// idle client cannot keep a worker: every request has a deadline, one
// address holds a bounded number of connections, and when every worker is
// busy and the queue is full new connections get 503 instead of waiting.
class guarded_server : public httplib::Server {
public:
    explicit guarded_server(connection_limits_t limits);

    // Binds (port 0: a free one) and returns the port, or -1 when the address
    // is in use or not available.
    int bind_to(const std::string& host, int port);

    // Called from a handler that answers without reading the request's body:
    // the connection closes after this reply.
    static void close_after_reply();

    // The body length a request declares: plain digits, at most 18 of them;
    // -1 when there is none or it is anything else.
    static long long declared_length(const httplib::Request& req);

    // The reply given to a connection that is turned away.
    static std::string busy_reply();

private:
    bool process_and_close_socket(socket_t sock) override;
    bool admit(const std::string& address);
    void release(const std::string& address);

    connection_limits_t limits_;
    std::mutex addresses_mutex_;
    std::map<std::string, size_t> open_by_address_;
};

} // namespace quorvel::server
