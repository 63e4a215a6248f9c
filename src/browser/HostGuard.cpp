#include "browser/HostGuard.h"

#include <QUrl>

#include "text/TextUtil.h"

namespace corvane::browser {
namespace {

bool IsHttp(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}

bool IsPageCommand(const QString& url) {
    return text::LowerAsciiLetters(url).contains(QLatin1String("/interact_"));
}

}  // namespace

NavigationVerdict JudgeNavigation(const config::AllowedHosts& hosts, const QString& url,
                                  bool mainFrame) {
    if (hosts.AllowsAny()) return NavigationVerdict::kGo;
    const QUrl parsed(url);
    if (IsPageCommand(url)) {
        // Only the portal's own pages may command the shell; an address without a host of the
        // list (a foreign frame, a data: or about: document) may not.
        return IsHttp(parsed) && hosts.AllowsUrl(parsed) ? NavigationVerdict::kGo
                                                         : NavigationVerdict::kRefuseCommand;
    }
    if (mainFrame && !hosts.AllowsUrl(parsed)) return NavigationVerdict::kRefuseAddress;
    return NavigationVerdict::kGo;
}

bool AcceptCertificateError(const config::AllowedHosts& hosts, const QString& url) {
    const QUrl parsed(url);
    return !hosts.AllowsAny() && IsHttp(parsed) && hosts.AllowsUrl(parsed);
}

QStringList AddressesOutsideList(const config::AllowedHosts& hosts, const QString& startPage,
                                 const QString& reportAddress) {
    QStringList lines;
    if (!hosts.AllowsUrl(QUrl(startPage)))
        lines << QStringLiteral("error^kiosk: the start page %1 is outside AllowedHosts")
                     .arg(startPage);
    if (!hosts.AllowsUrl(QUrl(reportAddress)))
        lines << QStringLiteral("error^kiosk: the report address %1 is outside AllowedHosts")
                     .arg(reportAddress);
    return lines;
}

QString NotAllowedMessage(const QString& url) {
    const QString host = QUrl(url).host();
    return QStringLiteral("本终端不允许访问此网址：\r\n") + (host.isEmpty() ? url : host) +
           QStringLiteral("\r\n\r\n请继续在电子税务局页面内办理业务。");
}

}  // namespace corvane::browser
