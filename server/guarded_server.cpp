#include "guarded_server.h"

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <poll.h>
#include <thread>
#include <vector>

namespace quorvel::server {

namespace {

using clock = std::chrono::steady_clock;

// Set on the thread that runs a connection which is to be turned away.
thread_local bool turning_away = false;

struct connection_state_t {
    bool close_after_reply = false;
};
thread_local connection_state_t* current_connection = nullptr;

bool wait_for(socket_t sock, short events, int milliseconds) {
    pollfd p{sock, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, milliseconds < 0 ? 0 : milliseconds);
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0;
    }
}

void address_of(socket_t sock, bool peer, std::string& ip, int& port) {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    const int got = peer ? ::getpeername(sock, reinterpret_cast<sockaddr*>(&addr), &len)
                         : ::getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len);
    char host[NI_MAXHOST] = {};
    char serv[NI_MAXSERV] = {};
    if (got != 0 || ::getnameinfo(reinterpret_cast<sockaddr*>(&addr), len, host, sizeof host, serv,
                                  sizeof serv, NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        ip.clear();
        port = 0;
        return;
    }
    ip = host;
    port = std::atoi(serv);
}

// A socket stream whose reads end at the current request's deadline, so a
// request that trickles in a byte at a time still ends.
class deadline_stream final : public httplib::Stream {
public:
    deadline_stream(socket_t sock, const connection_limits_t& limits)
        : sock_(sock), limits_(limits) {}

    void set_deadline(clock::time_point deadline) { deadline_ = deadline; }
    // A read ran into the deadline or the silence limit: what was read of the
    // request is incomplete, and the connection cannot carry another.
    bool broken() const { return broken_; }

    // Waits for the first byte of the next request.
    bool wait_for_request() const {
        return begin_ < end_ || wait_for(sock_, POLLIN, limits_.keep_alive_timeout_seconds * 1000);
    }

    bool is_readable() const override {
        return begin_ < end_ || wait_for(sock_, POLLIN, read_ms());
    }
    bool is_writable() const override {
        return wait_for(sock_, POLLOUT, limits_.write_timeout_seconds * 1000);
    }

    ssize_t read(char* ptr, size_t size) override {
        if (begin_ == end_) {
            if (clock::now() >= deadline_ || !wait_for(sock_, POLLIN, read_ms())) {
                broken_ = true;
                return -1;
            }
            // Large reads (bodies) go straight to the caller.
            if (size >= sizeof buffer_)
                return receive(ptr, size);
            const ssize_t n = receive(buffer_, sizeof buffer_);
            if (n <= 0)
                return n;
            begin_ = 0;
            end_ = static_cast<size_t>(n);
        }
        const size_t n = std::min(size, end_ - begin_);
        std::memcpy(ptr, buffer_ + begin_, n);
        begin_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable())
            return -1;
        for (;;) {
            const ssize_t n = ::send(sock_, ptr, size, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            return n;
        }
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        address_of(sock_, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        address_of(sock_, false, ip, port);
    }
    socket_t socket() const override { return sock_; }

private:
    int read_ms() const {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - clock::now()).count();
        return static_cast<int>(std::min<long long>(left, limits_.read_timeout_seconds * 1000LL));
    }

    ssize_t receive(char* ptr, size_t size) {
        for (;;) {
            const ssize_t n = ::recv(sock_, ptr, size, 0);
            if (n < 0 && errno == EINTR)
                continue;
            return n;
        }
    }

    socket_t sock_;
    const connection_limits_t& limits_;
    clock::time_point deadline_ = clock::now();
    char buffer_[4096];
    size_t begin_ = 0;
    size_t end_ = 0;
    bool broken_ = false;
};

// A thread pool with a bounded queue: when it is full the connection is
// run at once on the accepting thread, marked to be turned away.
class bounded_pool final : public httplib::TaskQueue {
public:
    bounded_pool(size_t workers, size_t queued) : queued_(queued) {
        for (size_t i = 0; i < workers; ++i)
            threads_.emplace_back([this] { work(); });
    }

    void enqueue(std::function<void()> fn) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (jobs_.size() < queued_) {
                jobs_.push_back(std::move(fn));
                ready_.notify_one();
                return;
            }
        }
        turning_away = true;
        fn();
        turning_away = false;
    }

    void shutdown() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        ready_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }

private:
    void work() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
                if (stopping_ && jobs_.empty())
                    return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job();
        }
    }

    const size_t queued_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    bool stopping_ = false;
};

// Reads and drops what the client still sends of a body that was refused
// unread, for a bounded time and amount, so that a client that sends its body
// before it looks at the reply sees the reply rather than a reset.
void drain(socket_t sock) {
    constexpr auto for_at_most = std::chrono::seconds(5);
    constexpr int silence_ms = 1000;
    constexpr size_t at_most_bytes = 64u << 20;
    ::shutdown(sock, SHUT_WR);
    const auto end = clock::now() + for_at_most;
    char sink[65536];
    size_t dropped = 0;
    while (dropped < at_most_bytes) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - clock::now()).count();
        if (left <= 0 ||
            !wait_for(sock, POLLIN, static_cast<int>(std::min<long long>(left, silence_ms))))
            return;
        const ssize_t n = ::recv(sock, sink, sizeof sink, 0);
        if (n <= 0)
            return;
        dropped += static_cast<size_t>(n);
    }
}

void close_connection(socket_t sock) {
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
}

} // namespace

guarded_server::guarded_server(connection_limits_t limits) : limits_(limits) {
    new_task_queue = [workers = limits.workers, queued = limits.queued] {
        return new bounded_pool(workers, queued);
    };
    // The reply headers announce what the connection loop below does.
    set_keep_alive_timeout(limits.keep_alive_timeout_seconds);
    set_keep_alive_max_count(limits.keep_alive_requests);
    set_read_timeout(limits.read_timeout_seconds, 0);
    set_write_timeout(limits.write_timeout_seconds, 0);
    // SO_REUSEADDR only: a restarted server binds again at once, while a
    // second server on a port in use fails to bind (SO_REUSEPORT would let
    // both listen and share the traffic).
    set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
}

long long guarded_server::declared_length(const httplib::Request& req) {
    if (!req.has_header("Content-Length"))
        return -1;
    const std::string text = req.get_header_value("Content-Length");
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoll(text);
}

int guarded_server::bind_to(const std::string& host, int port) {
    const int bound = port == 0 ? bind_to_any_port(host) : (bind_to_port(host, port) ? port : -1);
    // httplib listens with a backlog of 5; a burst of clients (an office
    // logging in at nine) would see their connections dropped and retried.
    if (bound > 0)
        ::listen(svr_sock_, SOMAXCONN);
    return bound;
}

void guarded_server::close_after_reply() {
    if (current_connection)
        current_connection->close_after_reply = true;
}

std::string guarded_server::busy_reply() {
    static const std::string body = R"({"code":503,"msg":"服务器繁忙，请稍后再试","data":{}})";
    return "HTTP/1.1 503 Service Unavailable\r\n"
           "Content-Type: application/json; charset=utf-8\r\n"
           "Retry-After: 1\r\nConnection: close\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

bool guarded_server::admit(const std::string& address) {
    if (limits_.per_address == 0)
        return true;
    std::lock_guard<std::mutex> lock(addresses_mutex_);
    size_t& open = open_by_address_[address];
    if (open >= limits_.per_address)
        return false;
    ++open;
    return true;
}

void guarded_server::release(const std::string& address) {
    if (limits_.per_address == 0)
        return;
    std::lock_guard<std::mutex> lock(addresses_mutex_);
    const auto it = open_by_address_.find(address);
    if (it != open_by_address_.end() && --it->second == 0)
        open_by_address_.erase(it);
}

bool guarded_server::process_and_close_socket(socket_t sock) {
    deadline_stream strm(sock, limits_);
    std::string address;
    int port = 0;
    strm.get_remote_ip_and_port(address, port);
    if (turning_away || !admit(address)) {
        // Nothing is read or waited for: the refusal costs no worker time.
        const std::string reply = busy_reply();
        ::send(sock, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        close_connection(sock);
        return false;
    }

    connection_state_t state;
    current_connection = &state;
    bool ok = true;
    const auto header_time = std::chrono::seconds(limits_.header_seconds);
    for (size_t left = limits_.keep_alive_requests;
         left > 0 && svr_sock_ != INVALID_SOCKET && strm.wait_for_request(); --left) {
        strm.set_deadline(clock::now() + header_time);
        bool closed = false;
        ok = process_request(strm, left == 1, closed, [&](httplib::Request& req) {
            const long long length = declared_length(req);
            const auto body_time = std::chrono::seconds(
                length > 0 ? length / static_cast<long long>(limits_.min_body_bytes_per_second)
                           : 0);
            strm.set_deadline(clock::now() + header_time + body_time);
        });
        if (!ok || closed || state.close_after_reply || strm.broken())
            break;
    }
    current_connection = nullptr;
    release(address);
    if (state.close_after_reply)
        drain(sock);
    close_connection(sock);
    return ok;
}

} // namespace quorvel::server
