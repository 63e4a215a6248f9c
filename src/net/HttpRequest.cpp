#include "HttpRequest.h"

#include <QStringList>

#include "text/TextUtil.h"

namespace corvane::net {
namespace {

QByteArray HeaderAscii(const QString& s) {
    QByteArray out;
    out.reserve(s.size());
    for (QChar c : s) out += (c.unicode() >= 0x20 && c.unicode() < 0x7F) ? char(c.unicode()) : '?';
    return out;
}

void AddLine(QByteArray& head, const char* name, const QByteArray& value) {
    head += name;
    head += ": ";
    head += value;
    head += "\r\n";
}

}  // namespace

QByteArray FormatContentType(const QString& contentType) {
    const QStringList parts = contentType.split(u';');
    QByteArray out = HeaderAscii(text::TrimControl(parts.front()));
    QByteArray charset;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString param = text::TrimControl(parts[i]);
        if (param.isEmpty()) continue;
        const qsizetype eq = param.indexOf(u'=');
        const QString name = text::TrimControl(eq < 0 ? param : param.left(eq));
        const QByteArray written =
            "; " + HeaderAscii(eq < 0 ? name : name + u'=' + text::TrimControl(param.mid(eq + 1)));
        if (name.compare(u"charset", Qt::CaseInsensitive) == 0)
            charset = written;
        else
            out += written;
    }
    return out + charset;
}

QByteArray WriteHttpRequest(const HttpRequest& r) {
    QByteArray head;
    head += r.post ? "POST " : "GET ";
    head += r.url.target;
    head += r.post ? " HTTP/1.0\r\n" : " HTTP/1.1\r\n";
    if (r.post) AddLine(head, "Connection", "keep-alive");
    if (!r.contentType.isEmpty()) AddLine(head, "Content-Type", FormatContentType(r.contentType));
    if (r.post) AddLine(head, "Content-Length", QByteArray::number(r.body.size()));
    if (!r.storeCookies.isEmpty()) {
        AddLine(head, "Cookie", r.storeCookies);
    } else if (r.cookieText) {
        head += "cookie:" + *r.cookieText + "\r\n";
    }
    QByteArray host = HeaderAscii(r.url.host);
    if (r.url.port != 80) host += ':' + QByteArray::number(r.url.port);
    AddLine(head, "Host", host);
    AddLine(head, "Accept", "text/html, */*");
    AddLine(head, "Accept-Encoding", "identity");
    AddLine(head, "User-Agent", "Mozilla/3.0 (compatible; Indy Library)");
    if (!r.storeCookies.isEmpty()) AddLine(head, "Cookie2", "$Version=\"1\"");
    head += "\r\n";
    if (r.post) head += r.body;
    return head;
}

}  // namespace corvane::net
