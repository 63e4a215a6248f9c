// Reading the first JSON value of a command payload: standard JSON, text after the value ignored,
// members read as text, and nesting that would exhaust the program refused.
#include <gtest/gtest.h>

#include "CaseName.h"
#include "browser/CommandJson.h"

namespace corvane::browser {
namespace {

struct JsonCase {
    const char* name;
    QString text;
    bool readable;
    QString type;
    bool hasData;
    QString nsrsbh;
};

class CommandJsonRead : public ::testing::TestWithParam<JsonCase> {};

TEST_P(CommandJsonRead, ReadsTheFirstValue) {
    const JsonCase& c = GetParam();
    const std::optional<CommandObject> command = ReadCommandObject(c.text);
    ASSERT_EQ(command.has_value(), c.readable);
    if (!command) return;
    EXPECT_EQ(command->type, c.type);
    EXPECT_EQ(command->hasData, c.hasData);
    EXPECT_EQ(command->nsrsbh, c.nsrsbh);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandJsonRead,
    ::testing::Values(
        JsonCase{"Object", R"({"type":"exit"})", true, "exit", false, ""},
        JsonCase{"LeadingBlanks", " \r\n\t{\"type\" : \"Exit\"}", true, "Exit", false, ""},
        JsonCase{"TextAfterValue", R"({"type":"exit"}?arg{not json)", true, "exit", false, ""},
        JsonCase{"SecondValueIgnored", R"({"type":"a"}{"type":"b"})", true, "a", false, ""},
        JsonCase{"Login", R"({"type":"login","data":{"nsrsbh":"9132AB"}})", true, "login", true,
                 "9132AB"},
        JsonCase{"NumericNumber", R"({"type":"login","data":{"nsrsbh":913200}})", true, "login",
                 true, "913200"},
        JsonCase{"DataNotObject", R"({"type":"login","data":[1]})", true, "login", true, ""},
        JsonCase{"DataWithoutNumber", R"({"type":"login","data":{}})", true, "login", true, ""},
        JsonCase{"DataNull", R"({"type":"login","data":null})", true, "login", true, ""},
        JsonCase{"NoType", R"({"data":{"nsrsbh":"1"}})", true, "", true, "1"},
        JsonCase{"TypeNotText", R"({"type":12})", true, "12", false, ""},
        JsonCase{"Unicode", R"({"type":"\u767b\u5f55","x":"中"})", true, "登录", false, ""},
        JsonCase{"Array", R"(["exit"])", true, "", false, ""},
        JsonCase{"String", R"("exit")", true, "", false, ""},
        JsonCase{"Number", "42abc", true, "", false, ""},
        JsonCase{"Empty", "", false, "", false, ""},
        JsonCase{"SingleQuotes", "{'type':'exit'}", false, "", false, ""},
        JsonCase{"Incomplete", R"({"type":"exit")", false, "", false, ""},
        JsonCase{"ControlInString", QStringLiteral("{\"type\":\"e\x01xit\"}"), false, "", false,
                 ""},
        JsonCase{"NulInString", QString::fromUtf8("{\"type\":\"e\0xit\"}", 16), false, "", false,
                 ""},
        JsonCase{"NulAfterValue", QString::fromUtf8("{\"type\":\"exit\"}\0zz", 18), true, "exit",
                 false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandJsonDepth, AcceptsNestingUpToTheLimitAndRefusesDeeper) {
    const auto nested = [](int depth) {
        return QString(depth, QLatin1Char('[')) + QString(depth, QLatin1Char(']'));
    };
    EXPECT_TRUE(ReadCommandObject(nested(kMaxCommandJsonDepth)).has_value());
    EXPECT_THROW(ReadCommandObject(nested(kMaxCommandJsonDepth + 1)), CommandJsonTooDeep);
    // 100 000 unclosed brackets: refused without exhausting the stack.
    EXPECT_THROW(ReadCommandObject(QString(100000, QLatin1Char('['))), CommandJsonTooDeep);
}

}  // namespace
}  // namespace corvane::browser
