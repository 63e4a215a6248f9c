#include "config/AllowedHosts.h"

namespace corvane::config {
namespace {

// The host as compared: the ASCII form of an international name, lower case, no final dot.
QString Normalised(const QString& host) {
    QString name = QString::fromLatin1(QUrl::toAce(host)).toLower();
    if (name.isEmpty()) name = host.toLower();
    while (name.endsWith(u'.')) name.chop(1);
    return name;
}

int EffectivePort(const QUrl& url) {
    const int port = url.port();
    if (port >= 0) return port;
    return url.scheme().compare(u"https", Qt::CaseInsensitive) == 0 ? 443 : 80;
}

}  // namespace

AllowedHosts AllowedHosts::Parse(const QString& list, QStringList* rejected) {
    AllowedHosts hosts;
    bool star = false;
    int refused = 0;
    for (const QString& raw : list.split(u',')) {
        const QString item = raw.trimmed();
        if (item.isEmpty()) continue;
        if (item == u"*") {
            star = true;
            continue;
        }
        Item parsed;
        QString rest = item;
        if (rest.startsWith(u"*.")) {
            parsed.suffix = true;
            rest = rest.mid(2);
        }
        // The URL parser takes the name and port apart the way addresses are read later.
        const QUrl url(QStringLiteral("http://") + rest, QUrl::StrictMode);
        const bool plain = url.isValid() && !url.host().isEmpty() && url.path().isEmpty() &&
                           !url.hasQuery() && !url.hasFragment() && url.userInfo().isEmpty() &&
                           !rest.contains(u'*');
        if (!plain) {
            ++refused;
            if (rejected) rejected->append(item);
            continue;
        }
        parsed.name = Normalised(url.host());
        parsed.port = url.port();
        hosts.items_.append(parsed);
    }
    // "*" names every host, whatever else the list holds. A list of nothing but unreadable items
    // allows no host at all: a typing error must not open the terminal to every site.
    hosts.any_ = star || (hosts.items_.isEmpty() && refused == 0);
    if (star) hosts.items_.clear();
    return hosts;
}

bool AllowedHosts::Allows(const QString& host, int port) const {
    if (any_) return true;
    const QString name = Normalised(host);
    for (const Item& item : items_) {
        if (item.port >= 0 && item.port != port) continue;
        if (item.suffix ? name.endsWith(u'.' + item.name) : name == item.name) return true;
    }
    return false;
}

bool AllowedHosts::AllowsUrl(const QUrl& url) const {
    const QString scheme = url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https") return true;
    return Allows(url.host(), EffectivePort(url));
}

}  // namespace corvane::config
