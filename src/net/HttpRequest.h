// The request as it goes out on the wire: request line, the header lines in their fixed order and
// conditions, an empty line, the body.
//
// Pure functions, any thread.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "HttpUrl.h"

namespace corvane::net {

struct HttpRequest {
    bool post = false;  // POST (HTTP/1.0) or GET (HTTP/1.1)
    HttpUrl url;
    QString contentType;  // empty: no Content-Type line
    QByteArray body;      // sent for a POST only
    // The text of the follow-up's "cookie:" line (it brings its own leading blank); none on a
    // first request.
    std::optional<QByteArray> cookieText;
    // The client's cookie store's "name=value; ..." pairs for url. When not empty they go out as a
    // "Cookie" line in the place of the "cookie:" line, and a "Cookie2" line ends the head.
    QByteArray storeCookies;
};

// The request bytes: head and body.
QByteArray WriteHttpRequest(const HttpRequest& request);

// The Content-Type value: the media type, its other parameters, then the charset parameter, each
// parameter as "; " + name + "=" + value. Characters outside printable ASCII become "?", so no
// caller text can break the header line.
QByteArray FormatContentType(const QString& contentType);

}  // namespace corvane::net
