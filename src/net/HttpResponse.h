// One HTTP response as the client received it.
#pragma once

#include <QByteArray>
#include <optional>
#include <vector>

namespace corvane::net {

struct HttpHeader {
    QByteArray name;   // as received
    QByteArray value;  // blanks around it removed
};

struct HttpResponse {
    QByteArray statusLine;  // as received, without its CR LF
    int status = 0;         // the status line's second field
    // The header lines as received, without CR LF (a folded header is one line, its parts joined
    // by one blank), in order; `headers` holds the same lines split at their first colon.
    std::vector<QByteArray> headerLines;
    std::vector<HttpHeader> headers;
    QByteArray body;

    // The value of the first header with this name (case ignored), if any.
    std::optional<QByteArray> header(const QByteArray& name) const;
    // Every value of the headers with this name (case ignored), in order.
    std::vector<QByteArray> headerValues(const QByteArray& name) const;
};

}  // namespace corvane::net
