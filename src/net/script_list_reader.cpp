#include "net/script_list_reader.h"

#include "net/envelope.h"
#include "protocol/protocol.h"

#include <cmath>
#include <optional>
#include <simdjson.h>
#include <vector>

namespace quorvel {

namespace {

namespace ondemand = simdjson::ondemand;

// One forward pass over the reply, records built as the bytes go by. No
// tree and no copy of every string is kept: at login the public library is
// about ten megabytes, and touching that much fresh memory twice more costs
// more than the parsing itself.
class script_list_pass {
public:
    explicit script_list_pass(const ondemand::parser& parser) : parser_(parser) {}

    bool broken() const { return broken_; }

    // Any failure of the document itself marks the pass broken.
    template <typename T> bool fine(simdjson::simdjson_result<T>&& r, T& out) {
        if (std::move(r).get(out) != simdjson::SUCCESS)
            broken_ = true;
        return !broken_;
    }

    bool is(ondemand::value& v, ondemand::json_type wanted) {
        ondemand::json_type t;
        return fine(v.type(), t) && t == wanted;
    }

    // A malformed atom starting like null ("nul") is an error here, not false.
    bool is_null(ondemand::value& v) {
        bool null = false;
        if (v.is_null().get(null) != simdjson::SUCCESS)
            broken_ = true;
        return null;
    }

    QString text_of(ondemand::value& v) {
        if (!is(v, ondemand::json_type::string))
            return {};
        std::string_view token; // the string with its quotes and any spaces behind
        ondemand::raw_json_string raw;
        if (!fine(simdjson::simdjson_result<std::string_view>(v.raw_json_token()), token) ||
            !fine(v.get_raw_json_string(), raw))
            return {};
        if (scratch_.size() < token.size() + simdjson::SIMDJSON_PADDING)
            scratch_.resize(token.size() + simdjson::SIMDJSON_PADDING);
        uint8_t* end = scratch_.data();
        std::string_view text;
        if (!fine(parser_.unescape(raw, end), text))
            return {};
        return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    }

    // The value as a number; false for anything else.
    bool number(ondemand::value& v, ondemand::number& n) {
        return is(v, ondemand::json_type::number) && fine(v.get_number(), n);
    }

    // A JSON number truncated to an integer, anything else 0 (the "number" rule).
    qint64 number_of(ondemand::value& v) {
        ondemand::number n;
        if (!number(v, n))
            return 0;
        switch (n.get_number_type()) {
        case ondemand::number_type::signed_integer:
            return n.get_int64();
        case ondemand::number_type::unsigned_integer:
            return static_cast<qint64>(n.get_uint64());
        case ondemand::number_type::floating_point_number: {
            const double d = n.get_double();
            return std::isfinite(d) && std::fabs(d) < 9.2e18 ? static_cast<qint64>(d) : 0;
        }
        }
        return 0;
    }

    // "code" as an integer: an integral number, anything else 0.
    int code_of(ondemand::value& v) {
        ondemand::number n;
        if (!number(v, n))
            return 0;
        const double d = n.is_double() ? n.get_double() : n.as_double();
        return d == std::trunc(d) && std::fabs(d) <= 2147483647.0 ? static_cast<int>(d) : 0;
    }

    script_node_spt read_script(ondemand::object o);

private:
    const ondemand::parser& parser_;
    std::vector<uint8_t> scratch_; // every string is unescaped here, one after another
    bool broken_ = false;
};

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

script_node_spt script_list_pass::read_script(ondemand::object o) {
    auto s = script_node_spt::create();
    unsigned seen = 0;
    for (auto member : o) {
        ondemand::field field;
        std::string_view key;
        if (!fine(std::move(member), field) || !fine(field.unescaped_key(), key))
            return {};
        ondemand::value& v = field.value();
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
        if (broken())
            return {};
    }
    return seen == required_fields ? s : script_node_spt();
}

// What the envelope held; of duplicate keys the last counts, as in the strict check.
struct envelope_fields_t {
    std::optional<int> code; // present and not null
    std::optional<QString> msg;
    bool has_code = false, has_msg = false, has_data = false, data_null = false;
    bool data_is_array = false;
    script_list_t scripts;
};

// The records of the "data" array; items that are no object are passed over.
bool read_scripts(script_list_pass& pass, ondemand::value& data, script_list_t& scripts) {
    ondemand::array items;
    if (!pass.fine(data.get_array(), items))
        return false;
    for (auto item : items) {
        ondemand::value element;
        if (!pass.fine(std::move(item), element))
            return false;
        ondemand::object o;
        if (!pass.is(element, ondemand::json_type::object))
            continue;
        if (!pass.fine(element.get_object(), o))
            return false;
        if (script_node_spt s = pass.read_script(o))
            scripts.append(std::move(s));
    }
    return true;
}

bool read_envelope(script_list_pass& pass, ondemand::object root, envelope_fields_t& e) {
    for (auto member : root) {
        ondemand::field field;
        std::string_view key;
        if (!pass.fine(std::move(member), field) || !pass.fine(field.unescaped_key(), key))
            return false;
        ondemand::value& v = field.value();
        if (key == "code") {
            e.has_code = true;
            e.code.reset();
            if (!pass.is_null(v))
                e.code = pass.code_of(v);
        } else if (key == "msg") {
            e.has_msg = true;
            e.msg.reset();
            if (!pass.is_null(v))
                e.msg = pass.text_of(v);
        } else if (key == "data") {
            e.has_data = true;
            e.data_null = pass.is_null(v);
            e.scripts.clear();
            e.data_is_array = !e.data_null && pass.is(v, ondemand::json_type::array);
            if (e.data_is_array && !read_scripts(pass, v, e.scripts))
                return false;
        }
        if (pass.broken())
            return false;
    }
    return !pass.broken();
}

// Whether the root value is all the document holds.
bool nothing_behind(ondemand::document& doc) {
    const char* rest = nullptr;
    return doc.current_location().get(rest) == simdjson::OUT_OF_BOUNDS;
}

} // namespace

parsed_t<script_list_t> read_script_list(const QByteArray& body) {
    using result = parsed_t<script_list_t>;
    thread_local ondemand::parser parser;
    // A body with room behind it is read where it lies (no 10 MB copy at login).
    simdjson::padded_string copy;
    simdjson::padded_string_view view(body.constData(), static_cast<size_t>(body.size()),
                                      static_cast<size_t>(body.capacity()));
    if (body.capacity() - body.size() < int(simdjson::SIMDJSON_PADDING)) {
        copy = simdjson::padded_string(body.constData(), static_cast<size_t>(body.size()));
        view = copy;
    }
    script_list_pass pass(parser);
    envelope_fields_t e;
    ondemand::document doc;
    ondemand::object root;
    if (!pass.fine(parser.iterate(view), doc) || !pass.fine(doc.get_object(), root) ||
        !read_envelope(pass, root, e) || !nothing_behind(doc))
        return result::failure(QStringLiteral("请求异常"));

    if (!e.has_code || !e.has_msg || !e.has_data)
        return result::failure(QStringLiteral("响应字段缺失"));
    if (!e.code || !e.msg || e.data_null)
        return result::failure(QStringLiteral("响应字段数据缺失"));
    if (*e.code != protocol::codes::ok) {
        report_server_code(*e.code);
        return result::failure(*e.msg);
    }
    if (!e.data_is_array)
        return result::failure(QString());
    return result::success(std::move(e.scripts));
}

} // namespace quorvel
