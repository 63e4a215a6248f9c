// The request bytes: request line, header order and conditions, body.
#include <gtest/gtest.h>

#include "net/HttpRequest.h"

namespace corvane::net {
namespace {

struct RequestCase {
    const char* name;
    HttpRequest request;
    QByteArray expected;
};

HttpRequest Make(bool post, const char* url, const char* contentType, const QByteArray& body,
                 std::optional<QByteArray> cookieText = std::nullopt,
                 const QByteArray& storeCookies = {}) {
    HttpRequest r;
    r.post = post;
    r.url = ParseHttpUrl(QString::fromUtf8(url));
    r.contentType = QString::fromUtf8(contentType);
    r.body = body;
    r.cookieText = cookieText;
    r.storeCookies = storeCookies;
    return r;
}

const QByteArray kTail =
    "Accept: text/html, */*\r\nAccept-Encoding: identity\r\n"
    "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";

class WriteHttpRequestTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(WriteHttpRequestTest, WritesTheWireForm) {
    EXPECT_EQ(WriteHttpRequest(GetParam().request), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, WriteHttpRequestTest,
    ::testing::Values(
        RequestCase{"PostOnDefaultPort",
                    Make(true, "http://h.example/p?q=1", "application/json; charset=UTF-8", "{}"),
                    "POST /p?q=1 HTTP/1.0\r\nConnection: keep-alive\r\n"
                    "Content-Type: application/json; charset=UTF-8\r\nContent-Length: 2\r\n"
                    "Host: h.example\r\n" +
                        kTail + "\r\n{}"},
        RequestCase{"PostWrittenPort80EmptyBodyNoType", Make(true, "http://h:80/", "", ""),
                    "POST / HTTP/1.0\r\nConnection: keep-alive\r\nContent-Length: 0\r\n"
                    "Host: h\r\n" +
                        kTail + "\r\n"},
        RequestCase{
            "GetWithTypeHasNoLengthNorBody",
            Make(false, "http://h:8080/x", "text/plain", "ignored"),
            "GET /x HTTP/1.1\r\nContent-Type: text/plain\r\nHost: h:8080\r\n" + kTail + "\r\n"},
        RequestCase{"FollowUpCookieLineWithoutBlank",
                    Make(true, "http://h/n", "", "b", QByteArray(" a=1; Path=/")),
                    "POST /n HTTP/1.0\r\nConnection: keep-alive\r\nContent-Length: 1\r\n"
                    "cookie: a=1; Path=/\r\nHost: h\r\n" +
                        kTail + "\r\nb"},
        RequestCase{"EmptyFollowUpCookieLine", Make(false, "http://h/n", "", "", QByteArray()),
                    "GET /n HTTP/1.1\r\ncookie:\r\nHost: h\r\n" + kTail + "\r\n"},
        RequestCase{"StoreCookiesReplaceTheLineAndAddCookie2",
                    Make(false, "http://h/n", "", "", QByteArray(" a=1"), "a=1; b=2"),
                    "GET /n HTTP/1.1\r\nCookie: a=1; b=2\r\nHost: h\r\n" + kTail +
                        "Cookie2: $Version=\"1\"\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatContentTypeTest, PutsCharsetLastAndKeepsTheRest) {
    const std::pair<const char*, const char*> cases[] = {
        {"application/json; charset=UTF-8", "application/json; charset=UTF-8"},
        {"text/plain;charset=gbk;format=flowed", "text/plain; format=flowed; charset=gbk"},
        {" text/html ;  level = 1 ; ", "text/html; level=1"},
        {"text/plain; Charset=\"utf-8\"; a=b", "text/plain; a=b; Charset=\"utf-8\""},
        {"text/plain\r\nX-Evil: 1", "text/plain??X-Evil: 1"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(FormatContentType(QString::fromUtf8(in)), out) << in;
}

}  // namespace
}  // namespace corvane::net
