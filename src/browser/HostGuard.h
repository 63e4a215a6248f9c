// What the allowed-hosts list of public terminal mode lets a navigation do. Pure decisions; the
// browser window acts on them. Any thread.
#pragma once

#include <QString>
#include <QStringList>

#include "config/AllowedHosts.h"

namespace corvane::browser {

enum class NavigationVerdict {
    kGo,             // as always
    kRefuseAddress,  // a main frame or pop-up going to an http(s) host outside the list
    kRefuseCommand,  // a page command address not on an allowed http(s) host, in any frame
};

// mainFrame: the navigation is that of a main frame (the window's own or a pop-up's). Sub-frames'
// navigations other than page commands, and every navigation while the list allows any host,
// go on.
NavigationVerdict JudgeNavigation(const config::AllowedHosts& hosts, const QString& url,
                                  bool mainFrame);

// A certificate error is accepted for an allowed host only, and only while a list is set (without
// one the engine accepts every certificate by itself and never asks).
bool AcceptCertificateError(const config::AllowedHosts& hosts, const QString& url);

// The "error^" lines for the configured addresses (start page, report address) that lie outside
// the list; none when every one is allowed.
QStringList AddressesOutsideList(const config::AllowedHosts& hosts, const QString& startPage,
                                 const QString& reportAddress);

// The box shown for a refused address (Chinese, names the host).
QString NotAllowedMessage(const QString& url);

}  // namespace corvane::browser
