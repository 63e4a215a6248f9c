// The page command channel from address to result: marker search, decoding, the command table
// and its side effects (recorded by a fake window), failures reported and never thrown.
#include <gtest/gtest.h>

#include <QUrl>
#include <stdexcept>

#include "CaseName.h"
#include "TempProgram.h"
#include "browser/PageCommand.h"

namespace corvane::browser {
namespace {

class RecordingActions : public PageCommandActions {
  public:
    QStringList done;
    bool failPrint = false;
    bool refusePrint = false;

    void CloseByPage() override { done << QStringLiteral("close"); }
    void ReportLogin(const QString& nsrsbh) override { done << QStringLiteral("login:") + nsrsbh; }
    bool PrintPage() override {
        done << QStringLiteral("print");
        if (failPrint) throw std::runtime_error("printer gone");
        return !refusePrint;
    }
};

// A command address as a page writes it: the JSON text and an optional argument, percent-encoded.
QString Address(const QString& payload) {
    return QStringLiteral("https://portal.test/app/interact_") +
           QString::fromLatin1(QUrl::toPercentEncoding(payload));
}

struct CommandCase {
    const char* name;
    QString address;
    QString result;
    QStringList done;
    QString logged;  // a text the log must show, empty: no error line at all
    bool printFails = false;
    bool printRefused = false;  // a print dialog is already open
};

class PageCommand : public ::testing::TestWithParam<CommandCase> {
  protected:
    static void SetUpTestSuite() { log_ = new testing::TempProgram; }
    static void TearDownTestSuite() { delete log_; }
    static testing::TempProgram* log_;
};
testing::TempProgram* PageCommand::log_ = nullptr;

TEST_P(PageCommand, GivesItsResultAndSideEffects) {
    const CommandCase& c = GetParam();
    RecordingActions actions;
    actions.failPrint = c.printFails;
    actions.refusePrint = c.printRefused;
    const qsizetype mark = log_->LogMark();
    EXPECT_EQ(HandlePageCommand(c.address, actions), c.result);
    EXPECT_EQ(actions.done, c.done);
    const QString logged = log_->LogSince(mark);
    if (c.logged.isEmpty()) {
        EXPECT_FALSE(logged.contains(QLatin1String("error"))) << logged.toStdString();
    } else {
        EXPECT_TRUE(logged.contains(c.logged)) << logged.toStdString();
    }
}

const QString kLogin = QStringLiteral(R"({"type":"login","data":{"nsrsbh":"91320100MA1X"}})");

INSTANTIATE_TEST_SUITE_P(
    Table, PageCommand,
    ::testing::Values(
        CommandCase{"NoMarker", "https://portal.test/interact/x", "", {}, ""},
        CommandCase{"Exit", Address(R"({"type":"exit"})"), "", {"close"}, ""},
        CommandCase{"ExitMixedCase", Address(R"({"type":"eXiT"})"), "", {"close"}, ""},
        CommandCase{
            "MarkerInCapitals", "HTTP://X/INTERACT_%7B%22TYPE%22%3A%22ZMXY%22%7D?Abc", "", {}, ""},
        CommandCase{"PayloadKeepsCase",
                    "HTTP://X/INTERACT_%7B%22type%22%3A%22ZMXY%22%7D?AbC",
                    "实名认证信息：AbC",
                    {},
                    ""},
        CommandCase{"Login", Address(kLogin), "", {"login:91320100MA1X"}, ""},
        CommandCase{"LoginWithoutData", Address(R"({"type":"login"})"), "", {}, ""},
        // A present data counts even when null: the report goes out with an empty number.
        CommandCase{
            "LoginWithNullData", Address(R"({"type":"login","data":null})"), "", {"login:"}, ""},
        CommandCase{
            "LoginWithoutNumber", Address(R"({"type":"Login","data":{}})"), "", {"login:"}, ""},
        CommandCase{"StartMonitor", Address(R"({"type":"startmonitor"})"), "监控身份证", {}, ""},
        CommandCase{"ZmxyWithoutArgument", Address(R"({"type":"zmxy"})"), "开始实名认证", {}, ""},
        CommandCase{"ZmxyEmptyArgument", Address(R"({"type":"zmxy"}?)"), "实名认证信息：", {}, ""},
        CommandCase{"ZmxyQuestionMarkInJson",
                    Address(R"({"type":"zmxy","data":"a?b"})"),
                    R"(实名认证信息：b"})",
                    {},
                    ""},
        CommandCase{"PlusIsBlank",
                    Address(R"({"type":"zmxy"})") + "?a+b%2Bc",
                    "实名认证信息：a b+c",
                    {},
                    ""},
        CommandCase{"PrintJhd", Address(R"({"type":"printjhd"})"), "打印叫号单", {}, ""},
        CommandCase{
            "PrintWebView", Address(R"({"type":"printwebview"})"), "打印网页", {"print"}, ""},
        CommandCase{"PrintFails",
                    Address(R"({"type":"printwebview"})"),
                    "打印网页",
                    {"print"},
                    "printer gone",
                    true},
        // A refused print is not logged as printed.
        CommandCase{
            "PrintRefused", Address(R"({"type":"printwebview"})"), "", {"print"}, "", false, true},
        CommandCase{"PlayMediaWithoutArgument", Address(R"({"type":"playmedia"})"), "", {}, ""},
        // The UTF-8 bytes E6 92 AD encoded twice: one "播" after the second decoding.
        CommandCase{
            "PlayMediaTwiceEncoded", Address(R"({"type":"playmedia"}?%E6%92%AD)"), "播", {}, ""},
        CommandCase{"PlayMediaInvalidUtf8",
                    Address(R"({"type":"playmedia"}?%FF%FE)"),
                    QString(2, QChar(0xFFFD)),
                    {},
                    ""},
        CommandCase{"PlayMediaBadEscape",
                    Address(R"({"type":"playmedia"}?%4)"),
                    "",
                    {},
                    "Error decoding URL style (%XX) encoded string at position 1"},
        CommandCase{"UnknownType", Address(R"({"type":"reboot"})"), "", {}, ""},
        CommandCase{"SecondMarker",
                    Address(R"({"type":"zmxy"}?/interact_x)"),
                    "实名认证信息：/interact_x",
                    {},
                    ""},
        CommandCase{"TrailingText", Address(R"({"type":"exit"} and more)"), "", {"close"}, ""},
        CommandCase{"NotJson", Address("exit"), "", {}, ""},
        CommandCase{"NotAnObject", Address(R"(["exit"])"), "", {}, ""},
        CommandCase{"LonePercent",
                    "https://x/interact_%",
                    "",
                    {},
                    "Error decoding URL style (%XX) encoded string at position 1"},
        CommandCase{"BadHex",
                    "https://x/interact_%7B%zz",
                    "",
                    {},
                    "Invalid URL encoded character (%zz) at position 4"},
        CommandCase{"DeepNesting",
                    "https://x/interact_" + QString(100000, QLatin1Char('[')),
                    "",
                    {},
                    "nested deeper"},
        CommandCase{"NulEndsPayload",
                    Address(R"({"type":"startmonitor"})") + QChar(0) + "%zz",
                    "监控身份证",
                    {},
                    ""},
        CommandCase{"ControlCharacters",
                    Address(QStringLiteral("\x01\x02{\"type\":\"exit\"}")),
                    "",
                    {},
                    ""},
        CommandCase{
            "EncodedNulInJson", Address(R"({"type":"ex)") + "%00" + "it%22%7D", "", {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PageCommandSize, TenMegabyteAddressStillFindsItsCommand) {
    RecordingActions actions;
    const QString address = QStringLiteral("https://portal.test/") +
                            QString(10 * 1024 * 1024, QLatin1Char('a')) +
                            Address(R"({"type":"startmonitor"})");
    EXPECT_EQ(HandlePageCommand(address, actions), QStringLiteral("监控身份证"));
    EXPECT_EQ(
        HandlePageCommand(Address(R"({"type":"zmxy"}?)") + QString(10 * 1024 * 1024, 'b'), actions)
            .size(),
        QStringLiteral("实名认证信息：").size() + 10 * 1024 * 1024);
}

}  // namespace
}  // namespace corvane::browser
