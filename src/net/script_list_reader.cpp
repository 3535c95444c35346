#include "net/script_list_reader.h"

#include "net/envelope.h"
#include "protocol/protocol.h"

#include <cmath>
#include <simdjson.h>

namespace quorvel {

namespace {

using simdjson::dom::element;
using simdjson::dom::element_type;
using simdjson::dom::object;

QString text_of(const element& e) {
    std::string_view s;
    if (e.get_string().get(s) != simdjson::SUCCESS)
        return {};
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

// A JSON number truncated to an integer, anything else 0 (the "number" rule).
qint64 number_of(const element& e) {
    switch (e.type()) {
    case element_type::INT64:
        return e.get_int64().value_unsafe();
    case element_type::UINT64:
        return static_cast<qint64>(e.get_uint64().value_unsafe());
    case element_type::DOUBLE: {
        const double d = e.get_double().value_unsafe();
        return std::isfinite(d) && std::fabs(d) < 9.2e18 ? static_cast<qint64>(d) : 0;
    }
    default:
        return 0;
    }
}

// "code" as an integer: an integral number, anything else 0.
int code_of(const element& e) {
    const element_type t = e.type();
    if (t != element_type::INT64 && t != element_type::UINT64 && t != element_type::DOUBLE)
        return 0;
    const double d = t == element_type::DOUBLE ? e.get_double().value_unsafe()
                                               : static_cast<double>(number_of(e));
    return d == std::trunc(d) && std::fabs(d) <= 2147483647.0 ? static_cast<int>(d) : 0;
}

// The fields a script takes, in one pass over the object's members.
enum field_bit : unsigned {
    f_id = 1,
    f_keywords = 2,
    f_content = 4,
    f_sort = 8,
    f_dept = 16,
    f_classify = 32,
    f_type = 64,
};
constexpr unsigned required_fields = 127;

script_node_spt read_script(const object& o) {
    auto s = script_node_spt::create();
    unsigned seen = 0;
    for (const auto field : o) {
        const std::string_view key = field.key;
        const element& v = field.value;
        if (key == "id") {
            s->id = text_of(v);
            seen |= f_id;
        } else if (key == "speechContentKeywords") {
            s->speechContentKeywords = text_of(v);
            seen |= f_keywords;
        } else if (key == "speechContent") {
            s->speechContent = text_of(v);
            seen |= f_content;
        } else if (key == "sort") {
            s->sort = number_of(v);
            seen |= f_sort;
        } else if (key == "deptId") {
            s->deptId = text_of(v);
            seen |= f_dept;
        } else if (key == "classifyId") {
            s->classifyId = text_of(v);
            seen |= f_classify;
        } else if (key == "classifyType") {
            s->classifyType = text_of(v);
            seen |= f_type;
        } else if (key == "customShortcuts") {
            s->customShortcuts = text_of(v);
        } else if (key == "creatorAccount") {
            s->creatorAccount = text_of(v);
        } else if (key == "lastUpdateAccount") {
            s->lastUpdateAccount = text_of(v);
        } else if (key == "createTime") {
            s->createTime = text_of(v);
        } else if (key == "lastUpdateDate") {
            s->lastUpdateDate = text_of(v);
        }
    }
    return seen == required_fields ? s : script_node_spt();
}

} // namespace

parsed_t<script_list_t> read_script_list(const QByteArray& body) {
    using result = parsed_t<script_list_t>;
    thread_local simdjson::dom::parser parser;
    element doc;
    object root;
    if (parser.parse(body.constData(), static_cast<size_t>(body.size())).get(doc) !=
            simdjson::SUCCESS ||
        doc.get_object().get(root) != simdjson::SUCCESS)
        return result::failure(QStringLiteral("请求异常"));

    element code, msg, data;
    if (root["code"].get(code) != simdjson::SUCCESS || root["msg"].get(msg) != simdjson::SUCCESS ||
        root["data"].get(data) != simdjson::SUCCESS)
        return result::failure(QStringLiteral("响应字段缺失"));
    if (code.is_null() || msg.is_null() || data.is_null())
        return result::failure(QStringLiteral("响应字段数据缺失"));
    if (code_of(code) != protocol::codes::ok) {
        report_server_code(code_of(code));
        return result::failure(text_of(msg));
    }
    simdjson::dom::array items;
    if (data.get_array().get(items) != simdjson::SUCCESS)
        return result::failure(QString());

    script_list_t scripts;
    scripts.reserve(static_cast<int>(items.size()));
    for (const element item : items) {
        object o;
        if (item.get_object().get(o) != simdjson::SUCCESS)
            continue;
        if (script_node_spt s = read_script(o))
            scripts.append(std::move(s));
    }
    return result::success(std::move(scripts));
}

} // namespace quorvel
