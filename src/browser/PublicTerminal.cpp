// Public terminal mode in the browser window: the idle reset of the whole browsing session, the
// allowed-hosts list, and the retry notice for a portal that cannot be reached. Everything here is
// off unless the kiosk settings turn it on.
#include <QApplication>
#include <QDialog>
#include <QThread>
#include <QUrl>
#include <exception>

#include "browser/HostGuard.h"
#include "browser/IdleWatch.h"
#include "browser/RetryNotice.h"
#include "browser/Uchrome.h"
#include "config/Settings.h"
#include "log/Diagnostic.h"
#include "shell/EngineBootstrap.h"

namespace corvane::browser {
namespace {

// How soon a reset that had to wait (a dialog closing, a report running) is tried again.
constexpr int kResetRetryMs = 100;

// Every dialog and menu of the program: the page's boxes, Save As, the print dialog. Each one's
// own event loop ends when it is rejected; the caller that opened it carries on with "cancel".
void CloseDialogsAndMenus() {
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (!popup->close()) break;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible()) dialog->reject();
    }
}

}  // namespace

void TFrmChrome::StartPublicTerminal() {
    for (const QString& line :
         AddressesOutsideList(settings_.Kiosk.Hosts, settings_.TaxUrl, settings_.Server))
        ReportDiagnostic(line);
    if (settings_.Kiosk.IdleReset > 0 && !idle_) {
        idle_ = new IdleWatch(
            settings_.Kiosk.IdleReset, settings_.Kiosk.IdleNotice, this, [this] { ResetSession(); },
            this);
    }
    if (settings_.Kiosk.RetrySeconds > 0 && !retry_) {
        retry_ = new RetryNotice(this, settings_.Kiosk.RetrySeconds, [this] {
            try {
                ReportDiagnostic(QStringLiteral("debug^Loading the start page again: ") +
                                 settings_.TaxUrl);
                OwnBrowser().GetMainFrame()->LoadURL(settings_.TaxUrl);
            } catch (const std::exception& e) {
                ReportDiagnostic(QStringLiteral("error^") + QString::fromUtf8(e.what()));
            }
        });
    }
}

void TFrmChrome::ResetSession() {
    // Called from timers: nothing may leave it.
    try {
        ResetSessionNow();
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + QString::fromUtf8(e.what()));
    }
}

void TFrmChrome::ResetSessionNow() {
    if (resetPending_ && resetArmed_) return;  // already waiting for its moment
    resetPending_ = true;
    CloseDialogsAndMenus();
    // Not while an engine handler runs (a login report finishes first; a dialog's caller must get
    // its answer back to the engine) nor inside any other nested event loop: the reset replaces
    // the pages such a loop may be serving.
    if (handlerDepth_ > 0 || QThread::currentThread()->loopLevel() > 1) {
        resetArmed_ = true;
        QTimer::singleShot(kResetRetryMs, this, [this] {
            resetArmed_ = false;
            ResetSession();
        });
        return;
    }
    resetPending_ = false;
    if (devTools_->Shown()) actDevToolExecute();
    const auto reset = engine::Api().cef_reset_session;
    if (!reset || reset() != 1) {
        // The next taxpayer must not inherit this session: the program ends, and the kiosk
        // session starts it again with a wiped engine cache.
        ReportDiagnostic(QStringLiteral("error^The browsing session could not be reset; closing"));
        SendShellCommand(this, QString(), shell_code::kClose);
        return;
    }
    SetStatusText(QString());
    OwnBrowser().GetMainFrame()->LoadURL(settings_.TaxUrl);
    ReportDiagnostic(QStringLiteral("info^No input for %1 s: browsing session cleared, start page "
                                    "loaded afresh")
                         .arg(settings_.Kiosk.IdleReset + settings_.Kiosk.IdleNotice));
    if (idle_) idle_->Restart();
}

bool TFrmChrome::RefusedByHostList(CefBrowser* browser, CefFrame* frame, const QString& url) {
    switch (JudgeNavigation(settings_.Kiosk.Hosts, url, frame && frame->IsMain())) {
        case NavigationVerdict::kGo:
            return false;
        case NavigationVerdict::kRefuseCommand:
            ReportDiagnostic(
                QStringLiteral("error^Page command from outside AllowedHosts refused: ") + url);
            return true;
        case NavigationVerdict::kRefuseAddress:
            ReportDiagnostic(QStringLiteral("info^Navigation outside AllowedHosts refused: ") +
                             url);
            // A pop-up opened for nothing but that address would stay an empty window.
            CloseEmptyPopup(browser);
            // Told after the engine has its answer, and one box at a time: a page that keeps
            // trying must not pile boxes up. Before the window is shown (the built-in start page
            // of a deployment that lists other hosts) nobody is told.
            if (shown_ && !notAllowedShown_) {
                notAllowedShown_ = true;
                const QString text = NotAllowedMessage(url);
                QTimer::singleShot(0, this, [this, text] {
                    AppMessageBox(this, text);
                    notAllowedShown_ = false;
                });
            }
            return true;
    }
    return false;
}

void TFrmChrome::Chromium1LoadError(CefBrowser* browser, CefFrame* frame, int error_code,
                                    const QString& error_text, const QString& failed_url) {
    if (!IsOwnMainFrame(browser, frame)) return;
    ReportDiagnostic(QStringLiteral("debug^Load failed: %1 (%2) %3")
                         .arg(error_text, QString::number(error_code), failed_url));
    loadError_ = QStringLiteral("%1 %2").arg(QString::number(error_code), error_text);
}

void TFrmChrome::RetryAfterLoadEnd(int httpStatusCode) {
    const QString error = std::exchange(loadError_, QString());
    if (!retry_) return;
    if (!error.isEmpty())
        retry_->Failed(error);
    else if (httpStatusCode >= 500)
        retry_->Failed(QStringLiteral("HTTP %1").arg(httpStatusCode));
    else
        retry_->Succeeded();
}

}  // namespace corvane::browser
