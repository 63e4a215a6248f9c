// URL parsing and Location resolution: the pieces the request line and Host line are built from.
#include <gtest/gtest.h>

#include "net/HttpError.h"
#include "net/HttpUrl.h"

namespace corvane::net {
namespace {

struct ParseCase {
    const char* url;
    const char* host;
    int port;
    const char* target;
};

class ParseHttpUrlTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseHttpUrlTest, SplitsHostPortAndTarget) {
    const ParseCase& c = GetParam();
    const HttpUrl url = ParseHttpUrl(QString::fromUtf8(c.url));
    EXPECT_EQ(url.host, QString::fromUtf8(c.host));
    EXPECT_EQ(url.port, c.port);
    EXPECT_EQ(url.target, QByteArray(c.target));
}

INSTANTIATE_TEST_SUITE_P(
    Urls, ParseHttpUrlTest,
    ::testing::Values(
        ParseCase{"http://etax.example.gov.cn/zjgfdacx/app/queryVersion.do", "etax.example.gov.cn",
                  80, "/zjgfdacx/app/queryVersion.do"},
        ParseCase{"HTTP://Host.Example:8080/a?b=1&c=/d", "Host.Example", 8080, "/a?b=1&c=/d"},
        ParseCase{"http://h", "h", 80, "/"}, ParseCase{"http://h?q=1", "h", 80, "/?q=1"},
        ParseCase{"http://h:/x", "h", 80, "/x"}, ParseCase{"http://h/p#frag", "h", 80, "/p"},
        ParseCase{"  http://h/p \r\n", "h", 80, "/p"},
        ParseCase{"http://[::1]:81/x", "[::1]", 81, "/x"},
        // Whatever the URL holds, the request line stays one line of ASCII.
        ParseCase{"http://h/a b/税?x=\r\nHost: evil", "h", 80,
                  "/a%20b/%E7%A8%8E?x=%0D%0AHost:%20evil"}));

class ParseHttpUrlFailureTest
    : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(ParseHttpUrlFailureTest, FailsWithClearMessage) {
    try {
        ParseHttpUrl(QString::fromUtf8(GetParam().first));
        FAIL() << "accepted " << GetParam().first;
    } catch (const HttpError& e) {
        EXPECT_TRUE(e.message().contains(QString::fromUtf8(GetParam().second))) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(BadUrls, ParseHttpUrlFailureTest,
                         ::testing::Values(std::pair{"https://h/x", "HTTPS is not supported"},
                                           std::pair{"ftp://h/x", "Unsupported protocol"},
                                           std::pair{"h/x", "no scheme"},
                                           std::pair{"http:/h/x", "no host"},
                                           std::pair{"http:///x", "Invalid host"},
                                           std::pair{"http://user:pw@h/x", "User information"},
                                           std::pair{"http://h:0/x", "Invalid port"},
                                           std::pair{"http://h:65536/x", "Invalid port"},
                                           std::pair{"http://h:8a/x", "Invalid port"},
                                           std::pair{"http://h o/x", "Invalid host"},
                                           std::pair{"http://[::1/x", "Invalid host"}));

class ResolveReferenceTest
    : public ::testing::TestWithParam<std::tuple<const char*, const char*, const char*>> {};

TEST_P(ResolveReferenceTest, ResolvesAgainstTheFirstRequest) {
    const auto& [base, ref, expected] = GetParam();
    EXPECT_EQ(ResolveReference(QString::fromUtf8(base), QString::fromUtf8(ref)),
              QString::fromUtf8(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Locations, ResolveReferenceTest,
    ::testing::Values(std::tuple{"http://a:81/b/c?q", "http://x/y", "http://x/y"},
                      std::tuple{"http://a:81/b/c?q", "https://x/y", "https://x/y"},
                      std::tuple{"http://a:81/b/c?q", "//x:82/y", "http://x:82/y"},
                      std::tuple{"http://a:81/b/c?q", "/d/e?f", "http://a:81/d/e?f"},
                      std::tuple{"http://a:81/b/c?q", "d", "http://a:81/b/d"},
                      std::tuple{"http://a:81/b/c?q", "../d/./e", "http://a:81/d/e"},
                      std::tuple{"http://a:81/b/c?q", "../../../d", "http://a:81/d"},
                      std::tuple{"http://a:81/b/c?q", "?r", "http://a:81/b/c?r"},
                      std::tuple{"http://a:81/b/c?q", "", "http://a:81/b/c?q"},
                      std::tuple{"http://a:81/b/c?q", "d#frag", "http://a:81/b/d"},
                      std::tuple{"http://a:81", "d", "http://a:81/d"},
                      std::tuple{"http://a/b/c", "..", "http://a/"}));

}  // namespace
}  // namespace corvane::net
