// The exchange on the calling thread against a local raw-socket server: the bytes that go out, how
// answers become i_res and out_info, the 302 follow-up, malformed answers and the read time-out.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "ExchangeHelpers.h"
#include "RawServer.h"
#include "TestLog.h"
#include "net/HttpExchange.h"
#include "text/AnsiCodePage.h"

namespace corvane::net {
namespace {

using namespace corvane::net::testing;

// ---- What goes out -------------------------------------------------------------------------

struct OutCase {
    const char* name;
    bool post;
    QString body;
    QString contentType;
    QString encoding;
    QByteArray typeLine;  // expected Content-Type line, or empty
    QByteArray sentBody;  // expected body bytes (POST)
};

class RequestBytesTest : public ::testing::TestWithParam<OutCase> {};

TEST_P(RequestBytesTest, SendsExactlyTheseBytes) {
    const OutCase& c = GetParam();
    RawServer server({{Send(Ok("ok"))}});
    ThMsg msg = c.post ? PostMsg(server.url("/p?q=1"), c.body, c.contentType, c.encoding)
                       : GetMsg(server.url("/p?q=1"), c.encoding);
    msg.ContentType = c.contentType;
    msg.In_nr = c.body;
    EXPECT_EQ(PerformHttpRequest(msg), kExchangeSucceeded) << msg.out_info.toStdString();

    QByteArray expected =
        c.post ? "POST /p?q=1 HTTP/1.0\r\nConnection: keep-alive\r\n" : "GET /p?q=1 HTTP/1.1\r\n";
    expected += c.typeLine;
    if (c.post) expected += "Content-Length: " + QByteArray::number(c.sentBody.size()) + "\r\n";
    expected += HostLine(server.port()) + kFixedTail + "\r\n";
    if (c.post) expected += c.sentBody;
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], expected);
}

const QString kTaxText = QStringLiteral("\u7A0E\u53F7\U0001F600");  // two CJK letters, one emoji

INSTANTIATE_TEST_SUITE_P(
    Out, RequestBytesTest,
    ::testing::Values(
        OutCase{"BlankBodySendsLengthZero", true, QStringLiteral(" \t\r\n "),
                QStringLiteral("application/json; charset=UTF-8"), QString(),
                "Content-Type: application/json; charset=UTF-8\r\n", ""},
        OutCase{"BodyKeepsItsBlanks", true, QStringLiteral(" a "), QString(), QString(), "", " a "},
        // The charset in the content type does not change the body: only Encoding does.
        OutCase{"AnsiBodyDespiteUtf8Charset", true, kTaxText,
                QStringLiteral("application/json; charset=UTF-8"), QString(),
                "Content-Type: application/json; charset=UTF-8\r\n", text::ToAnsi(kTaxText)},
        // UTF-8 is made from the ANSI text, so what the code page cannot hold stays "?".
        OutCase{"Utf8BodyWithEncodingInAnyCase", true, kTaxText,
                QStringLiteral("application/json; charset=UTF-8"), QStringLiteral("utf-8"),
                "Content-Type: application/json; charset=UTF-8\r\n",
                text::FromAnsi(text::ToAnsi(kTaxText)).toUtf8()},
        OutCase{"EncodingNeedsAContentType", true, kTaxText, QString(), QStringLiteral("UTF-8"), "",
                text::ToAnsi(kTaxText)},
        OutCase{"ParametersReordered", true, QStringLiteral("x"),
                QStringLiteral("text/plain;charset=gbk;format=flowed"), QString(),
                "Content-Type: text/plain; format=flowed; charset=gbk\r\n", "x"},
        OutCase{"GetHasNoLengthNorBody", false, QStringLiteral("only logged"),
                QStringLiteral("text/plain"), QString(), "Content-Type: text/plain\r\n", ""},
        OutCase{"GetWithoutType", false, QString(), QString(), QString(), "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- What comes back -----------------------------------------------------------------------

struct InCase {
    const char* name;
    bool post;
    QString encoding;
    QByteArray response;
    int result;
    QString outInfo;
};

class ResponseTest : public ::testing::TestWithParam<InCase> {};

TEST_P(ResponseTest, GivesResultAndText) {
    const InCase& c = GetParam();
    RawServer server({{Send(c.response)}});
    ThMsg msg = c.post ? PostMsg(server.url("/r"), QStringLiteral("{}"))
                       : GetMsg(server.url("/r"), c.encoding);
    msg.out_info = QStringLiteral("left over from before");
    EXPECT_EQ(PerformHttpRequest(msg), c.result);
    EXPECT_EQ(msg.i_res, c.result);
    EXPECT_EQ(msg.out_info, c.outInfo);
    EXPECT_EQ(server.requests().size(), 1u) << "only a first 302 is followed";
}

const QByteArray kTaxGbk = "\xCB\xB0";       // U+7A0E in GBK
const QByteArray kTaxUtf8 = "\xE7\xA8\x8E";  // U+7A0E in UTF-8

INSTANTIATE_TEST_SUITE_P(
    In, ResponseTest,
    ::testing::Values(
        InCase{"TrimsBlanksAndControls", true, {}, Ok("  ok\r\n"), 99, QStringLiteral("ok")},
        InCase{"EmptyBody", true, {}, Ok(""), 99, QString()},
        InCase{"PostReadsResponseCharset",
               true,
               {},
               Ok(kTaxGbk, "Content-Type: text/plain; charset=GBK\r\n"),
               99,
               QStringLiteral("\u7A0E")},
        InCase{"QuotedCharset",
               true,
               {},
               Ok(kTaxUtf8, "Content-Type: application/json;charset=\"utf-8\"\r\n"),
               99,
               QStringLiteral("\u7A0E")},
        InCase{"GetWithoutEncodingReadsResponseCharset",
               false,
               {},
               Ok(kTaxUtf8, "Content-Type: text/html; charset=UTF-8\r\n"),
               99,
               QStringLiteral("\u7A0E")},
        InCase{"GetEncodingWinsOverResponseCharset", false, QStringLiteral("GBK"),
               Ok(kTaxGbk, "Content-Type: text/html; charset=UTF-8\r\n"), 99,
               QStringLiteral("\u7A0E")},
        InCase{"NoCharsetIsLatin1", true, {}, Ok(kTaxUtf8), 99, QString::fromLatin1(kTaxUtf8)},
        InCase{"UnknownCharsetIsLatin1",
               true,
               {},
               Ok(kTaxUtf8, "Content-Type: text/plain; charset=x-no-such-set\r\n"),
               99,
               QString::fromLatin1(kTaxUtf8)},
        InCase{"ChunkedBody",
               true,
               {},
               "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n",
               99,
               QStringLiteral("ok")},
        InCase{"LinesEndedByLfAlone",
               true,
               {},
               "HTTP/1.1 200 OK\nContent-Length: 2\n\nok",
               99,
               QStringLiteral("ok")},
        InCase{"BodyUntilClose",
               true,
               {},
               "HTTP/1.0 200 OK\r\n\r\nuntil close",
               99,
               QStringLiteral("until close")},
        InCase{"CreatedMayCarryLocation",
               true,
               {},
               "HTTP/1.1 201 Created\r\nLocation: /new\r\nContent-Length: 2\r\n\r\nid",
               99,
               QStringLiteral("id")},
        InCase{"OkWithLocationFails",
               true,
               {},
               "HTTP/1.1 200 OK\r\nLocation: /elsewhere\r\nContent-Length: 2\r\n\r\nok",
               -1,
               QStringLiteral("HTTP/1.1 200 OK")},
        InCase{"NotFound",
               true,
               {},
               "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here!",
               -1,
               QStringLiteral("HTTP/1.1 404 Not Found")},
        InCase{"ServerErrorStatusLineAsReceived",
               false,
               {},
               "HTTP/1.0 500  Internal  Error \r\n\r\n",
               -1,
               QStringLiteral("HTTP/1.0 500  Internal  Error ")},
        InCase{"MovedPermanentlyNotFollowed",
               true,
               {},
               "HTTP/1.1 301 Moved Permanently\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n",
               -1,
               QStringLiteral("HTTP/1.1 301 Moved Permanently")},
        InCase{"SeeOtherNotFollowed",
               true,
               {},
               "HTTP/1.1 303 See Other\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n",
               -1,
               QStringLiteral("HTTP/1.1 303 See Other")},
        InCase{"TemporaryRedirectNotFollowed",
               true,
               {},
               "HTTP/1.1 307 Temporary Redirect\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n",
               -1,
               QStringLiteral("HTTP/1.1 307 Temporary Redirect")},
        InCase{"NotModifiedFails",
               false,
               {},
               "HTTP/1.1 304 Not Modified\r\n\r\n",
               -1,
               QStringLiteral("HTTP/1.1 304 Not Modified")}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Log lines -----------------------------------------------------------------------------

TEST(ExchangeLogTest, SuccessLogsRequestUrlUntrimmedResponseAndEnd) {
    RawServer server({{Send(Ok("  ok\r\n"))}});
    LogTail log;
    ThMsg msg = PostMsg(server.url("/log"), QStringLiteral("{\"k\":\"\u7A0E\U0001F600\"}"));
    PerformHttpRequest(msg);
    const QStringList expected = {
        QStringLiteral("debug|req:") + text::FromAnsi(text::ToAnsi(msg.In_nr)),
        QStringLiteral("debug|url:") + msg.In_url,
        QStringLiteral("debug|res:  ok\r\n"),
        QStringLiteral("debug|http end"),
    };
    EXPECT_EQ(log.Entries(), expected);
}

TEST(ExchangeLogTest, FailureLogsOneErrorNamingTheUrlThenEnd) {
    RawServer server({{Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")}});
    LogTail log;
    ThMsg msg = GetMsg(server.url("/missing"));
    EXPECT_EQ(PerformHttpRequest(msg), -1);
    const QStringList expected = {
        QStringLiteral("debug|req:"),
        QStringLiteral("debug|url:") + msg.In_url,
        QStringLiteral("error|") + msg.In_url + QStringLiteral("\r\nHTTP/1.1 404 Not Found"),
        QStringLiteral("debug|http end"),
    };
    EXPECT_EQ(log.Entries(), expected);
}

// ---- Failures before any answer ------------------------------------------------------------

TEST(ExchangeFailureTest, HttpsFailsBeforeAnyConnection) {
    RawServer server({{Send(Ok("never"))}});
    LogTail log;
    ThMsg msg =
        PostMsg(QStringLiteral("https://127.0.0.1:%1/x").arg(server.port()), QStringLiteral("{}"));
    EXPECT_EQ(PerformHttpRequest(msg), -1);
    EXPECT_TRUE(msg.out_info.contains(u"HTTPS is not supported")) << msg.out_info.toStdString();
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(log.Entries(QStringLiteral("error")).size(), 1);
}

TEST(ExchangeFailureTest, RefusedConnectionGivesTheSystemMessage) {
    ClosedPort closed;
    ThMsg msg =
        PostMsg(QStringLiteral("http://127.0.0.1:%1/x").arg(closed.port()), QStringLiteral("{}"));
    EXPECT_EQ(PerformHttpRequest(msg), -1);
    EXPECT_TRUE(msg.out_info.contains(u"Could not connect to 127.0.0.1:"))
        << msg.out_info.toStdString();
    EXPECT_TRUE(msg.out_info.contains(u"refused")) << msg.out_info.toStdString();
}

// ---- The 302 follow-up ---------------------------------------------------------------------

const QByteArray kRedirectCookies = "Set-Cookie: a=1; Path=/\r\nSet-Cookie: b=2\r\n";

TEST(RedirectTest, OtherHostGetsTheRedirectsCookieLineAsIs) {
    // Another host name for the same machine: cookies of 127.0.0.1 do not belong to localhost.
    RawServer target({{Send(Ok(" done "))}});
    RawServer first(
        {{Send("HTTP/1.1 302 Found\r\n" + kRedirectCookies + "Location: http://localhost:" +
               QByteArray::number(target.port()) + "/next?x=1\r\nContent-Length: 0\r\n\r\n")}});
    ThMsg msg = PostMsg(first.url("/login/start"), QStringLiteral("{\"a\":1}"));
    LogTail log;
    EXPECT_EQ(PerformHttpRequest(msg), 99) << msg.out_info.toStdString();
    EXPECT_EQ(msg.out_info, u"done");
    ASSERT_EQ(target.requests().size(), 1u);
    EXPECT_EQ(target.requests()[0],
              "POST /next?x=1 HTTP/1.0\r\nConnection: keep-alive\r\n"
              "Content-Type: application/json; charset=UTF-8\r\nContent-Length: 7\r\n"
              "cookie: a=1; Path=/;  b=2\r\n" +
                  HostLine(target.port(), "localhost") + kFixedTail + "\r\n{\"a\":1}");
    // No "url:" line for the follow-up; one "res:" line for its answer.
    const QStringList expected = {
        QStringLiteral("debug|req:{\"a\":1}"), QStringLiteral("debug|url:") + msg.In_url,
        QStringLiteral("debug|res: done "), QStringLiteral("debug|http end")};
    EXPECT_EQ(log.Entries(), expected);
}

TEST(RedirectTest, SameHostGetsTheStoresCookieAndCookie2) {
    RawServer server({{Send("HTTP/1.1 302 Found\r\n" + kRedirectCookies +
                            "Location: /next\r\nContent-Length: 4\r\n\r\nmove")},
                      {Send(Ok("done"))}});
    ThMsg msg = GetMsg(server.url("/login/start"));
    msg.ContentType = QStringLiteral("text/plain");
    EXPECT_EQ(PerformHttpRequest(msg), 99) << msg.out_info.toStdString();
    ASSERT_EQ(server.requests().size(), 2u);
    // b=2 belongs to /login (the first request's folder), so only a=1 matches /next.
    EXPECT_EQ(server.requests()[1],
              "GET /next HTTP/1.1\r\nContent-Type: text/plain\r\n"
              "Cookie: a=1\r\n" +
                  HostLine(server.port()) + kFixedTail + "Cookie2: $Version=\"1\"\r\n\r\n");
}

TEST(RedirectTest, EmptyCookieLineWhenTheRedirectSetsNone) {
    RawServer server(
        {{Send("HTTP/1.1 302 Found\r\nLocation: ../other\r\n\r\n")}, {Send(Ok("done"))}});
    ThMsg msg = PostMsg(server.url("/a/b/c"), QString(), QString());
    EXPECT_EQ(PerformHttpRequest(msg), 99) << msg.out_info.toStdString();
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[1],
              "POST /a/other HTTP/1.0\r\nConnection: keep-alive\r\n"
              "Content-Length: 0\r\ncookie:\r\n" +
                  HostLine(server.port()) + kFixedTail + "\r\n");
}

// ---- Malformed answers ---------------------------------------------------------------------

struct BadCase {
    const char* name;
    std::vector<Script> scripts;
    const char* message;   // in out_info and in the one error line
    const char* location;  // the error line names this URL path (the first or the Location)
};

class MalformedResponseTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(MalformedResponseTest, FailsWithOneErrorLine) {
    const BadCase& c = GetParam();
    RawServer server(c.scripts);
    LogTail log;
    ThMsg msg = PostMsg(server.url("/first"), QStringLiteral("{}"));
    EXPECT_EQ(PerformHttpRequest(msg), -1);
    EXPECT_EQ(msg.i_res, -1);
    EXPECT_TRUE(msg.out_info.contains(QString::fromUtf8(c.message))) << msg.out_info.toStdString();
    const QStringList errors = log.Entries(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
    const QString url = QString::fromUtf8(c.location).startsWith(u"http")
                            ? QString::fromUtf8(c.location)
                            : server.url(QString::fromUtf8(c.location));
    EXPECT_EQ(errors[0], QStringLiteral("error|") + url + QStringLiteral("\r\n") + msg.out_info);
    EXPECT_EQ(log.Entries().back(), u"debug|http end");
}

INSTANTIATE_TEST_SUITE_P(
    Bad, MalformedResponseTest,
    ::testing::Values(
        BadCase{"ClosedWithoutAnswer", {{}}, "Connection closed without a response", "/first"},
        BadCase{"GarbageStatusLine",
                {{Send("<html>hello</html>\r\n\r\n")}},
                "invalid status line",
                "/first"},
        BadCase{"HeaderWithoutColon",
                {{Send("HTTP/1.1 200 OK\r\nServer\r\n\r\n")}},
                "header line without colon",
                "/first"},
        BadCase{"NegativeLength",
                {{Send("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n")}},
                "invalid Content-Length",
                "/first"},
        BadCase{"HugeLength",
                {{Send("HTTP/1.1 200 OK\r\nContent-Length: 18446744073709551616\r\n\r\n")}},
                "Response too large",
                "/first"},
        BadCase{"BadChunkSize",
                {{Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0x10\r\n")}},
                "invalid chunk size",
                "/first"},
        BadCase{"ClosedMidBody",
                {{Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly part")}},
                "before the whole response body arrived",
                "/first"},
        BadCase{"ResetMidBody",
                {{Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly part"), Pause(200),
                  Reset()}},
                "Connection reset by peer",
                "/first"},
        BadCase{"RedirectWithoutLocation",
                {{Send("HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n")}},
                "Redirect 302 without a Location header",
                "/first"},
        BadCase{"RedirectToHttps",
                {{Send("HTTP/1.1 302 Found\r\nLocation: https://127.0.0.1/secure\r\n"
                       "Content-Length: 0\r\n\r\n")}},
                "HTTPS is not supported",
                "https://127.0.0.1/secure"},
        BadCase{
            "SecondRedirect",
            {{Send("HTTP/1.1 302 Found\r\nLocation: /second\r\nContent-Length: 0\r\n\r\n")},
             {Send("HTTP/1.1 302 Moved Again\r\nLocation: /third\r\nContent-Length: 0\r\n\r\n")}},
            "HTTP/1.1 302 Moved Again",
            "/second"},
        BadCase{"RedirectThenNotFound",
                {{Send("HTTP/1.1 302 Found\r\nLocation: /second\r\nContent-Length: 0\r\n\r\n")},
                 {Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")}},
                "HTTP/1.1 404 Not Found",
                "/second"},
        BadCase{"RedirectThenGarbage",
                {{Send("HTTP/1.1 302 Found\r\nLocation: /second\r\nContent-Length: 0\r\n\r\n")},
                 {Send("garbage\r\n\r\n")}},
                "invalid status line",
                "/second"},
        BadCase{"RedirectWithBrokenBody",
                {{Send("HTTP/1.1 302 Found\r\nLocation: /second\r\nTransfer-Encoding: chunked\r\n"
                       "\r\nnope\r\n")}},
                "invalid chunk size",
                "/first"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The read time-out ---------------------------------------------------------------------

TEST(ReadTimeoutTest, SilentServerFailsAfterThirtySeconds) {
    RawServer server({{Hold()}});
    ThMsg msg = PostMsg(server.url("/silent"), QStringLiteral("{}"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(PerformHttpRequest(msg), -1);
    const qint64 elapsed = clock.elapsed();
    EXPECT_TRUE(msg.out_info.contains(u"Read timed out after 30000 ms"))
        << msg.out_info.toStdString();
    EXPECT_GE(elapsed, 29900);
    EXPECT_LT(elapsed, 120000);
}

}  // namespace
}  // namespace corvane::net
