#include "http_server.h"

#include "auth.h"
#include "health.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QScopeGuard>
#include <QSet>
#include <QSqlQuery>
#include <QUrl>
#include <chrono>
#include <httplib.h>
#include <set>
#include <spdlog/spdlog.h>

namespace quorvel::server {

namespace {

thread_local std::chrono::steady_clock::time_point request_start;

constexpr char json_type[] = "application/json; charset=utf-8";

reply_cache::bytes_t envelope_bytes(const reply_t& reply) {
    const QJsonObject body{{"code", reply.code}, {"msg", reply.msg}, {"data", reply.data}};
    return std::make_shared<const std::string>(
        QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString());
}

void send_bytes(httplib::Response& res, reply_cache::bytes_t bytes, int http_status = 200) {
    res.status = http_status;
    if (bytes->size() < 64 * 1024) {
        res.set_content(*bytes, json_type);
        return;
    }
    // Large replies are written straight from the shared bytes, without a copy.
    const size_t size = bytes->size();
    res.set_content_provider(size, json_type,
                             [bytes](size_t offset, size_t length, httplib::DataSink& sink) {
                                 sink.write(bytes->data() + offset, qMin<size_t>(length, 1 << 20));
                                 return true;
                             });
}

void send_envelope(httplib::Response& res, const reply_t& reply, int http_status = 200) {
    send_bytes(res, envelope_bytes(reply), http_status);
}

// The reads whose replies are worth keeping (large, and the same for many
// requests), each with the parameters its handler looks at: only these go into
// the key, so parameters the handler ignores neither split nor grow the cache.
// A handler that starts reading another parameter must list it here.
const QHash<QString, QStringList>& cached_reads() {
    static const QHash<QString, QStringList> reads = {
        {QLatin1String(routes::query_scripts.path),
         {"classifyId", "classifyType", "deptId", "speechContentKeywords", "speechContent"}},
        {QLatin1String(routes::category_tree.path),
         {"clientBusinessType", "classifyType", "deptId"}},
        {QLatin1String(routes::query_categories.path),
         {"clientBusinessType", "classifyType", "deptId", "superId", "classifyName"}},
        {QLatin1String(routes::query_stickers.path),
         {"classifyId", "emojiType", "emojiContentDesc", "emojiContentMatchKeywords"}},
        {QLatin1String(routes::query_docs.path),
         {"classifyId", "fileId", "fileName", "fileSuffix", "fileType", "keywords"}},
        // Small, but asked by every client at every start and on every change.
        {QLatin1String(routes::list_phrases.path), {}},
    };
    return reads;
}

// Searches with long texts are rare and not worth keeping.
constexpr int max_cached_params_bytes = 4096;

// Everything a read's reply depends on: the path, who asks with which rights,
// the parameters the handler reads. Empty when the read is not to be cached.
QByteArray cache_key(const QString& path, const request_t& r) {
    const auto read = cached_reads().constFind(path);
    if (read == cached_reads().constEnd())
        return {};
    QJsonObject used;
    for (const QString& name : *read)
        if (r.params.contains(name))
            used.insert(name, r.params.value(name));
    const QByteArray params = QJsonDocument(used).toJson(QJsonDocument::Compact);
    if (params.size() > max_cached_params_bytes)
        return {};
    QByteArray key = path.toUtf8();
    key += '\n' + QByteArray::number(r.user.id) + ' ' + QByteArray::number(r.user.admin_type) +
           ' ' + r.user.role_keys.join(QLatin1Char(',')).toUtf8();
    QList<qint64> depts = r.user.dept_role_keys.keys();
    std::sort(depts.begin(), depts.end());
    for (qint64 d : depts)
        key += ' ' + QByteArray::number(d) + ':' +
               r.user.dept_role_keys.value(d).join(QLatin1Char(',')).toUtf8();
    return key + '\n' + params;
}

QString base_url_of(const httplib::Request& req) {
    const std::string host = req.get_header_value("Host");
    return QStringLiteral("http://") + QString::fromStdString(host.empty() ? "127.0.0.1" : host);
}

// JSON bodies are small; larger ones are refused while they arrive.
constexpr size_t max_json_body = 8u << 20;

// Body members and query items together; the body wins on a clash.
std::optional<QJsonObject> params_of(const httplib::Request& req, const QByteArray& body) {
    QJsonObject params;
    for (const auto& [key, value] : req.params)
        params.insert(QString::fromStdString(key), QString::fromStdString(value));
    if (!body.isEmpty()) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject())
            return std::nullopt;
        const QJsonObject body = doc.object();
        for (auto it = body.begin(); it != body.end(); ++it)
            params.insert(it.key(), it.value());
    }
    return params;
}

const reply_t login_expired =
    reply_t::failure(codes::token_invalid, QStringLiteral("登录已失效，请重新登录"));

// For replies sent before the request's body was read.
void close_after_reply(httplib::Response& res) {
    res.set_header("Connection", "close");
    guarded_server::close_after_reply();
}

bool is_upload(const httplib::Request& req) {
    return upload_kind(QString::fromStdString(req.path)) ||
           req.path == "/manage/update/upload"; // installers, from the management page
}

// Multipart headers and boundaries around an uploaded file.
constexpr qint64 multipart_overhead = 64 * 1024;

struct refusal_t {
    int http_status;
    reply_t reply;
};

// A request with a body is answered before the body is read when its length is
// missing, not a number, or more than the route takes; otherwise the server
// would wait for a body that never comes, or read one only to drop it.
std::optional<refusal_t> body_refusal(const httplib::Request& req, qint64 max_upload_bytes) {
    static const std::set<std::string> with_body = {"POST", "PUT", "PATCH", "DELETE"};
    if (!with_body.count(req.method))
        return std::nullopt;
    if (!req.has_header("Content-Length") || req.has_header("Transfer-Encoding"))
        return refusal_t{411, reply_t::bad(QStringLiteral("请求缺少 Content-Length"))};
    const qint64 length = guarded_server::declared_length(req);
    if (length < 0)
        return refusal_t{400, reply_t::bad(QStringLiteral("Content-Length 无效"))};
    const qint64 limit =
        is_upload(req) ? max_upload_bytes + multipart_overhead : qint64(max_json_body);
    if (length > limit)
        return refusal_t{413, reply_t::failure(codes::too_large,
                                               is_upload(req) ? QStringLiteral("上传内容过大")
                                                              : QStringLiteral("请求内容过大"))};
    return std::nullopt;
}

// The requested byte ranges cut to a file of `size` bytes; those that start
// past its end are dropped (none left: 416).
httplib::Ranges fitted_ranges(const httplib::Ranges& ranges, qint64 size) {
    httplib::Ranges out;
    for (auto [first, last] : ranges) {
        if (first < 0) { // the last `last` bytes
            if (last <= 0)
                continue;
            first = std::max<qint64>(0, size - last);
            last = size - 1;
        } else if (last < 0 || last >= size) {
            last = size - 1;
        }
        if (first < size && first <= last)
            out.emplace_back(first, last);
    }
    return out;
}

} // namespace

http_server::http_server(api& handlers, http_options_t options)
    : api_(handlers), options_(options), cache_(options.reply_cache_bytes), logins_(options.logins),
      web_(handlers, options.web), server_(std::make_unique<guarded_server>(options.connections)) {
    install_routes();
}

http_server::~http_server() = default;

int http_server::bind(const QString& host, int port) {
    return server_->bind_to(host.toStdString(), port);
}

bool http_server::serve() {
    return server_->listen_after_bind();
}

void http_server::stop() {
    server_->stop();
}

void http_server::throttled_login(const httplib::Request& req, const request_t& r,
                                  httplib::Response& res) {
    const QString account = r.text("account").trimmed().left(max_name_length);
    const std::string& header = options_.client_address_header;
    const QString address = QString::fromStdString(
        header.empty() || !req.has_header(header) ? req.remote_addr : req.get_header_value(header));
    if (const qint64 wait = logins_.wait_seconds(account, address); wait > 0) {
        res.set_header("Retry-After", std::to_string(wait));
        send_envelope(
            res,
            reply_t::failure(codes::login_failed,
                             QStringLiteral("登录失败次数过多，请 %1 秒后再试").arg(wait)),
            429);
        return;
    }
    // Every hash takes its memory for its run; a long queue of them is turned
    // away rather than holding workers.
    if (password_hashes_pending() >= 4 * password_hash_slots()) {
        res.set_header("Retry-After", "1");
        send_envelope(res, reply_t::failure(codes::busy, QStringLiteral("服务器繁忙，请稍后再试")),
                      503);
        return;
    }
    const reply_t reply = api_.login(r);
    if (reply.code == codes::ok)
        logins_.succeeded(account);
    else if (reply.code == codes::login_failed)
        logins_.failed(account, address);
    send_envelope(res, reply);
}

std::optional<user_t> http_server::authenticate(const httplib::Request& req, qint64 generation) {
    const QString token = QString::fromStdString(req.get_header_value(protocol::token_header));
    if (token.isEmpty() || token.size() > 256)
        return std::nullopt;
    const QByteArray digest = token_digest(token).toLatin1();
    if (auto user = sessions_.find(digest, generation, QDateTime::currentSecsSinceEpoch()))
        return user;
    qint64 expires_at = 0;
    auto user = api_.authenticate(token, &expires_at);
    if (user)
        sessions_.store(digest, *user, expires_at, generation);
    return user;
}

void http_server::install_routes() {
    httplib::Server& s = *server_;
    s.set_payload_max_length(static_cast<size_t>(options_.max_upload_bytes + multipart_overhead));
    s.set_tcp_nodelay(true); // headers and body go out in separate writes

    s.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        request_start = std::chrono::steady_clock::now();
        if (const auto refusal = body_refusal(req, options_.max_upload_bytes)) {
            send_envelope(res, refusal->reply, refusal->http_status);
            close_after_reply(res);
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // A client that asks before it sends its body learns the refusal then.
    s.set_expect_100_continue_handler([this](const httplib::Request& req, httplib::Response& res) {
        const auto refusal = body_refusal(req, options_.max_upload_bytes);
        if (!refusal)
            return 100;
        send_envelope(res, refusal->reply, refusal->http_status);
        close_after_reply(res);
        return refusal->http_status;
    });
    s.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        const double ms = std::chrono::duration<double, std::milli>(
                              std::chrono::steady_clock::now() - request_start)
                              .count();
        spdlog::info("{} {} {} {:.1f}ms", req.method, req.path, res.status, ms);
    });
    s.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty())
            return;
        const int status = res.status;
        if (status == 413)
            send_envelope(res, reply_t::failure(codes::too_large, QStringLiteral("上传内容过大")),
                          413);
        else if (status == 404)
            send_envelope(res, reply_t::failure(codes::not_found, QStringLiteral("接口不存在")),
                          404);
        else
            send_envelope(res, reply_t::bad(QStringLiteral("请求格式错误")), status);
    });
    s.set_exception_handler(
        [](const httplib::Request& req, httplib::Response& res, std::exception_ptr) {
            spdlog::error("unexpected failure in {} {}", req.method, req.path);
            send_envelope(res, reply_t::internal(), 500);
        });

    // The generation is read before the user, so a write in between makes
    // the cached entry a miss, never a stale hit.
    auto authenticate = [this](const httplib::Request& req) {
        return this->authenticate(req, read_generation(api_.store()));
    };

    auto dispatch = [this](const httplib::Request& req, httplib::Response& res,
                           const QByteArray& body) {
        const QString path = QString::fromStdString(req.path);
        const api::handler_t* handler = api_.find(QString::fromStdString(req.method), path);
        if (!handler) {
            send_envelope(res, reply_t::failure(codes::not_found, QStringLiteral("接口不存在")),
                          404);
            return;
        }
        request_t r;
        r.base_url = base_url_of(req);
        // One read serves both caches: a change committed before it is seen.
        const qint64 generation = read_generation(api_.store());
        if (api_.needs_login(path)) {
            auto user = this->authenticate(req, generation);
            if (!user) {
                send_envelope(res, login_expired);
                return;
            }
            r.user = *user;
        }
        if (!json_escapes_valid(body)) {
            send_envelope(res, reply_t::bad(QStringLiteral("文本含有无效的转义字符")));
            return;
        }
        auto params = params_of(req, body);
        if (!params) {
            send_envelope(res, reply_t::bad(QStringLiteral("请求格式错误")));
            return;
        }
        r.params = *params;
        if (path == QLatin1String(routes::login.path)) {
            throttled_login(req, r, res);
            return;
        }
        const QByteArray key = cache_key(path, r);
        if (key.isEmpty() || generation < 0) {
            send_envelope(res, (*handler)(api_, r));
            return;
        }
        if (auto hit = cache_.find(key, generation)) {
            send_bytes(res, std::move(hit));
            return;
        }
        // Clients that ask together after a change wait for the first reply
        // of their key instead of each building their own; other keys go on.
        {
            std::unique_lock<std::mutex> lock(fills_.mutex);
            fills_.done.wait(lock, [&] { return !fills_.keys.contains(key); });
            fills_.keys.insert(key);
        }
        const auto filled = qScopeGuard([this, &key] {
            {
                std::lock_guard<std::mutex> lock(fills_.mutex);
                fills_.keys.remove(key);
            }
            fills_.done.notify_all();
        });
        if (auto hit = cache_.find(key, generation)) {
            send_bytes(res, std::move(hit));
            return;
        }
        const reply_t reply = (*handler)(api_, r);
        auto bytes = envelope_bytes(reply);
        if (reply.code == codes::ok)
            cache_.store(key, generation, bytes);
        send_bytes(res, std::move(bytes));
    };

    // Uploads stream to disk part by part.
    auto upload = [this, authenticate](const httplib::Request& req, httplib::Response& res,
                                       const httplib::ContentReader& reader) {
        const auto user = authenticate(req);
        if (!user) {
            send_envelope(res, login_expired);
            return;
        }
        if (!req.is_multipart_form_data()) {
            send_envelope(res, reply_t::bad(QStringLiteral("请使用文件上传格式")));
            return;
        }
        std::unique_ptr<upload_sink> sink;
        bool in_file_part = false;
        bool seen_file = false;
        QString client_name;
        const bool read = reader(
            [&](const httplib::MultipartFormData& part) {
                in_file_part = part.name == "file" && !seen_file;
                if (in_file_part) {
                    seen_file = true;
                    client_name = QString::fromStdString(part.filename);
                    sink = api_.files().begin_upload();
                }
                return true;
            },
            [&](const char* data, size_t size) {
                if (in_file_part && sink)
                    sink->write(data, size);
                return true;
            });
        if (!read || !sink) {
            if (!read)
                close_after_reply(res);
            if (res.status != 413)
                send_envelope(res, reply_t::bad(QStringLiteral("缺少上传文件")));
            return;
        }
        if (file_store::safe_base_name(client_name).isEmpty()) {
            send_envelope(res, reply_t::bad(QStringLiteral("文件名无效")));
            return;
        }
        if (!sink->ok()) {
            send_envelope(res, reply_t::internal());
            return;
        }
        file_meta_t meta;
        meta.owner_id = user->id;
        meta.account = user->account;
        meta.account_type = user->account_type;
        meta.kind = upload_kind(QString::fromStdString(req.path)).value_or(meta.kind);
        meta.client_path = client_name;
        transaction tx(api_.store(), true);
        const auto id = api_.files().commit_upload(tx, *sink, meta);
        if (!id || !tx.commit()) {
            send_envelope(res, reply_t::internal());
            return;
        }
        send_envelope(res, api_.describe_upload(*user, *id));
    };

    // Downloads stream from the file store, a piece at a time.
    auto stream_file = [this](const httplib::Request& req, httplib::Response& res, qint64 id) {
        std::shared_ptr<file_source> file = api_.files().open_file(api_.store(), id);
        if (!file) {
            send_envelope(res, reply_t::failure(codes::not_found, QStringLiteral("文件不存在")),
                          404);
            return;
        }
        if (!req.ranges.empty()) {
            // httplib sends the ranges as asked; past the end that gives a
            // Content-Length the body does not have. The request is ours to
            // adjust: it lives in the connection loop, not in const storage.
            auto& ranges = const_cast<httplib::Request&>(req).ranges;
            ranges = fitted_ranges(ranges, file->size());
            if (ranges.empty()) {
                res.set_header("Content-Range", "bytes */" + std::to_string(file->size()));
                send_envelope(res, reply_t::failure(416, QStringLiteral("请求的范围超出文件大小")),
                              416);
                return;
            }
        }
        QString name;
        QString mime = QStringLiteral("application/octet-stream");
        {
            transaction tx(api_.store(), false);
            if (auto q = tx.run(
                    QStringLiteral("SELECT local_name, suffix, mime FROM files WHERE id = ?"),
                    {id});
                q && q->next()) {
                name = q->value(0).toString() + (q->value(1).toString().isEmpty()
                                                     ? QString()
                                                     : QLatin1Char('.') + q->value(1).toString());
                if (!q->value(2).toString().isEmpty())
                    mime = q->value(2).toString();
            }
        }
        res.set_header("Content-Disposition", "attachment; filename*=UTF-8''" +
                                                  QUrl::toPercentEncoding(name).toStdString());
        res.set_content_provider(
            static_cast<size_t>(file->size()), mime.toStdString(),
            [file](size_t offset, size_t length, httplib::DataSink& sink) {
                const QByteArray chunk =
                    file->read(static_cast<qint64>(offset),
                               static_cast<qint64>(qMin<size_t>(length, 256 * 1024)));
                if (chunk.isEmpty())
                    return false;
                sink.write(chunk.constData(), static_cast<size_t>(chunk.size()));
                return true;
            });
    };

    s.Get(routes::download_file.path,
          [this, authenticate, stream_file](const httplib::Request& req, httplib::Response& res) {
              const auto user = authenticate(req);
              if (!user) {
                  send_envelope(res, login_expired);
                  return;
              }
              const auto id = parse_id(QString::fromStdString(req.get_param_value("fileId")));
              bool readable = false;
              if (id) {
                  transaction tx(api_.store(), false);
                  readable = api_.can_read_file(tx, *user, *id);
              }
              if (!readable) {
                  send_envelope(
                      res, reply_t::failure(codes::not_found, QStringLiteral("文件不存在")), 404);
                  return;
              }
              stream_file(req, res, *id);
          });
    // Shared files by address, for address links in scripts; the client sends
    // its token with every download, and nothing is served without one.
    s.Get(R"(/public/(\d+)(/.*)?)",
          [this, authenticate, stream_file](const httplib::Request& req, httplib::Response& res) {
              if (!authenticate(req)) {
                  send_envelope(res, login_expired, 401); // not a file body
                  return;
              }
              const auto id = parse_id(QString::fromStdString(req.matches[1].str()));
              transaction tx(api_.store(), false);
              if (!id || !api_.is_shared_file(tx, *id)) {
                  send_envelope(
                      res, reply_t::failure(codes::not_found, QStringLiteral("文件不存在")), 404);
                  return;
              }
              stream_file(req, res, *id);
          });
    for (const protocol::route_t& route : routes::uploads)
        s.Post(route.path, upload);
    // Every other route goes through the API's table, which also answers unknown ones.
    const std::string below_prefix = std::string(routes::prefix) + ".*";
    s.Get(below_prefix, [dispatch](const httplib::Request& req, httplib::Response& res) {
        dispatch(req, res, QByteArray());
    });
    s.Post(below_prefix, [dispatch](const httplib::Request& req, httplib::Response& res,
                                    const httplib::ContentReader& reader) {
        QByteArray body;
        bool too_large = false;
        const bool complete = reader([&](const char* data, size_t size) {
            if (static_cast<size_t>(body.size()) + size > max_json_body) {
                too_large = true;
                return false;
            }
            body.append(data, static_cast<int>(size));
            return true;
        });
        if (too_large || res.status == 413) {
            close_after_reply(res);
            send_envelope(res, reply_t::failure(codes::too_large, QStringLiteral("请求内容过大")),
                          413);
            return;
        }
        if (!complete) {
            // The rest of the body may still come: the connection cannot carry another request.
            close_after_reply(res);
            send_envelope(res, reply_t::bad(QStringLiteral("请求格式错误")), 400);
            return;
        }
        dispatch(req, res, body);
    });
    install_health_route(s, api_.store());
    // The website the client's "官网" and help entries open by default.
    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(
            "<!doctype html><html lang=\"zh\"><meta charset=\"utf-8\"><title>Quorvel</title>"
            "<h1>Quorvel</h1><p>客服话术助手：话术、短语、快捷回复、表情与云文档，"
            "一键发送到聊天窗口。</p><h2>帮助</h2><ul>"
            "<li>登录后点主窗口右上角的吸附按钮，再激活聊天窗口，助手即停靠在它旁边。</li>"
            "<li>双击话术即发送到聊天窗口；右键可编辑、移动和删除。</li>"
            "<li>Alt+Z 显示或隐藏主窗口，Alt+Q 聚焦主窗口，Alt+E 聚焦底部搜索栏。</li>"
            "</ul><p><a href=\"/manage\">管理页面</a></p></html>",
            "text/html; charset=utf-8");
    });
    web_.install(s);
}

} // namespace quorvel::server
