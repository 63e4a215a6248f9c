#include "config/Settings.h"

#include "config/IniFile.h"
#include "corvane_build_config.h"
#include "log/Diagnostic.h"

namespace corvane::config {
namespace {

// Reads the keys of one file in order, each with the current value as default and stored at once.
// A file that cannot be read is reported and leaves that file's settings as they were.
void ReadKeys(const QString& path, const QString& section, std::initializer_list<QString*> settings,
              std::initializer_list<QString> keys) {
    try {
        IniReader reader;
        QString error;
        if (!reader.Load(path, &error)) {
            ReportDiagnostic(QStringLiteral("error^") + error);
            return;
        }
        auto key = keys.begin();
        for (QString* setting : settings) {
            *setting = reader.Read(section, *key, *setting);
            ++key;
        }
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + QString::fromLocal8Bit(e.what()));
    }
}

}  // namespace

QString DefaultTaxUrl() {
    return QStringLiteral("https://" CORVANE_PORTAL_HOST "/zjgfdzswj/main/index.html");
}

QString DefaultServer() {
    return QStringLiteral("http://" CORVANE_PORTAL_HOST "/zjgfdacx/app/queryVersion.do");
}

AppSettings DefaultSettings(const QString& programFolder) {
    AppSettings s;
    s.ProgramFolder = programFolder;
    s.TaxUrl = DefaultTaxUrl();
    s.Server = DefaultServer();
    return s;
}

QString QvprmPath(const AppSettings& settings) {
    return settings.ProgramFolder + settings.UpdateFolder + QStringLiteral("qvprm.ini");
}

bool ReadConfig(AppSettings& s) {
    ReadKeys(s.ProgramFolder + QStringLiteral("qvpz.pz"), QStringLiteral("config"),
             {&s.TaxUrl, &s.Server}, {QStringLiteral("TaxUrl"), QStringLiteral("Server")});
    s.Kiosk = ReadKioskSettings(s.ProgramFolder + QStringLiteral("qvpz.pz"));
    ReadKeys(QvprmPath(s), QStringLiteral("parms"), {&s.clientlx, &s.version},
             {QStringLiteral("clientlx"), QStringLiteral("version")});
    return true;
}

void SaveTaxpayerNumber(const AppSettings& settings, const QString& nsrsbh) {
    try {
        // The number comes from a web page. A line break written into the file would start a new
        // line there, which could add or replace other keys (such as the version the update check
        // reads), so only the text before the first CR or LF is stored.
        qsizetype cut = 0;
        while (cut < nsrsbh.size() && nsrsbh[cut] != u'\r' && nsrsbh[cut] != u'\n') ++cut;
        if (cut < nsrsbh.size())
            ReportDiagnostic(
                QStringLiteral("error^Taxpayer number cut at a line break before saving"));
        const QString path = QvprmPath(settings);
        if (!WriteIniString(path, QStringLiteral("parms"), QStringLiteral("nsrsbh"),
                            nsrsbh.left(cut)))
            ReportDiagnostic(QStringLiteral("error^Unable to write to %1").arg(path));
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + QString::fromLocal8Bit(e.what()));
    }
}

}  // namespace corvane::config
