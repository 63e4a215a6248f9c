// The scripted test engine: the engine interface of cef_engine.h without Chromium, for UI tests.
//
// Browsers are plain widgets (a child of the parent window given at creation; a top-level widget
// for a pop-up). The engine records every call made on it and replays the events a test scripts.
//
// How a test reaches it: link `cef_scripted` and include this header. UI test binaries lie beside
// CefLib/libcef.so, a link to the same library, so the shell's StartEngine (dlopen) and the test
// share one engine instance. A UI test's main typically does
//
//     QApplication app(argc, argv);
//     corvane::log4me::Start(QCoreApplication::applicationFilePath());
//     corvane::engine::StartEngine(argc, argv);   // loads CefLib/libcef.so = this engine
//     ... RUN_ALL_TESTS() ...
//     corvane::engine::ShutdownEngine();
//
// and each fixture calls corvane::scripted::Engine().Reset() in SetUp. A host that only loads the
// library at run time (the engine contract tests' probe) scripts a page's load through the
// entry points of ScriptedExports.h instead.
//
// Delivery follows the real engine:
//  - Notifications (OnAfterCreated, OnLoadEnd, OnTitleChange, OnDownloadUpdated,
//    OnRenderProcessTerminated, OnBeforeClose) and the navigations started by LoadURL or by a
//    pop-up are queued and delivered, in order, from inside cef_do_message_loop_work (the shell's
//    10 ms pump) or from DeliverQueued().
//  - Questions (Navigate, JSDialog, BeginDownload, CertificateError, ContextMenuCommand) call the
//    client's handler at once, inside the control call, and return what the handler answered.
//
// Threads: UI thread only (the thread of the QApplication). Not thread-safe.
// Lifetimes: a CefBrowser* from Browser() is valid until its OnBeforeClose has been delivered (or
// until Reset / cef_shutdown). Widgets are owned by the engine; tests may read them, not delete
// them.
#pragma once

#include <QDateTime>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "cef_engine.h"

namespace corvane::scripted {

// One call made on the engine by the program.
//   name                 browser  text              text2        number      flag
//   "create"             new id   initial url       window name
//   "LoadURL"            id       url
//   "StopLoad"           id
//   "CloseBrowser"       id                                                     force_close
//   "Print"              id                                                     accepted
//   "ShowDevTools"       id       window name                    has point   client given
//   "CloseDevTools"      id
//   "ExecuteJavaScript"  id       code              script url   start line
//   "CancelDownload"     id of the download's browser (number: download id)
//   "ResetSession"       0
//   "SetIgnoreCertificateErrors" 0                                              ignore
struct RecordedCall {
    RecordedCall() = default;
    // The trailing values a call does not record may be left out: {"StopLoad", id}.
    RecordedCall(QString name, int browser, QString text = {}, QString text2 = {}, int number = 0,
                 bool flag = false)
        : name(std::move(name)),
          browser(browser),
          text(std::move(text)),
          text2(std::move(text2)),
          number(number),
          flag(flag) {}

    QString name;
    int browser = 0;
    QString text;
    QString text2;
    int number = 0;
    bool flag = false;
};

// The values a download item reports at one moment.
struct DownloadState {
    enum Phase { InProgress, Complete, Canceled, Interrupted };
    int64_t totalBytes = 0;
    int64_t receivedBytes = 0;
    int64_t currentSpeed = 0;  // bytes per second
    int percentComplete = -1;  // -1: unknown
    QDateTime startTime;       // UTC
    QString fullPath;          // empty: not known yet
    Phase phase = InProgress;
};

// What the download handler did with OnBeforeDownload.
struct BeforeDownloadAnswer {
    int download = 0;        // identifier for UpdateDownload
    bool continued = false;  // Continue was called
    QString path;            // its download_path
    bool showDialog = false;
};

// What the JS dialog handler did.
struct JSDialogAnswer {
    bool handled = false;          // the handler's return value
    bool suppressMessage = false;  // the flag as the handler left it
    bool continued = false;        // callback Continue was called
    bool success = false;          // its arguments
    QString userInput;
    // The engine would show its own dialog now (not handled and not suppressed).
    bool engineDialog() const { return !handled && !suppressMessage; }
};

class ScriptedEngine {
  public:
    // Deletes every browser without events (releasing their clients), drops the queue, the
    // downloads, the recorded browser calls and the message-loop-work counters; browser and
    // download identifiers start again at 1. The records of
    // execute-process, initialise and shutdown stay: they describe the engine's life in this
    // process, which a reset does not end.
    void Reset();

    // ---- Calls recorded on the exported entry points
    int executeProcessCalls = 0;
    QStringList executeProcessArgs;            // argv of the last call
    bool applicationAtExecuteProcess = false;  // a QCoreApplication existed during the call
    int initializeCalls = 0;
    QStringList initializeArgs;
    std::optional<CefSettings> initializeSettings;  // settings of the last call
    bool applicationAtInitialize = false;           // a QApplication existed during the call
    int messageLoopWorkCalls = 0;
    int maxMessageLoopWorkDepth = 0;  // above 1: cef_do_message_loop_work was re-entered
    int shutdownCalls = 0;
    // A print dialog is open: Print() refuses (answers false) while this is set. It also refuses
    // while the same browser's accepted print has not ended (see PrintDone).
    bool printDialogOpen = false;

    // ---- Calls recorded on browsers, hosts and frames, in order
    const QList<RecordedCall>& Calls() const;
    QList<RecordedCall> CallsNamed(const QString& name) const;
    void ClearCalls();

    // ---- Browsers
    QList<int> Browsers() const;  // live browsers, in creation order
    CefBrowser* Browser(int id) const;
    QWidget* BrowserWidget(int id) const;
    QWidget* DevToolsWidget(int id) const;  // null unless ShowDevTools is in effect
    QString MainFrameUrl(int id) const;
    // Runs after every browser the program creates (not pop-ups), after the create call returned.
    void SetOnBrowserCreated(std::function<void(int id)> hook);

    // ---- Notifications (queued)
    // Load end of the main frame (its current address) or of a sub-frame at frameUrl. A main
    // frame's load end gives the browser a document.
    void LoadEnd(int id, int httpStatus, bool mainFrame = true, const QString& frameUrl = {});
    // A main-frame load that got no answer: OnLoadError, then OnLoadEnd with status 0.
    void LoadError(int id, int errorCode, const QString& failedUrl);
    void TitleChange(int id, const QString& title);
    // The page opened a pop-up: a top-level browser sharing the opener's client. OnAfterCreated
    // and then the navigation to url (when not empty) are queued. Returns the pop-up's id.
    int OpenPopup(int openerId, const QString& url);
    // The page closed its browser (window.close()): OnBeforeClose is queued.
    void PageClosed(int id);
    void RenderProcessTerminated(int id, cef_termination_status_t status, int exitCode);
    // The item reports `state` from now on (every value replaced, the full path included).
    void UpdateDownload(int download, const DownloadState& state);

    // Delivers everything queued (what cef_do_message_loop_work does, without counting as a pump
    // call). Returns true when something was delivered.
    bool DeliverQueued();
    bool HasQueued() const;
    // Runs the Qt event loop until the shell's pump has delivered everything queued. False when
    // the queue is still not empty after timeoutMs.
    bool WaitUntilDelivered(int timeoutMs = 10000);

    // ---- Questions (at once)
    // A navigation of the main frame or a sub-frame; calls OnBeforeBrowse and returns its answer
    // (true: cancelled). An uncancelled main-frame navigation changes the main frame's address.
    bool Navigate(int id, const QString& url, bool isRedirect = false, bool mainFrame = true);
    JSDialogAnswer JSDialog(int id, cef_jsdialog_type_t type, const QString& message,
                            const QString& defaultPrompt = {}, const QString& originUrl = {});
    // A download starts: OnBeforeDownload with an item in state `initial`. When the handler
    // continues, the item's full path becomes initial.fullPath, or else the path it gave.
    BeforeDownloadAnswer BeginDownload(int id, const QString& suggestedName,
                                       const DownloadState& initial);
    // The page asks whether it may be left: OnBeforeUnloadDialog. engineDialog() of the answer
    // tells that the engine would ask in its own way.
    JSDialogAnswer BeforeUnload(int id, const QString& message);
    // The page called window.print(): OnPrintRequested; unhandled, the engine prints itself
    // (recorded as a "Print" call). Returns the handler's "handled".
    bool PrintRequested(int id);
    // The print an accepted Print() of browser id started has ended (its dialog answered, the page
    // printed): the browser accepts Print() again.
    void PrintDone(int id);
    // A certificate error: the handler is asked only when ignore_certificate_errors is off.
    // Returns true when the certificate was accepted.
    bool CertificateError(int id, int certError, const QString& url);
    // A right click and a command of the default menu. Returns the handler's "handled".
    bool ContextMenuCommand(int id, int commandId);

    // ---- The engine's own parts (opaque to tests)
    struct State;
    State& state() { return *state_; }
    ScriptedEngine();
    ~ScriptedEngine();
    ScriptedEngine(const ScriptedEngine&) = delete;
    ScriptedEngine& operator=(const ScriptedEngine&) = delete;

  private:
    std::unique_ptr<State> state_;
};

// The one engine instance of the process.
ScriptedEngine& Engine();

}  // namespace corvane::scripted
