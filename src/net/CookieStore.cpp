#include "CookieStore.h"

#include <algorithm>

namespace corvane::net {
namespace {

QByteArray TrimBlanks(const QByteArray& v) {
    qsizetype begin = 0, end = v.size();
    while (begin < end && (v[begin] == ' ' || v[begin] == '\t')) ++begin;
    while (end > begin && (v[end - 1] == ' ' || v[end - 1] == '\t')) --end;
    return v.mid(begin, end - begin);
}

// Splits a Set-Cookie2 value into its cookies at the commas outside double quotes.
std::vector<QByteArray> SplitCookie2(const QByteArray& value) {
    std::vector<QByteArray> parts;
    QByteArray current;
    bool quoted = false;
    for (char c : value) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    return parts;
}

// An IPv4 or IPv6 literal, which only ever matches itself.
bool IsIpAddress(const QByteArray& host) {
    if (host.contains(':')) return true;
    return std::all_of(host.begin(), host.end(),
                       [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

bool DomainMatches(const QByteArray& host, const QByteArray& domain) {
    if (host == domain) return true;
    return host.endsWith('.' + domain) && !IsIpAddress(host);
}

// The folder of the request path: up to, not including, its last "/"; "/" when there is none.
QByteArray DefaultPath(const QByteArray& requestPath) {
    const qsizetype slash = requestPath.lastIndexOf('/');
    if (!requestPath.startsWith('/') || slash <= 0) return "/";
    return requestPath.left(slash);
}

bool PathMatches(const QByteArray& requestPath, const QByteArray& cookiePath) {
    if (requestPath == cookiePath) return true;
    if (!requestPath.startsWith(cookiePath)) return false;
    return cookiePath.endsWith('/') || requestPath[cookiePath.size()] == '/';
}

QByteArray HostOf(const HttpUrl& url) { return url.connectHost().toLower().toLatin1(); }

}  // namespace

void CookieStore::TakeFrom(const HttpResponse& response, const HttpUrl& requestUrl,
                           const QDateTime& now) {
    for (const HttpHeader& h : response.headers) {
        if (h.name.compare("Set-Cookie", Qt::CaseInsensitive) == 0) {
            Take(h.value, requestUrl, now);
        } else if (h.name.compare("Set-Cookie2", Qt::CaseInsensitive) == 0) {
            for (const QByteArray& one : SplitCookie2(h.value)) Take(one, requestUrl, now);
        }
    }
}

void CookieStore::Take(const QByteArray& setCookie, const HttpUrl& requestUrl,
                       const QDateTime& now) {
    const QList<QByteArray> fields = setCookie.split(';');
    const QByteArray pair = fields.front();
    const qsizetype eq = pair.indexOf('=');
    if (eq < 0) return;
    Cookie c;
    c.name = TrimBlanks(pair.left(eq));
    c.value = TrimBlanks(pair.mid(eq + 1));
    if (c.name.isEmpty()) return;

    const QByteArray host = HostOf(requestUrl);
    c.domain = host;
    c.path = DefaultPath(requestUrl.path());
    bool expired = false;
    bool hasMaxAge = false;
    for (qsizetype i = 1; i < fields.size(); ++i) {
        const QByteArray field = TrimBlanks(fields[i]);
        const qsizetype feq = field.indexOf('=');
        const QByteArray name = TrimBlanks(feq < 0 ? field : field.left(feq)).toLower();
        QByteArray value = feq < 0 ? QByteArray() : TrimBlanks(field.mid(feq + 1));
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        if (name == "domain" && !value.isEmpty()) {
            QByteArray domain = value.toLower();
            while (domain.startsWith('.')) domain.remove(0, 1);
            if (domain.isEmpty() || !DomainMatches(host, domain)) return;  // not this host's
            c.domain = domain;
            c.hostOnly = false;
        } else if (name == "path" && value.startsWith('/')) {
            c.path = value;
        } else if (name == "secure") {
            c.secure = true;
        } else if (name == "max-age") {
            bool ok = false;
            const qlonglong seconds = value.toLongLong(&ok);
            if (!ok) continue;
            hasMaxAge = true;  // Max-Age wins over Expires
            expired = seconds <= 0;
            c.expiry = expired ? QDateTime() : now.addSecs(seconds);
        } else if (name == "expires" && !hasMaxAge) {
            const QDateTime when = ParseCookieDate(value);
            if (!when.isValid()) continue;
            expired = when <= now;
            c.expiry = when;
        }
    }

    const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& o) {
        return o.name == c.name && o.domain == c.domain && o.path == c.path;
    });
    if (same != cookies_.end()) {
        c.created = same->created;
        cookies_.erase(same);
    } else {
        c.created = nextCreated_++;
    }
    if (!expired) cookies_.push_back(std::move(c));
}

QByteArray CookieStore::CookieLineFor(const HttpUrl& url, const QDateTime& now) const {
    const QByteArray host = HostOf(url);
    const QByteArray path = url.path();
    std::vector<const Cookie*> matching;
    for (const Cookie& c : cookies_) {
        if (c.secure) continue;
        if (c.expiry.isValid() && c.expiry <= now) continue;
        if (c.hostOnly ? host != c.domain : !DomainMatches(host, c.domain)) continue;
        if (!PathMatches(path, c.path)) continue;
        matching.push_back(&c);
    }
    std::stable_sort(matching.begin(), matching.end(), [](const Cookie* a, const Cookie* b) {
        if (a->path.size() != b->path.size()) return a->path.size() > b->path.size();
        return a->created < b->created;
    });
    QByteArray line;
    for (const Cookie* c : matching) {
        if (!line.isEmpty()) line += "; ";
        line += c->name + '=' + c->value;
    }
    return line;
}

QDateTime CookieStore::ParseCookieDate(const QByteArray& text) {
    // The cookie date algorithm: tokens between delimiters; the first time, day, month and year
    // found count, whatever their order.
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    auto isDelimiter = [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b == 0x09 || (b >= 0x20 && b <= 0x2F) || (b >= 0x3B && b <= 0x40) ||
               (b >= 0x5B && b <= 0x60) || (b >= 0x7B && b <= 0x7E);
    };
    auto leadingDigits = [](const QByteArray& t, int* value) {
        qsizetype n = 0;
        int v = 0;
        while (n < t.size() && t[n] >= '0' && t[n] <= '9' && n < 4) v = v * 10 + (t[n++] - '0');
        *value = v;
        return n;
    };
    int hour = -1, minute = -1, second = -1, day = -1, month = -1, year = -1;
    QList<QByteArray> tokens;
    QByteArray current;
    for (char c : text) {
        if (isDelimiter(c)) {
            if (!current.isEmpty()) tokens.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.isEmpty()) tokens.append(current);
    for (const QByteArray& t : tokens) {
        int v = 0;
        if (hour < 0) {
            const QList<QByteArray> hms = t.split(':');
            if (hms.size() == 3) {
                int h = 0, m = 0, s = 0;
                const qsizetype lh = leadingDigits(hms[0], &h), lm = leadingDigits(hms[1], &m),
                                ls = leadingDigits(hms[2], &s);
                if (lh >= 1 && lh <= 2 && lm >= 1 && lm <= 2 && ls >= 1 && ls <= 2) {
                    hour = h, minute = m, second = s;
                    continue;
                }
            }
        }
        const qsizetype digits = leadingDigits(t, &v);
        if (day < 0 && digits >= 1 && digits <= 2) {
            day = v;
            continue;
        }
        if (month < 0 && t.size() >= 3) {
            const QByteArray m = t.left(3).toLower();
            const auto it = std::find_if(std::begin(kMonths), std::end(kMonths),
                                         [&](const char* name) { return m == name; });
            if (it != std::end(kMonths)) {
                month = int(it - std::begin(kMonths)) + 1;
                continue;
            }
        }
        if (year < 0 && digits >= 2 && digits <= 4) {
            year = v;
            continue;
        }
    }
    if (year >= 70 && year <= 99) year += 1900;
    if (year >= 0 && year <= 69) year += 2000;
    if (hour < 0 || day < 1 || day > 31 || month < 0 || year < 1601 || hour > 23 || minute > 59 ||
        second > 59)
        return QDateTime();
    const QDate date(year, month, day);
    if (!date.isValid()) return QDateTime();
    return QDateTime(date, QTime(hour, minute, second), Qt::UTC);
}

}  // namespace corvane::net
