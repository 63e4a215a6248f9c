#include "browser/CommandJson.h"

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

}  // namespace

std::optional<CommandObject> ReadCommandObject(const QString& text) {
    const std::string utf8 = text.toStdString();
    Json root;
    DepthLimitedBuilder builder(root);
    // strict = false: stop after the first complete value instead of demanding the end of input.
    const bool complete = Json::sax_parse(utf8, &builder, Json::input_format_t::json,
                                          /*strict=*/false, /*ignore_comments=*/false);
    if (builder.tooDeep()) {
        throw CommandJsonTooDeep("JSON value nested deeper than " +
                                 std::to_string(kMaxCommandJsonDepth) + " levels");
    }
    if (!complete || builder.is_errored()) return std::nullopt;

    CommandObject command;
    command.type = MemberText(root, "type");
    if (root.is_object()) {
        const auto data = root.find("data");
        if (data != root.end() && !data->is_null()) {
            command.hasData = true;
            command.nsrsbh = MemberText(*data, "nsrsbh");
        }
    }
    return command;
}

}  // namespace corvane::browser
