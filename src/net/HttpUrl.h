// Absolute "http" URLs as the exchange sends them, and the resolution of a redirect's Location.
//
// Pure functions, any thread.
#pragma once

#include <QByteArray>
#include <QString>

namespace corvane::net {

struct HttpUrl {
    QString host;       // as written in the URL; an IPv6 literal keeps its brackets
    quint16 port = 80;  // the written port, 80 when none is written
    // Path and query as they stand in the URL ("/" when it has no path), without the fragment.
    // Bytes outside printable ASCII are percent-encoded (UTF-8), so the request line stays one
    // line of ASCII whatever the URL holds.
    QByteArray target;

    // The host as the resolver wants it (an IPv6 literal without its brackets).
    QString connectHost() const;
    // The path part of target, without the query.
    QByteArray path() const;
};

// Parses an absolute "http" URL. Throws HttpError for another scheme ("https" included: this client
// has no TLS), a missing or invalid host, an invalid port, or user information in the URL.
HttpUrl ParseHttpUrl(const QString& url);

// Resolves a reference (a redirect's Location) against the absolute URL of the request it answered,
// the way a browser resolves a link: a reference with a scheme stands alone, "//host/..." keeps the
// scheme, "/..." keeps scheme and host, anything else is taken relative to the base's path. Dot
// segments are removed; the fragment is dropped.
QString ResolveReference(const QString& base, const QString& reference);

}  // namespace corvane::net
