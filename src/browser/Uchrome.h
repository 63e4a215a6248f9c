// TFrmChrome, the program's main window: the browser view showing the portal, the page's address
// in the status bar and its title in the caption, the page command channel, the page's dialogs,
// downloads, developer tools, full screen and keys.
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
#include <QPoint>
#include <QPointer>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>

#include "browser/ChromiumView.h"
#include "browser/DevToolsPanel.h"
#include "browser/Downloads.h"
#include "browser/PageCommand.h"
#include "browser/RenderCrash.h"
#include "cef_engine.h"
#include "config/KioskSettings.h"
#include "shell/AppGlob.h"

namespace corvane::browser {

class IdleWatch;
class RetryNotice;

class TFrmChrome : public QMainWindow, private PageCommandActions {
    Q_OBJECT
  public:
    explicit TFrmChrome(QWidget* parent = nullptr);
    // With the public terminal settings (all off in the default ones).
    explicit TFrmChrome(const config::KioskSettings& kiosk, QWidget* parent = nullptr);
    ~TFrmChrome() override;

    // The members, in their layout order (top to bottom: navigation log, browser view, splitter
    // and developer tools panel, status bar).
    ChromiumView* Chromium1;  // the browser view
    QPlainTextEdit* Memo1;    // navigation log, hidden once shown; nothing reads it
    QTimer* Timer1;           // focuses the browser view until the window is shown
    QStatusBar* StatusBar;    // one text area
    DevToolsPanel* DevTools;  // hosts the engine's developer tools, hidden at start
    QWidget* Splitter;        // the handle above DevTools; shown and hidden with it
    QMenuBar* MainMenu1;      // hidden; holds N1
    QAction* N1;              // "调试", Ctrl+F12: toggles the developer tools

    // The navigation log keeps the first this many characters of a line, then "…": laying out a
    // line costs time in proportion to its length, and a page must not freeze the window by
    // navigating to megabyte addresses. The page command itself always gets the whole address.
    static constexpr int kMaxLoggedChars = 8192;

    // The status bar's one text area.
    QString StatusText() const;
    void SetStatusText(const QString& text);

    // True when browser is the view's own browser and frame is none or its main frame.
    bool IsOwnMainFrame(CefBrowser* browser, CefFrame* frame) const;
    // Closes the window (shell_code::kClose) when the own browser shows about:blank.
    void CloseIfBlank();

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
    // The own page's render process ended abnormally: reported, and the start page reloaded, or
    // the page error with the hotline shown when it ended again soon after a reload
    // (RenderCrash.cpp).
    void Chromium1RenderProcessTerminated(CefBrowser* browser, cef_termination_status_t status,
                                          int exit_code);
    // Page dialogs; installed when the window is shown (OwnsPageDialogs).
    bool OwnsPageDialogs() const { return ownsPageDialogs_; }
    bool Chromium1Jsdialog(CefBrowser* browser, const QString& origin_url,
                           const QString& accept_lang, cef_jsdialog_type_t dialog_type,
                           const QString& message_text, const QString& default_prompt_text,
                           CefJSDialogCallback* callback, bool& suppress_message);
    void Chromium1BeforeDownload(CefBrowser* browser, CefDownloadItem* item,
                                 const QString& suggested_name,
                                 CefBeforeDownloadCallback* callback);
    void Chromium1DownloadUpdated(CefBrowser* browser, CefDownloadItem* item,
                                  CefDownloadItemCallback* callback);
    // The page called window.print(): printed as the "printwebview" command prints (Printing.cpp).
    bool Chromium1PrintRequested(CefBrowser* browser);
    void Chromium1BeforeContextMenu(CefBrowser* browser, CefFrame* frame);
    bool Chromium1ContextMenuCommand(CefBrowser* browser, CefFrame* frame, int command_id);

    // Developer tools, full screen and keys.
    void actDevToolExecute();
    void ShowDevTools(CefBrowser* browser, const QPoint* inspect_element_at);
    void CloseDevTools(CefBrowser* browser);
    void ToggleFullScreen();
    bool DevToolsShown() const { return devToolsShown_; }
    bool FullScreenShown() const { return fullScreen_; }

    // Public terminal mode (PublicTerminal.cpp).
    const config::KioskSettings& Kiosk() const { return kiosk_; }
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
    void BuildLayout();
    void FormShow();
    void WMShellCommand(int code, const QString& text);
    void PageCommandStep(const QString& address);
    void AppendToNavigationLog(const QString& line);
    void ShowShellMessage(const QString& text);
    void RunScriptInMainFrame(const QString& script);
    void PopupCleanup(CefBrowser* browser);
    // Prints the browser's page through the engine's print dialog; false, with an "error^" line,
    // when the engine refused because a print dialog is already open.
    bool PrintBrowser(CefBrowser& browser);
    void Timer1Timer();
    void StartPublicTerminal();
    void ResetSessionNow();
    // True when the allowed-hosts list refuses the navigation (reported, and the box posted).
    bool RefusedByHostList(CefBrowser* browser, CefFrame* frame, const QString& url);
    void RetryAfterLoadEnd(int httpStatusCode);
    // The view's browser, or an error when there is none.
    CefBrowser& OwnBrowser() const;

    // PageCommandActions
    void CloseByPage() override;
    void ReportLogin(const QString& nsrsbh) override;
    bool PrintPage() override;

    QSplitter* clientSplit_;  // browser view above the developer tools panel
    QLabel* statusText_;
    QString startAddress_ = QStringLiteral("about:blank");
    bool shown_ = false;
    bool titleFollowsPage_ = false;
    bool ownsPageDialogs_ = false;
    bool devToolsShown_ = false;
    bool fullScreen_ = false;
    bool devToolsSized_ = false;
    int handlerDepth_ = 0;            // engine event handlers running (HandlerScope)
    bool freeAfterHandlers_ = false;  // closed while one ran: freed when the last returns
    RenderCrashGuard renderCrash_;
    DownloadSizeWatch downloadSizes_;
    const config::KioskSettings kiosk_;
    IdleWatch* idle_ = nullptr;     // with IdleReset only; a child of the window
    RetryNotice* retry_ = nullptr;  // with RetrySeconds only; a child of the window
    bool resetPending_ = false;
    bool resetArmed_ = false;       // a retry of the pending reset is scheduled
    bool notAllowedShown_ = false;  // the box for a refused address is up
    QString loadError_;             // the own main frame's last load error, until its load end
};

}  // namespace corvane::browser
