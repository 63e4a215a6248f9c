#include "HttpUrl.h"

#include <QStringList>
#include <algorithm>

#include "HttpError.h"
#include "text/TextUtil.h"

namespace corvane::net {
namespace {

bool IsSchemeChar(QChar c, bool first) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) return true;
    return !first && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.');
}

// Length of the scheme at the start of s (the part before ':'), or -1 when s has none.
qsizetype SchemeLength(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && IsSchemeChar(s[i], i == 0)) ++i;
    return (i > 0 && i < s.size() && s[i] == u':') ? i : -1;
}

bool IsHostNameChar(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'.' || c == u'_';
}

bool IsIpv6LiteralChar(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F') ||
           c == u':' || c == u'.';
}

QByteArray EncodeTarget(const QString& target) {
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    for (char ch : target.toUtf8()) {
        const auto b = static_cast<unsigned char>(ch);
        if (b <= 0x20 || b >= 0x7F) {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

// The pieces of a URL reference (RFC 3986 section 3), each including its delimiter-free text.
struct Parts {
    QString scheme;  // empty when none
    bool hasAuthority = false;
    QString authority;
    QString path;
    bool hasQuery = false;
    QString query;
};

Parts Split(const QString& ref) {
    Parts p;
    QString rest = ref;
    const qsizetype hash = rest.indexOf(u'#');
    if (hash >= 0) rest.truncate(hash);
    const qsizetype schemeLen = SchemeLength(rest);
    if (schemeLen > 0) {
        p.scheme = rest.left(schemeLen);
        rest = rest.mid(schemeLen + 1);
    }
    if (rest.startsWith(u"//")) {
        p.hasAuthority = true;
        qsizetype end = 2;
        while (end < rest.size() && rest[end] != u'/' && rest[end] != u'?') ++end;
        p.authority = rest.mid(2, end - 2);
        rest = rest.mid(end);
    }
    const qsizetype question = rest.indexOf(u'?');
    if (question >= 0) {
        p.hasQuery = true;
        p.query = rest.mid(question + 1);
        rest.truncate(question);
    }
    p.path = rest;
    return p;
}

QString RemoveDotSegments(const QString& path) {
    QStringList out;
    const QStringList segments = path.split(u'/');
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const QString& s = segments[i];
        const bool last = i + 1 == segments.size();
        if (s == u"." || s == u"..") {
            if (s == u".." && out.size() > 1) out.removeLast();
            if (last) out.append(QString());  // "a/b/.." keeps its trailing "/"
        } else {
            out.append(s);
        }
    }
    QString joined = out.join(u'/');
    if (path.startsWith(u'/') && !joined.startsWith(u'/')) joined.prepend(u'/');
    return joined;
}

}  // namespace

QString HttpUrl::connectHost() const {
    if (host.startsWith(u'[') && host.endsWith(u']')) return host.mid(1, host.size() - 2);
    return host;
}

QByteArray HttpUrl::path() const {
    const qsizetype question = target.indexOf('?');
    return question < 0 ? target : target.left(question);
}

HttpUrl ParseHttpUrl(const QString& urlText) {
    const QString url = text::TrimControl(urlText);
    const qsizetype schemeLen = SchemeLength(url);
    if (schemeLen < 0) throw HttpError(QStringLiteral("Invalid URL (no scheme): ") + url);
    const QString scheme = url.left(schemeLen).toLower();
    if (scheme == u"https")
        throw HttpError(QStringLiteral("HTTPS is not supported (no TLS): ") + url);
    if (scheme != u"http")
        throw HttpError(QStringLiteral("Unsupported protocol \"") + scheme +
                        QStringLiteral("\": ") + url);

    const Parts parts = Split(url);
    if (!parts.hasAuthority) throw HttpError(QStringLiteral("Invalid URL (no host): ") + url);
    if (parts.authority.contains(u'@'))
        throw HttpError(QStringLiteral("User information in URLs is not supported: ") + url);

    HttpUrl result;
    const QString& authority = parts.authority;
    QString portText;
    bool hasPort = false;
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        if (close < 0) throw HttpError(QStringLiteral("Invalid host in URL: ") + url);
        result.host = authority.left(close + 1);
        const QString inner = result.host.mid(1, result.host.size() - 2);
        if (inner.isEmpty() || !std::all_of(inner.begin(), inner.end(), IsIpv6LiteralChar))
            throw HttpError(QStringLiteral("Invalid host in URL: ") + url);
        const QString after = authority.mid(close + 1);
        if (!after.isEmpty()) {
            if (after[0] != u':') throw HttpError(QStringLiteral("Invalid host in URL: ") + url);
            hasPort = true;
            portText = after.mid(1);
        }
    } else {
        const qsizetype colon = authority.indexOf(u':');
        result.host = colon < 0 ? authority : authority.left(colon);
        if (colon >= 0) {
            hasPort = true;
            portText = authority.mid(colon + 1);
        }
        if (result.host.isEmpty() ||
            !std::all_of(result.host.begin(), result.host.end(), IsHostNameChar))
            throw HttpError(QStringLiteral("Invalid host in URL: ") + url);
    }
    // An empty port ("host:") means the default one, as in browsers.
    if (hasPort && !portText.isEmpty()) {
        bool ok = false;
        const uint port = portText.toUInt(&ok, 10);
        const bool digitsOnly =
            std::all_of(portText.begin(), portText.end(), [](QChar c) { return c.isDigit(); });
        if (!ok || !digitsOnly || port == 0 || port > 65535)
            throw HttpError(QStringLiteral("Invalid port in URL: ") + url);
        result.port = static_cast<quint16>(port);
    }

    QString target = parts.path.isEmpty() ? QStringLiteral("/") : parts.path;
    if (parts.hasQuery) target += u'?' + parts.query;
    result.target = EncodeTarget(target);
    return result;
}

QString ResolveReference(const QString& baseText, const QString& referenceText) {
    const QString reference = text::TrimControl(referenceText);
    const Parts ref = Split(reference);
    const Parts base = Split(text::TrimControl(baseText));
    Parts out;
    if (!ref.scheme.isEmpty()) {
        out = ref;
        out.path = RemoveDotSegments(ref.path);
    } else if (ref.hasAuthority) {
        out = ref;
        out.scheme = base.scheme;
        out.path = RemoveDotSegments(ref.path);
    } else {
        out.scheme = base.scheme;
        out.hasAuthority = base.hasAuthority;
        out.authority = base.authority;
        if (ref.path.isEmpty()) {
            out.path = base.path;
            out.hasQuery = ref.hasQuery || base.hasQuery;
            out.query = ref.hasQuery ? ref.query : base.query;
        } else {
            if (ref.path.startsWith(u'/')) {
                out.path = RemoveDotSegments(ref.path);
            } else {
                const qsizetype slash = base.path.lastIndexOf(u'/');
                const QString dir = (base.hasAuthority && base.path.isEmpty())
                                        ? QStringLiteral("/")
                                        : base.path.left(slash + 1);
                out.path = RemoveDotSegments(dir + ref.path);
            }
            out.hasQuery = ref.hasQuery;
            out.query = ref.query;
        }
    }
    QString result;
    if (!out.scheme.isEmpty()) result += out.scheme + u':';
    if (out.hasAuthority) result += QStringLiteral("//") + out.authority;
    result += out.path;
    if (out.hasQuery) result += u'?' + out.query;
    return result;
}

}  // namespace corvane::net
