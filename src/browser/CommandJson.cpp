#include "browser/CommandJson.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace corvane::browser {

namespace {

using Json = nlohmann::json;

// The library's DOM builder with a nesting limit. The parser itself keeps its nesting on the heap;
// the limit keeps the built value small and shallow (its destruction stays cheap).
class DepthLimitedBuilder : public nlohmann::detail::json_sax_dom_parser<Json> {
    using Base = nlohmann::detail::json_sax_dom_parser<Json>;

  public:
    explicit DepthLimitedBuilder(Json& root) : Base(root, /*allow_exceptions=*/false) {}

    bool start_object(std::size_t len) { return Enter() && Base::start_object(len); }
    bool start_array(std::size_t len) { return Enter() && Base::start_array(len); }
    bool end_object() {
        --depth_;
        return Base::end_object();
    }
    bool end_array() {
        --depth_;
        return Base::end_array();
    }

    bool tooDeep() const { return tooDeep_; }

  private:
    bool Enter() {
        if (++depth_ > kMaxCommandJsonDepth) tooDeep_ = true;
        return !tooDeep_;
    }

    int depth_ = 0;
    bool tooDeep_ = false;
};

QString AsText(const Json& value) {
    if (value.is_string()) return QString::fromStdString(value.get_ref<const std::string&>());
    if (value.is_null()) return {};
    return QString::fromStdString(value.dump());
}

QString MemberText(const Json& object, const char* name) {
    if (!object.is_object()) return {};
    const auto it = object.find(name);
    return it == object.end() ? QString() : AsText(*it);
}

// Reads the first JSON value of text into builder. strict = false: it stops after the first
// complete value instead of demanding the end of the input.
bool ParseFirstValue(const QString& text, DepthLimitedBuilder& builder) {
    const auto* begin = reinterpret_cast<const char16_t*>(text.utf16());
    const auto* end = begin + text.size();
    // Text without surrogates is read in place, converted only as far as the value reaches: the
    // value is short, and what follows it (a media or name argument) may be megabytes. The
    // library's own UTF-16 reading takes any surrogate for half of a pair, so text with
    // surrogates goes through Qt's conversion, which replaces a lone one.
    if (std::none_of(begin, end, [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF; })) {
        return Json::sax_parse(begin, end, &builder, Json::input_format_t::json,
                               /*strict=*/false, /*ignore_comments=*/false);
    }
    return Json::sax_parse(text.toStdString(), &builder, Json::input_format_t::json,
                           /*strict=*/false, /*ignore_comments=*/false);
}

}  // namespace

std::optional<CommandObject> ReadCommandObject(const QString& text) {
    Json root;
    DepthLimitedBuilder builder(root);
    const bool complete = ParseFirstValue(text, builder);
    if (builder.tooDeep()) {
        throw CommandJsonTooDeep("JSON value nested deeper than " +
                                 std::to_string(kMaxCommandJsonDepth) + " levels");
    }
    if (!complete || builder.is_errored()) return std::nullopt;

    CommandObject command;
    command.type = MemberText(root, "type");
    if (root.is_object()) {
        const auto data = root.find("data");
        // A "data" that is present counts even when it is null (the command then reads its
        // members as empty).
        if (data != root.end()) {
            command.hasData = true;
            command.nsrsbh = MemberText(*data, "nsrsbh");
        }
    }
    return command;
}

}  // namespace corvane::browser
