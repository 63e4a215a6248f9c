#include "VersionReport.h"

#include "HttpExchange.h"
#include "JsonObjectWriter.h"
#include "MachineIdentity.h"
#include "config/Settings.h"
#include "log/Diagnostic.h"

namespace corvane::net {

QString VersionReportJson(const QString& nsrsbh, const QString& machineIdentity,
                          const QString& clientType, const QString& clientVersion) {
    JsonObjectWriter json;
    json.Set(QStringLiteral("app_type"), clientType);
    json.Set(QStringLiteral("version"), clientVersion);
    json.Set(QStringLiteral("djxh"), QString());
    json.Set(QStringLiteral("nsrsbh"), nsrsbh);
    json.Set(QStringLiteral("mac"), machineIdentity);
    return json.ToString();
}

void SendVersionReport(const config::AppSettings& settings, const QString& nsrsbh) {
    try {
        ThMsg msg;
        msg.In_url = settings.Server;
        msg.In_nr =
            VersionReportJson(nsrsbh, MachineIdentity(), settings.clientlx, settings.version);
        msg.bz_post = true;
        msg.ContentType = QStringLiteral("application/json; charset=UTF-8");
        // The answer is only logged by the exchange; nothing here depends on it.
        HttpExchange(msg, /*onWorker=*/true);
        config::SaveTaxpayerNumber(settings, nsrsbh);
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + QString::fromUtf8(e.what()));
    } catch (...) {
        ReportDiagnostic(QStringLiteral("error^Unknown failure in the login report"));
    }
}

}  // namespace corvane::net
