// How the engine settings (CefSettings) map onto Qt WebEngine. UI thread, during cef_initialize.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>

#include "cef_engine.h"

class QWebEngineProfile;

namespace corvane::engine {

// What the settings ask of the process before Qt WebEngine starts.
struct LaunchPlan {
    QStringList chromium_flags;                        // added to QTWEBENGINE_CHROMIUM_FLAGS
    QList<QPair<QByteArray, QByteArray>> environment;  // variables set for this process and helpers
    QString sandbox_off_reason;                        // empty: Chromium's sandbox stays on
    bool logging_off = false;                          // Chromium's and Qt WebEngine's logs muted
};

// Pure mapping; running_as_root turns the sandbox off, since Chromium's sandbox cannot run as root.
// helper_path is the executable the helper processes run.
LaunchPlan PlanLaunch(const CefSettings& settings, bool running_as_root,
                      const QString& helper_path);

// Puts the plan in force (environment, logging filter). Must run before the first profile or page
// exists, as Qt WebEngine reads its environment once when it starts.
void ApplyLaunchPlan(const LaunchPlan& plan);

// The Accept-Language list for a BCP 47 locale: "zh-CN" gives "zh-CN,zh;q=0.9".
QString AcceptLanguageFor(const QString& locale);

// Later sessions keep their storage in cache_path's sub-folder kSessionFolderPrefix + number.
inline constexpr char kSessionFolderPrefix[] = "session-";

// The profile every browser of the process uses. With a cache_path, a named profile keeps its
// storage and cache there (nothing under $HOME); without one, an in-memory profile. session > 0:
// the profile of a later session (cef_reset_session), with storage of its own.
std::unique_ptr<QWebEngineProfile> CreateProfile(const CefSettings& settings,
                                                 const QString& program_folder, int session = 0);

}  // namespace corvane::engine
