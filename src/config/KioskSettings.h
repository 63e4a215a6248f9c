// Public terminal mode: section "kiosk" of qvpz.pz, read once at start with the INI rules of the
// other settings. Everything is off by default, so that an unconfigured program behaves as it
// always has; a missing key keeps its default.
//
// Numbers are whole seconds. A value that is not a whole number keeps the default; one outside
// its range is held to the nearest end of it. Both are reported as "error^" lines naming the key.
// Switches take a number (0 off, anything else on) or the words true/false.
//
// UI thread during start-up; the values are read-only afterwards.
#pragma once

#include <QString>

#include "config/AllowedHosts.h"

namespace corvane::config {

struct KioskSettings {
    static constexpr int kMaxIdleResetSeconds = 24 * 60 * 60;
    static constexpr int kMaxIdleNoticeSeconds = 10 * 60;
    static constexpr int kMaxRetrySeconds = 60 * 60;

    int IdleReset = 0;         // seconds without input before the notice; 0: never
    int IdleNotice = 30;       // seconds the notice counts down; 0: the reset follows at once
    bool DevTools = true;      // false: F12, Ctrl+F12 and the engine's inspector do nothing
    QString AllowedHostsText;  // as written in the file
    AllowedHosts Hosts;        // parsed from it; allows every host when empty
    bool FullScreen = false;   // true: start full screen, F11 does nothing
    int RetrySeconds = 0;      // reload interval after a failed main-page load; 0: never
};

// Reads section "kiosk" of the INI file at path (qvpz.pz). A missing file or section gives the
// defaults; every complaint about a value is reported through ReportDiagnostic.
KioskSettings ReadKioskSettings(const QString& path);

}  // namespace corvane::config
