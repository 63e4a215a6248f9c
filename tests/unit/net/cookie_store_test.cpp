// The follow-up request carries the cookies a browser would send: domain, path, secure flag,
// expiry, replacement and order.
#include <gtest/gtest.h>

#include "net/CookieStore.h"

namespace corvane::net {
namespace {

const QDateTime kNow(QDate(2024, 3, 15), QTime(12, 0), Qt::UTC);

struct CookieCase {
    const char* name;
    const char* responseUrl;
    std::vector<std::pair<const char*, const char*>> headers;  // name, value
    const char* requestUrl;
    const char* expected;
};

class CookieStoreTest : public ::testing::TestWithParam<CookieCase> {};

TEST_P(CookieStoreTest, SendsTheMatchingCookies) {
    const CookieCase& c = GetParam();
    HttpResponse response;
    for (const auto& [name, value] : c.headers) response.headers.push_back({name, value});
    CookieStore store;
    store.TakeFrom(response, ParseHttpUrl(QString::fromUtf8(c.responseUrl)), kNow);
    EXPECT_EQ(store.CookieLineFor(ParseHttpUrl(QString::fromUtf8(c.requestUrl)), kNow),
              QByteArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cookies, CookieStoreTest,
    ::testing::Values(
        CookieCase{"SameHostRootPath",
                   "http://h/login",
                   {{"Set-Cookie", "a=1; Path=/"}},
                   "http://h/next",
                   "a=1"},
        CookieCase{
            "HeaderNameCaseIgnored", "http://h/", {{"SET-COOKIE", "a=1"}}, "http://h/x", "a=1"},
        CookieCase{"HostOnlyNotForOtherHost",
                   "http://h/",
                   {{"Set-Cookie", "a=1; Path=/"}},
                   "http://localhost/",
                   ""},
        CookieCase{"HostOnlyNotForSubdomain",
                   "http://h.example/",
                   {{"Set-Cookie", "a=1"}},
                   "http://www.h.example/",
                   ""},
        CookieCase{"DomainCoversSubdomains",
                   "http://www.h.example/",
                   {{"Set-Cookie", "a=1; Domain=.H.example; Path=/"}},
                   "http://api.h.example/",
                   "a=1"},
        CookieCase{"ForeignDomainRefused",
                   "http://h.example/",
                   {{"Set-Cookie", "a=1; Domain=other.example"}},
                   "http://other.example/",
                   ""},
        CookieCase{"DomainNotForIpSuffix",
                   "http://1.2.3.4/",
                   {{"Set-Cookie", "a=1; Domain=2.3.4"}},
                   "http://1.2.3.4/",
                   ""},
        CookieCase{"DefaultPathIsTheFolder",
                   "http://h/app/login.do",
                   {{"Set-Cookie", "a=1"}},
                   "http://h/app/next",
                   "a=1"},
        CookieCase{"DefaultPathNotForOtherFolder",
                   "http://h/app/login.do",
                   {{"Set-Cookie", "a=1"}},
                   "http://h/next",
                   ""},
        CookieCase{"PathPrefixNeedsSlash",
                   "http://h/",
                   {{"Set-Cookie", "a=1; Path=/app"}},
                   "http://h/application",
                   ""},
        CookieCase{"PathMatchesBelow",
                   "http://h/",
                   {{"Set-Cookie", "a=1; Path=/app"}},
                   "http://h/app/x?q=/y",
                   "a=1"},
        CookieCase{"SecureNeverOverPlainHttp",
                   "http://h/",
                   {{"Set-Cookie", "a=1; Secure"}},
                   "http://h/",
                   ""},
        CookieCase{"MaxAgeZeroDeletes",
                   "http://h/",
                   {{"Set-Cookie", "a=1"}, {"Set-Cookie", "a=gone; Max-Age=0"}},
                   "http://h/",
                   ""},
        CookieCase{
            "PastExpiresDeletes",
            "http://h/",
            {{"Set-Cookie", "a=1"}, {"Set-Cookie", "a=2; Expires=Thu, 01 Jan 1970 00:00:00 GMT"}},
            "http://h/",
            ""},
        CookieCase{"FutureExpiresKeeps",
                   "http://h/",
                   {{"Set-Cookie", "a=1; expires=Wed, 21-Oct-2037 07:28:00 GMT"}},
                   "http://h/",
                   "a=1"},
        CookieCase{"MaxAgeWinsOverExpires",
                   "http://h/",
                   {{"Set-Cookie", "a=1; Max-Age=60; Expires=Thu, 01 Jan 1970 00:00:00 GMT"}},
                   "http://h/",
                   "a=1"},
        CookieCase{"LaterValueReplacesInPlace",
                   "http://h/",
                   {{"Set-Cookie", "a=1"}, {"Set-Cookie", "b=2"}, {"Set-Cookie", "a=3"}},
                   "http://h/",
                   "a=3; b=2"},
        CookieCase{"LongerPathFirst",
                   "http://h/",
                   {{"Set-Cookie", "a=1; Path=/"}, {"Set-Cookie", "b=2; Path=/app"}},
                   "http://h/app/x",
                   "b=2; a=1"},
        CookieCase{"NamelessAndValuelessIgnored",
                   "http://h/",
                   {{"Set-Cookie", "=1"}, {"Set-Cookie", "novalue"}, {"Set-Cookie", "c="}},
                   "http://h/",
                   "c="},
        CookieCase{"SetCookie2ListAndQuotes",
                   "http://h/",
                   {{"Set-Cookie2", "a=\"x,y\"; Version=\"1\"; Path=\"/\", b=2; Version=1"}},
                   "http://h/",
                   "a=\"x,y\"; b=2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CookieDateTest, ReadsTheFormsServersSend) {
    const QDateTime expected(QDate(2015, 10, 21), QTime(7, 28), Qt::UTC);
    for (const char* text : {"Wed, 21 Oct 2015 07:28:00 GMT", "Wednesday, 21-Oct-15 07:28:00 GMT",
                             "Wed Oct 21 07:28:00 2015"})
        EXPECT_EQ(CookieStore::ParseCookieDate(text), expected) << text;
    for (const char* text : {"", "tomorrow", "Wed, 31 Feb 2015 07:28:00 GMT", "21 Oct 2015"})
        EXPECT_FALSE(CookieStore::ParseCookieDate(text).isValid()) << text;
}

}  // namespace
}  // namespace corvane::net
