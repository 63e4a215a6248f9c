#include "config/KioskSettings.h"

#include <exception>

#include "config/IniFile.h"
#include "log/Diagnostic.h"

namespace corvane::config {
namespace {

const QString kSection = QStringLiteral("kiosk");

void Complain(const QString& text) { ReportDiagnostic(QStringLiteral("error^kiosk: ") + text); }

// A whole number of seconds, held to [0, max]; the default when the value is no whole number.
int ReadSeconds(const IniReader& ini, const QString& key, int def, int max) {
    const QString value = ini.Read(kSection, key, QString::number(def)).trimmed();
    bool ok = false;
    const qlonglong seconds = value.toLongLong(&ok);
    if (!ok) {
        // Digits beyond the range of a 64-bit number are still a (huge) number.
        QString digits = value;
        const bool negative = digits.startsWith(u'-');
        if (negative || digits.startsWith(u'+')) digits.remove(0, 1);
        bool allDigits = !digits.isEmpty();
        for (QChar c : digits) allDigits = allDigits && c >= u'0' && c <= u'9';
        if (!allDigits) {
            Complain(QStringLiteral("%1=%2 is not a whole number of seconds; %1 stays %3")
                         .arg(key, value, QString::number(def)));
            return def;
        }
        const int held = negative ? 0 : max;
        Complain(QStringLiteral("%1=%2 is outside 0..%3; %1 is %4")
                     .arg(key, value, QString::number(max), QString::number(held)));
        return held;
    }
    if (seconds < 0 || seconds > max) {
        const int held = seconds < 0 ? 0 : max;
        Complain(QStringLiteral("%1=%2 is outside 0..%3; %1 is %4")
                     .arg(key, value, QString::number(max), QString::number(held)));
        return held;
    }
    return int(seconds);
}

bool ReadSwitch(const IniReader& ini, const QString& key, bool def) {
    const QString value =
        ini.Read(kSection, key, def ? QStringLiteral("1") : QStringLiteral("0")).trimmed();
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (ok) return number != 0;
    if (value.compare(u"true", Qt::CaseInsensitive) == 0) return true;
    if (value.compare(u"false", Qt::CaseInsensitive) == 0) return false;
    Complain(QStringLiteral("%1=%2 is neither 0 nor 1; %1 stays %3")
                 .arg(key, value, def ? QStringLiteral("1") : QStringLiteral("0")));
    return def;
}

}  // namespace

KioskSettings ReadKioskSettings(const QString& path) {
    KioskSettings k;
    try {
        IniReader ini;
        QString error;
        if (!ini.Load(path, &error)) {
            ReportDiagnostic(QStringLiteral("error^") + error);
            return k;
        }
        k.IdleReset = ReadSeconds(ini, QStringLiteral("IdleReset"), k.IdleReset,
                                  KioskSettings::kMaxIdleResetSeconds);
        k.IdleNotice = ReadSeconds(ini, QStringLiteral("IdleNotice"), k.IdleNotice,
                                   KioskSettings::kMaxIdleNoticeSeconds);
        k.DevTools = ReadSwitch(ini, QStringLiteral("DevTools"), k.DevTools);
        k.AllowedHostsText = ini.Read(kSection, QStringLiteral("AllowedHosts"), QString());
        QStringList rejected;
        k.Hosts = AllowedHosts::Parse(k.AllowedHostsText, &rejected);
        for (const QString& item : rejected)
            Complain(
                QStringLiteral("AllowedHosts item \"%1\" is no host name; left out").arg(item));
        k.FullScreen = ReadSwitch(ini, QStringLiteral("FullScreen"), k.FullScreen);
        k.RetrySeconds = ReadSeconds(ini, QStringLiteral("RetrySeconds"), k.RetrySeconds,
                                     KioskSettings::kMaxRetrySeconds);
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + QString::fromLocal8Bit(e.what()));
    }
    return k;
}

}  // namespace corvane::config
