// The deployment values the program reads once at start, and the readers that fill them.
//
// The entry makes one AppSettings (in its AppContext) and passes it to what needs it. All functions
// run on the UI thread during start-up (SaveTaxpayerNumber: after a login report). The values are
// written during start-up only and read-only afterwards, so worker threads may read them without a
// lock.
#pragma once

#include <QString>

#include "config/KioskSettings.h"

namespace corvane::config {

struct AppSettings {
    QString ProgramFolder;       // where the executable lies, ending in "/"
    QString TaxUrl;              // start page (qvpz.pz [config] TaxUrl)
    QString Server;              // report address (qvpz.pz [config] Server)
    QString clientlx;            // client type (qvprm.ini [parms] clientlx)
    QString version;             // client version (qvprm.ini [parms] version)
    QString UpdateFolder;        // relative to the program folder, ending in "/" once set
    bool SingleProcess = false;  // chrome.pz
    KioskSettings Kiosk;         // qvpz.pz [kiosk]
};

// The settings before any file is read: the built-in TaxUrl and Server of the portal host.
AppSettings DefaultSettings(const QString& programFolder);

// The built-in start page, also the browser view's DefaultUrl.
QString DefaultTaxUrl();
QString DefaultServer();

// First sub-folder of the program folder whose name begins with "HISUPDATE" (case ignored), in the
// order the file system lists them; "HISUPDATE" when there is none. No trailing "/".
QString FindUpdateFolder(const QString& programFolder);
// chrome.pz in the program folder: true when it holds a non-zero number or "true".
bool ReadSingleProcessSwitch(const QString& programFolder);
// Reads qvpz.pz (sections "config" and "kiosk") and qvprm.ini of settings.ProgramFolder into
// settings; always returns true.
bool ReadConfig(AppSettings& settings);
// Writes nsrsbh into [parms] of qvprm.ini in the update folder; reports its own failures.
void SaveTaxpayerNumber(const AppSettings& settings, const QString& nsrsbh);

// Full path of qvprm.ini (program folder + update folder + "qvprm.ini").
QString QvprmPath(const AppSettings& settings);

}  // namespace corvane::config
