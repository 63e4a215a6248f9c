#include "browser/RenderCrash.h"

#include <chrono>

#include "log/Diagnostic.h"
#include "shell/AppGlob.h"

namespace corvane::browser {

namespace {

int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString Details(cef_termination_status_t status, int exitCode) {
    return QStringLiteral("%1 (status %2, exit code %3)")
        .arg(TerminationReason(status), QString::number(int(status)), QString::number(exitCode));
}

}  // namespace

RenderCrashGuard::RenderCrashGuard(std::function<int64_t()> clock)
    : clock_(clock ? std::move(clock) : SteadyMs) {}

RenderCrashGuard::Action RenderCrashGuard::Next() {
    const int64_t now = clock_();
    if (lastReload_ && now - *lastReload_ < kRenderCrashRetryWindowMs) return Action::kShowError;
    lastReload_ = now;
    return Action::kReload;
}

QString TerminationReason(cef_termination_status_t status) {
    switch (status) {
        case TS_PROCESS_CRASHED:
            return QStringLiteral("crashed");
        case TS_PROCESS_WAS_KILLED:
            return QStringLiteral("killed");
        case TS_PROCESS_OOM:
            return QStringLiteral("out of memory");
        case TS_ABNORMAL_TERMINATION:
            break;
    }
    return QStringLiteral("ended abnormally");
}

QString RenderCrashDiagnostic(cef_termination_status_t status, int exitCode) {
    return QStringLiteral("error^The page's render process ended: ") + Details(status, exitCode);
}

QString RenderCrashMessage(cef_termination_status_t status, int exitCode) {
    return QStringLiteral("页面打开出错，请联系客服热线") + Hotline() + QStringLiteral("！\r\n") +
           QStringLiteral("The page's render process ended again: ") + Details(status, exitCode);
}

void RenderCrashRecovery::Terminated(CefBrowser* browser, cef_termination_status_t status,
                                     int exitCode) {
    // The engine shows a pop-up whose renderer ended as an empty page.
    if (!window_.IsOwnMainFrame(browser, nullptr)) return;
    ReportDiagnostic(RenderCrashDiagnostic(status, exitCode));
    if (guard_.Next() == RenderCrashGuard::Action::kReload) {
        const QString start = window_.StartAddress();
        ReportDiagnostic(QStringLiteral("info^Reloading the start page ") + start);
        browser->GetMainFrame()->LoadURL(start);
    } else {
        AppMessageBox(window_.BoxOwner(), RenderCrashMessage(status, exitCode));
    }
}

}  // namespace corvane::browser
