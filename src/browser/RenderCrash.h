// The main page's render process ending abnormally (crash, kill, out of memory): the window reports
// it and reloads the start page. When the reloaded page's render process ends again within
// kRenderCrashRetryWindowMs of that reload, the window stops reloading and shows the page error
// with the hotline instead, so a page that takes its renderer down at once cannot make the window
// reload for ever.
//
// UI thread only. RenderCrashRecovery is owned by the main window and lives as long as it.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "browser/WindowInterface.h"
#include "cef_engine.h"

namespace corvane::browser {

inline constexpr int64_t kRenderCrashRetryWindowMs = 10000;

// Decides, for each abnormal end of the main page's render process, whether to reload once more.
class RenderCrashGuard {
  public:
    enum class Action { kReload, kShowError };

    // clock: milliseconds of a monotonic clock (the steady clock unless a test gives its own).
    explicit RenderCrashGuard(std::function<int64_t()> clock = {});

    // kReload, remembering when, unless the last reload was less than the retry window ago.
    Action Next();

  private:
    std::function<int64_t()> clock_;
    std::optional<int64_t> lastReload_;
};

// The window's answer to its page's render process ending: report, then reload or give up.
class RenderCrashRecovery {
  public:
    explicit RenderCrashRecovery(WindowInterface& window) : window_(window) {}

    // A pop-up's renderer is the pop-up's business: only the own browser's end is acted on.
    void Terminated(CefBrowser* browser, cef_termination_status_t status, int exitCode);

  private:
    WindowInterface& window_;
    RenderCrashGuard guard_;
};

// "crashed", "killed", "out of memory", "ended abnormally".
QString TerminationReason(cef_termination_status_t status);

// The diagnostic of one end: "error^" + what ended, the reason, the status and the exit code.
QString RenderCrashDiagnostic(cef_termination_status_t status, int exitCode);

// The box the window shows when it gives up: the page error with the support hotline.
QString RenderCrashMessage(cef_termination_status_t status, int exitCode);

}  // namespace corvane::browser
