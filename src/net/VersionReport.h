// The version and login report: after a login the portal's server learns the client type and
// version, the taxpayer number and the machine identity, and the taxpayer number is stored.
#pragma once

#include <QString>

#include "config/Settings.h"

namespace corvane::net {

// The report's JSON body: {"mac":..,"version":..,"app_type":..,"djxh":"","nsrsbh":..}.
QString VersionReportJson(const QString& nsrsbh, const QString& machineIdentity,
                          const QString& clientType, const QString& clientVersion);

// POSTs the report to settings.Server through HttpExchange's worker form, then stores
// nsrsbh in qvprm.ini whatever the exchange's outcome. UI thread (the thread of the Qt event loop);
// windows stay responsive meanwhile; returns after both. Never throws: failures are logged.
//
// A quit requested while the report waits takes effect after it has returned, so the number is
// stored before the program ends.
void SendVersionReport(const config::AppSettings& settings, const QString& nsrsbh);

}  // namespace corvane::net
