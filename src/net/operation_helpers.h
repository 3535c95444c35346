#pragma once

// Small pieces shared by the definitions of the asynchronous operations.
#include "net/envelope.h"
#include "net/request_center.h"

namespace quorvel::operation {

inline std::function<void(const no_result_t&)> ignore_result(done_cb ok) {
    return [ok = std::move(ok)](const no_result_t&) { ok(); };
}

// A fixed success line, whatever the result.
template <class T>
std::function<void(const T&)> log_fixed(const char* text,
                                        spdlog::level::level_enum level = spdlog::level::info) {
    return [text, level](const T&) { spdlog::log(level, text); };
}

inline http_call_t post_map(const char* path, const json_map_t& params) {
    return {QLatin1String(path), true, {}, map_to_json_body(params), true};
}

inline http_call_t post_json(const char* path, const QByteArray& body) {
    return {QLatin1String(path), true, {}, body, true};
}

} // namespace quorvel::operation
