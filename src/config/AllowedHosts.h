// The hosts a public terminal may show: the kiosk setting AllowedHosts, a comma-separated list
// of host names, each exact ("portal.example.cn") or a suffix ("*.example.cn": any host below
// example.cn, not example.cn itself), optionally with a port ("portal.example.cn:8443": that port
// only; without a port every port). Names are compared without case, blanks around items are
// dropped, empty items are ignored. An empty list, or one holding "*", allows every host; a list
// whose every item is unreadable allows none.
//
// A value type; any thread.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVector>

namespace corvane::config {

class AllowedHosts {
  public:
    AllowedHosts() = default;  // allows every host
    // Items that are no host name (a path, a scheme, blanks inside) are left out and named in
    // *rejected, so that the caller can report them.
    static AllowedHosts Parse(const QString& list, QStringList* rejected = nullptr);

    // True when the list names no host (empty or "*"): everything is allowed.
    bool AllowsAny() const { return any_; }
    // host as a URL has it; port -1 when the address names none (the scheme's default port).
    bool Allows(const QString& host, int port) const;
    // An address of another scheme than http or https is never refused here.
    bool AllowsUrl(const QUrl& url) const;

  private:
    struct Item {
        QString name;  // lower case, ASCII (IDN) form, without "*." for a suffix
        bool suffix = false;
        int port = -1;  // -1: any port
    };
    bool any_ = true;
    QVector<Item> items_;
};

}  // namespace corvane::config
