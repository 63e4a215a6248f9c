// Small builders shared by the exchange tests.
#pragma once

#include <QByteArray>
#include <QString>

#include "net/HttpExchange.h"

namespace corvane::net::testing {

inline const QByteArray kFixedTail =
    "Accept: text/html, */*\r\nAccept-Encoding: identity\r\n"
    "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";

inline QByteArray HostLine(quint16 port, const char* host = "127.0.0.1") {
    return QByteArray("Host: ") + host + ':' + QByteArray::number(port) + "\r\n";
}

inline ThMsg PostMsg(const QString& url, const QString& body,
                     const QString& contentType = QStringLiteral("application/json; charset=UTF-8"),
                     const QString& encoding = QString()) {
    ThMsg m;
    m.In_url = url;
    m.In_nr = body;
    m.bz_post = true;
    m.ContentType = contentType;
    m.Encoding = encoding;
    return m;
}

inline ThMsg GetMsg(const QString& url, const QString& encoding = QString()) {
    ThMsg m;
    m.In_url = url;
    m.Encoding = encoding;
    return m;
}

inline QByteArray Ok(const QByteArray& body, const QByteArray& extraHeaders = {}) {
    return "HTTP/1.1 200 OK\r\n" + extraHeaders +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

}  // namespace corvane::net::testing
