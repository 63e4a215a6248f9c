// The client's cookie store: the cookies that the responses of one exchange set, sent back on the
// exchange's follow-up request by the usual cookie rules (domain, path, secure flag, expiry).
//
// Owned by one HttpClient, used by the thread that runs its exchange; lives as long as the client.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <vector>

#include "HttpResponse.h"
#include "HttpUrl.h"

namespace corvane::net {

class CookieStore {
  public:
    // Takes the cookies of the "Set-Cookie" and "Set-Cookie2" headers (names compared without
    // regard to case) of a response to a request for requestUrl. A cookie whose Domain does not
    // cover the request's host is refused; an expired one removes the stored cookie it names.
    void TakeFrom(const HttpResponse& response, const HttpUrl& requestUrl,
                  const QDateTime& now = QDateTime::currentDateTimeUtc());

    // The stored cookies that match url, as "name=value" pairs joined by "; ", longer paths first;
    // empty when none. Secure cookies never match, as this client has no secure transport.
    QByteArray CookieLineFor(const HttpUrl& url,
                             const QDateTime& now = QDateTime::currentDateTimeUtc()) const;

    // Parses a cookie date ("Wed, 21 Oct 2015 07:28:00 GMT" and the other forms servers send).
    // An invalid QDateTime when the text holds no valid date.
    static QDateTime ParseCookieDate(const QByteArray& text);

  private:
    struct Cookie {
        QByteArray name;
        QByteArray value;
        QByteArray domain;  // lower-case, without a leading dot
        bool hostOnly = true;
        QByteArray path;
        bool secure = false;
        QDateTime expiry;  // invalid: lives as long as the store
        quint64 created = 0;
    };

    void Take(const QByteArray& setCookie, const HttpUrl& requestUrl, const QDateTime& now);

    std::vector<Cookie> cookies_;
    quint64 nextCreated_ = 0;
};

}  // namespace corvane::net
