// TFrmChrome, the program's main window: the browser view showing the portal, the page's address
// in the status bar and its title in the caption, full screen and keys, and the engine's events,
// each handed to the concern that owns it: the page command channel (PageCommand,
// PageCommandEffects), the page's dialogs (PageDialogs), downloads (Downloads), developer tools
// (DevToolsDock), render-crash recovery (RenderCrashRecovery) and public terminal mode.
//
// Thread: UI thread only; every engine event reaches it there through ChromeClient.
// Ownership and lifetime: a top-level window without owner, created once by the entry. Closing it
// frees it (Qt::WA_DeleteOnClose); destroying it closes its browser and disconnects the client.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <memory>

#include "browser/ChromiumView.h"
#include "browser/DevToolsDock.h"
#include "browser/DevToolsPanel.h"
#include "browser/Downloads.h"
#include "browser/PageCommandEffects.h"
#include "browser/PageDialogs.h"
#include "browser/RenderCrash.h"
#include "browser/WindowInterface.h"
#include "cef_engine.h"
#include "config/KioskSettings.h"
#include "config/Settings.h"
#include "shell/AppGlob.h"

namespace corvane::browser {

class IdleWatch;
class RetryNotice;

class TFrmChrome : public QMainWindow, private WindowInterface {
    Q_OBJECT
  public:
    // settings: the start page, the report's server, the single-process switch and the public
    // terminal settings (all off in the default ones). The window keeps its own copy.
    explicit TFrmChrome(const config::AppSettings& settings, QWidget* parent = nullptr);
    ~TFrmChrome() override;

    // The navigation log keeps the first this many characters of a line, then "…": laying out a
    // line costs time in proportion to its length, and a page must not freeze the window by
    // navigating to megabyte addresses. The page command itself always gets the whole address.
    static constexpr int kMaxLoggedChars = 8192;

    // The status bar's one text area.
    QString StatusText() const;
    void SetStatusText(const QString& text) override;

    // Engine events (ChromeClient forwards them), each inside a HandlerScope.
    //
    // A handler may run a nested event loop (the login report's wait, a message box), and the
    // user may close the window meanwhile. The window then hides at once but is freed only after
    // the last handler has returned: the engine's page, a child of the window, is still inside the
    // callback that called the handler, and freeing it there crashes the engine on its way back.
    class HandlerScope {
      public:
        explicit HandlerScope(TFrmChrome& window);
        ~HandlerScope();
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;

      private:
        QPointer<TFrmChrome> window_;
    };

    void Chromium1BeforeClose(CefBrowser* browser);
    void Chromium1LoadEnd(CefBrowser* browser, CefFrame* frame, int httpStatusCode);
    void Chromium1TitleChange(CefBrowser* browser, const QString& title);
    bool Chromium1BeforeBrowse(CefBrowser* browser, CefFrame* frame, CefRequest* request,
                               bool is_redirect);
    bool Chromium1CertificateError(CefBrowser* browser, int cert_error, const QString& request_url);
    // The own page's render process ended abnormally (RenderCrashRecovery).
    void Chromium1RenderProcessTerminated(CefBrowser* browser, cef_termination_status_t status,
                                          int exit_code);
    // Page dialogs (PageDialogs); installed when the window is shown (OwnsPageDialogs).
    bool OwnsPageDialogs() const { return ownsPageDialogs_; }
    bool Chromium1Jsdialog(CefBrowser* browser, const QString& origin_url,
                           const QString& accept_lang, cef_jsdialog_type_t dialog_type,
                           const QString& message_text, const QString& default_prompt_text,
                           CefJSDialogCallback* callback, bool& suppress_message);
    // Downloads (Downloads).
    void Chromium1BeforeDownload(CefBrowser* browser, CefDownloadItem* item,
                                 const QString& suggested_name,
                                 CefBeforeDownloadCallback* callback);
    void Chromium1DownloadUpdated(CefBrowser* browser, CefDownloadItem* item,
                                  CefDownloadItemCallback* callback);
    // The page called window.print(): printed as the "printwebview" command prints.
    bool Chromium1PrintRequested(CefBrowser* browser);
    void Chromium1BeforeContextMenu(CefBrowser* browser, CefFrame* frame);
    bool Chromium1ContextMenuCommand(CefBrowser* browser, CefFrame* frame, int command_id);

    // Developer tools (DevToolsDock), full screen and keys.
    void actDevToolExecute();
    void ToggleFullScreen();
    bool DevToolsShown() const { return devTools_->Shown(); }
    bool FullScreenShown() const { return fullScreen_; }

    // Public terminal mode (PublicTerminal.cpp).
    const config::KioskSettings& Kiosk() const { return settings_.Kiosk; }
    // Clears the whole browsing session and loads the start page afresh; waits for a running
    // engine handler (a login report) and closes dialogs first. Called when the idle countdown
    // reaches zero.
    void ResetSession();
    // A reset is waiting for its moment: the page may open no dialog and start no download.
    bool SessionResetPending() const { return resetPending_; }
    IdleWatch* Idle() const { return idle_; }
    RetryNotice* Retry() const { return retry_; }
    void Chromium1LoadError(CefBrowser* browser, CefFrame* frame, int error_code,
                            const QString& error_text, const QString& failed_url);

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // WindowInterface, for the concerns below.
    QWidget* BoxOwner() override { return this; }
    CefBrowser* OwnBrowserOrNull() const override { return Chromium1->Browser(); }
    bool IsOwnMainFrame(CefBrowser* browser, CefFrame* frame) const override;
    QString StartAddress() const override;
    void PostClose() override;
    void CloseIfBlank() override;

    void BuildLayout();
    void FormShow();
    void WMShellCommand(int code, const QString& text);
    void PageCommandStep(const QString& address);
    void AppendToNavigationLog(const QString& line);
    void ShowShellMessage(const QString& text);
    void RunScriptInMainFrame(const QString& script);
    void Timer1Timer();
    void StartPublicTerminal();
    void ResetSessionNow();
    // True when the allowed-hosts list refuses the navigation (reported, and the box posted).
    bool RefusedByHostList(CefBrowser* browser, CefFrame* frame, const QString& url);
    void RetryAfterLoadEnd(int httpStatusCode);

    // The widgets, in their layout order (top to bottom: navigation log, browser view, splitter
    // and developer tools panel, status bar). Each has its name as object name.
    QPlainTextEdit* Memo1;    // navigation log, hidden once shown; nothing reads it
    ChromiumView* Chromium1;  // the browser view
    QSplitter* clientSplit_;  // browser view above the developer tools panel ("Splitter" handle)
    DevToolsPanel* DevTools;  // hosts the engine's developer tools, hidden at start
    QStatusBar* StatusBar;    // one text area
    QLabel* statusText_;
    QMenuBar* MainMenu1;  // hidden; holds N1
    QAction* N1;          // "调试", Ctrl+F12: toggles the developer tools
    QTimer* Timer1;       // focuses the browser view until the window is shown

    const config::AppSettings settings_;
    bool shown_ = false;
    bool titleFollowsPage_ = false;
    bool ownsPageDialogs_ = false;
    bool fullScreen_ = false;
    int handlerDepth_ = 0;            // engine event handlers running (HandlerScope)
    bool freeAfterHandlers_ = false;  // closed while one ran: freed when the last returns

    // The window's concerns, each with this window's interface.
    Downloads downloads_{*this};
    PageDialogs pageDialogs_{*this};
    RenderCrashRecovery renderCrash_{*this};
    PageCommandEffects pageCommands_{*this, settings_};
    std::unique_ptr<DevToolsDock> devTools_;  // made with the layout

    IdleWatch* idle_ = nullptr;     // with IdleReset only; a child of the window
    RetryNotice* retry_ = nullptr;  // with RetrySeconds only; a child of the window
    bool resetPending_ = false;
    bool resetArmed_ = false;       // a retry of the pending reset is scheduled
    bool notAllowedShown_ = false;  // the box for a refused address is up
    QString loadError_;             // the own main frame's last load error, until its load end
};

}  // namespace corvane::browser
