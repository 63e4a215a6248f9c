// The login report end to end against a local server: the exact request of a report, and the
// taxpayer number stored whatever the server does.
#include <gtest/gtest.h>

#include <QDir>

#include "ExchangeHelpers.h"
#include "RawServer.h"
#include "TestLog.h"
#include "config/IniFile.h"
#include "config/Settings.h"
#include "net/MachineIdentity.h"
#include "net/VersionReport.h"

namespace corvane::net {
namespace {

using namespace corvane::net::testing;

class VersionReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QDir(ProgramFolder()).mkpath(QStringLiteral("HISUPDATE"));
        QFile::remove(ProgramFolder() + QStringLiteral("HISUPDATE/qvprm.ini"));
        settings = config::DefaultSettings(ProgramFolder());
        settings.UpdateFolder = QStringLiteral("HISUPDATE/");
        settings.clientlx = QStringLiteral("1");
        settings.version = QStringLiteral("1.0.5");
        SetMachineIdentity(QStringLiteral("001A2B3C4D5E"));
    }
    QString StoredNumber() const {
        return config::ReadIniString(config::QvprmPath(settings), QStringLiteral("parms"),
                                     QStringLiteral("nsrsbh"), QStringLiteral("<none>"));
    }

    config::AppSettings settings;
};

TEST_F(VersionReportTest, SendsTheReportAndStoresTheNumber) {
    RawServer server({{Send(Ok("{\"code\":\"0\"}"))}});
    settings.Server = server.url("/zjgfdacx/app/queryVersion.do");
    LogTail log;
    SendVersionReport(settings, QStringLiteral("330100123456789"));

    const QByteArray body =
        "{\"mac\":\"001A2B3C4D5E\",\"version\":\"1.0.5\",\"app_type\":\"1\",\"djxh\":\"\","
        "\"nsrsbh\":\"330100123456789\"}";
    ASSERT_EQ(body.size(), 92);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0],
              "POST /zjgfdacx/app/queryVersion.do HTTP/1.0\r\n"
              "Connection: keep-alive\r\n"
              "Content-Type: application/json; charset=UTF-8\r\n"
              "Content-Length: 92\r\n"
              "Host: 127.0.0.1:" +
                  QByteArray::number(server.port()) +
                  "\r\n"
                  "Accept: text/html, */*\r\n"
                  "Accept-Encoding: identity\r\n"
                  "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
                  "\r\n" +
                  body);
    EXPECT_EQ(StoredNumber(), u"330100123456789");
    const QString url = settings.Server;
    const QStringList expected = {QStringLiteral("info|In_url:") + url,
                                  QStringLiteral("info|In_nr:") + QString::fromLatin1(body),
                                  QStringLiteral("debug|req:") + QString::fromLatin1(body),
                                  QStringLiteral("debug|url:") + url,
                                  QStringLiteral("debug|res:{\"code\":\"0\"}"),
                                  QStringLiteral("debug|http end")};
    EXPECT_EQ(log.Entries(), expected);
}

TEST_F(VersionReportTest, RedirectSendsTheSameBodyToTheSecondUrl) {
    RawServer second({{Send(Ok("ok"))}});
    RawServer first({{Send("HTTP/1.1 302 Found\r\nLocation: " + second.url("/v2").toUtf8() +
                           "\r\nContent-Length: 0\r\n\r\n")}});
    settings.Server = first.url("/v1");
    SendVersionReport(settings, QStringLiteral("12/34"));
    ASSERT_EQ(first.requests().size(), 1u);
    ASSERT_EQ(second.requests().size(), 1u);
    const QByteArray sent = first.requests()[0];
    const QByteArray body = sent.mid(sent.indexOf("\r\n\r\n") + 4);
    EXPECT_TRUE(body.contains("\"nsrsbh\":\"12\\/34\"")) << body.constData();
    EXPECT_TRUE(second.requests()[0].endsWith("\r\n\r\n" + body));
    EXPECT_EQ(StoredNumber(), u"12/34");
}

enum class Outcome { kHttps, kServerError, kRefused };

class VersionReportFailureTest : public VersionReportTest,
                                 public ::testing::WithParamInterface<Outcome> {};

TEST_P(VersionReportFailureTest, StoresTheNumberAndLogsOneError) {
    RawServer server({{Send("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n")}});
    ClosedPort closed;
    switch (GetParam()) {
        case Outcome::kHttps:
            settings.Server = QStringLiteral("https://127.0.0.1:%1/r").arg(server.port());
            break;
        case Outcome::kServerError:
            settings.Server = server.url("/r");
            break;
        case Outcome::kRefused:
            settings.Server = QStringLiteral("http://127.0.0.1:%1/r").arg(closed.port());
            break;
    }
    LogTail log;
    SendVersionReport(settings, QStringLiteral("A\"B"));
    EXPECT_EQ(StoredNumber(), u"A\"B");
    const QStringList errors = log.Entries(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(
        errors[0].startsWith(QStringLiteral("error|") + settings.Server + QStringLiteral("\r\n")));
}

std::string OutcomeName(const ::testing::TestParamInfo<Outcome>& info) {
    switch (info.param) {
        case Outcome::kHttps:
            return "Https";
        case Outcome::kServerError:
            return "ServerError";
        case Outcome::kRefused:
            return "Refused";
    }
    return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Outcomes, VersionReportFailureTest,
                         ::testing::Values(Outcome::kHttps, Outcome::kServerError,
                                           Outcome::kRefused),
                         OutcomeName);

}  // namespace
}  // namespace corvane::net
