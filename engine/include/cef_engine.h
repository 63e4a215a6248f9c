// The browser engine interface shared by the shell and every engine library (CefLib/libcef.so).
//
// The shell never links an engine: it loads the library at run time and looks up the C entry points
// below (see CEF_ENGINE_EXPORTS). Shell and engine are built by the same compiler from this header,
// so the C++ classes cross the boundary as they are.
//
// Threads: every call into the engine and every handler call out of it happens on the UI thread
// (the thread that called cef_initialize), except cef_execute_process, which runs before any other.
//
// Delivery of events:
//  - Questions that need an answer (OnBeforeBrowse, OnCertificateError, OnJSDialog,
//    OnBeforeUnloadDialog, OnPrintRequested, OnBeforeDownload,
//    OnBeforeContextMenu/OnContextMenuCommand) are delivered at once, from inside
//    the engine's own processing; the engine waits for the answer. A nested event loop inside such
//    a handler (a message box, a report wait) holds the engine's browser-side work until it
//    returns.
//  - Notifications (OnAfterCreated, OnLoadEnd, OnTitleChange, OnDownloadUpdated,
//    OnRenderProcessTerminated, OnBeforeClose) are queued by the engine and delivered from inside
//    cef_do_message_loop_work, which the shell pumps every 10 ms while a browser client exists.
//
// Ownership and lifetimes:
//  - CefBrowser: created and owned by the engine. A browser pointer stays valid from its creation
//    (cef_browser_host_create_browser_sync, or OnAfterCreated for a pop-up) until its client's
//    OnBeforeClose has returned; the engine deletes it afterwards. GetHost() and GetMainFrame()
//    live as long as their browser.
//  - CefFrame, CefRequest, CefDownloadItem and the callbacks passed to a handler are valid only
//    during that handler call; a handler that wants to keep a value copies it.
//  - CefClient is reference counted (CefRefCounted): the engine holds a reference for every browser
//    that uses the client and releases it after that browser's OnBeforeClose. Pop-ups opened by a
//    page share the client of the browser that opened them.
//  - Texts are QString (UTF-16), the program's one wide-text type.
#pragma once

#include <QDateTime>
#include <QPoint>
#include <QRect>
#include <QString>
#include <atomic>
#include <cstdint>
#include <utility>

class QWidget;

// The interface lives in corvane::engine_interface, an inline namespace: code of the program (in
// corvane::...) names its classes as they stand, and none of them is a global class of the name a
// real CEF build uses for its own, different one.
namespace corvane {
inline namespace engine_interface {

// ---------------------------------------------------------------------------------------------
// Reference counting

class CefRefCounted {
  public:
    void AddRef() const { refs_.fetch_add(1, std::memory_order_relaxed); }
    // Deletes the object when the last reference goes.
    void Release() const {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }

  protected:
    virtual ~CefRefCounted() = default;

  private:
    mutable std::atomic<int> refs_{0};
};

// Holds one reference for as long as it lives.
template <class T>
class CefRefPtr {
  public:
    CefRefPtr() = default;
    CefRefPtr(T* p) : p_(p) {  // NOLINT(google-explicit-constructor): CEF's own style
        if (p_) p_->AddRef();
    }
    CefRefPtr(const CefRefPtr& o) : CefRefPtr(o.p_) {}
    CefRefPtr& operator=(const CefRefPtr& o) {
        CefRefPtr tmp(o);
        std::swap(p_, tmp.p_);
        return *this;
    }
    ~CefRefPtr() {
        if (p_) p_->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Start-up

struct CefMainArgs {
    int argc = 0;
    char** argv = nullptr;
};

enum cef_log_severity_t { LOGSEVERITY_DEFAULT = 0, LOGSEVERITY_DISABLE = 99 };

struct CefSettings {
    bool single_process = false;
    bool no_sandbox = false;
    QString browser_subprocess_path;  // empty: helpers run this same executable
    QString cache_path;               // absolute path of the profile's cache and storage
    bool persist_session_cookies = false;
    QString user_agent, product_version, log_file, javascript_flags;
    // The user interface language as a BCP 47 tag ("zh-CN"): the engine's own texts, the pages'
    // navigator.language and the Accept-Language of every request. Empty: the engine's default.
    QString locale;
    int log_severity = LOGSEVERITY_DEFAULT;
    QString resources_dir_path, locales_dir_path;
    int remote_debugging_port = 0;
    bool ignore_certificate_errors = false;
    uint32_t background_color = 0;
};

// Supplies no handlers of any kind; the engine only keeps it alive between initialise and shutdown.
class CefApp : public CefRefCounted {};

struct CefWindowInfo {
    QWidget* parent = nullptr;  // the engine's window becomes a visible child of this widget
    QRect rect;                 // in the parent's coordinates
    QString window_name;
};

struct CefBrowserSettings {};

// ---------------------------------------------------------------------------------------------
// Browsers, frames, requests

class CefBrowser;
class CefClient;

class CefRequest {
  public:
    // The address as the engine has it, still percent-encoded.
    virtual QString GetURL() const = 0;

  protected:
    ~CefRequest() = default;
};

// The main frame lives as long as its browser. A sub-frame (IsMain false) is handed to
// OnBeforeBrowse only; Qt WebEngine cannot address it: its GetURL is empty and LoadURL and
// ExecuteJavaScript do nothing.
class CefFrame {
  public:
    virtual void LoadURL(const QString& url) = 0;
    virtual QString GetURL() const = 0;
    virtual bool IsMain() const = 0;
    virtual void ExecuteJavaScript(const QString& code, const QString& script_url,
                                   int start_line) = 0;

  protected:
    ~CefFrame() = default;
};

class CefBrowserHost {
  public:
    // Asks the browser to close. force_close false lets the page's unload handlers run; the
    // client's OnBeforeClose follows in either case.
    virtual void CloseBrowser(bool force_close) = 0;
    // Shows the system's print dialog and prints the page when the user confirms. Returns false,
    // doing nothing, while a print dialog of the program is open or this page is still being
    // printed: one print at a time.
    virtual bool Print() = 0;
    // Opens the developer tools for this browser in a new child window of window_info.parent
    // covering window_info.rect. client may be null (no handlers). inspect_element_at may be null.
    virtual void ShowDevTools(const CefWindowInfo& window_info, CefClient* client,
                              const CefBrowserSettings& settings,
                              const QPoint* inspect_element_at) = 0;
    virtual void CloseDevTools() = 0;
    // The engine's window of this browser (a child of the parent given at creation; a top-level
    // window for a pop-up).
    virtual QWidget* GetWindowHandle() const = 0;

  protected:
    ~CefBrowserHost() = default;
};

class CefBrowser {
  public:
    virtual int GetIdentifier() const = 0;
    virtual CefFrame* GetMainFrame() = 0;
    virtual bool IsPopup() const = 0;
    // False until a document has loaded (a pop-up opened only for a download never has one).
    virtual bool HasDocument() const = 0;
    virtual CefBrowserHost* GetHost() = 0;
    virtual void StopLoad() = 0;

  protected:
    ~CefBrowser() = default;
};

// ---------------------------------------------------------------------------------------------
// Downloads and dialogs

class CefDownloadItem {
  public:
    // Stays the same for one download from OnBeforeDownload to its end; unique in the process.
    virtual uint32_t GetId() const = 0;
    // 0 when unknown (always so in OnBeforeDownload on Qt WebEngine 6.4, which learns the size
    // only once the download runs).
    virtual int64_t GetTotalBytes() const = 0;
    virtual int64_t GetReceivedBytes() const = 0;
    virtual int64_t GetCurrentSpeed() const = 0;  // bytes per second
    virtual int GetPercentComplete() const = 0;   // -1 when unknown
    virtual QDateTime GetStartTime() const = 0;   // UTC
    virtual QString GetFullPath() const = 0;      // empty until the target is known
    virtual bool IsComplete() const = 0;
    virtual bool IsCanceled() const = 0;
    virtual bool IsInProgress() const = 0;

  protected:
    ~CefDownloadItem() = default;
};

class CefBeforeDownloadCallback {
  public:
    // Must be called during OnBeforeDownload, or the download is cancelled. download_path may be
    // relative (to the program folder); with show_dialog the user picks the final path in a Save
    // As dialog that starts there, and cancelling it cancels the download.
    virtual void Continue(const QString& download_path, bool show_dialog) = 0;

  protected:
    ~CefBeforeDownloadCallback() = default;
};

class CefDownloadItemCallback {
  public:
    virtual void Cancel() = 0;

  protected:
    ~CefDownloadItemCallback() = default;
};

class CefJSDialogCallback {
  public:
    // Must be called during OnJSDialog when the handler returns true; otherwise the dialog is
    // answered with success false.
    virtual void Continue(bool success, const QString& user_input) = 0;

  protected:
    ~CefJSDialogCallback() = default;
};

enum cef_jsdialog_type_t { JSDIALOGTYPE_ALERT = 0, JSDIALOGTYPE_CONFIRM, JSDIALOGTYPE_PROMPT };

enum cef_termination_status_t {
    TS_ABNORMAL_TERMINATION = 0,
    TS_PROCESS_WAS_KILLED,
    TS_PROCESS_CRASHED,
    TS_PROCESS_OOM,
};

// ---------------------------------------------------------------------------------------------
// Handlers. Every method has a default that matches the engine's own behaviour.

class CefLifeSpanHandler {
  public:
    virtual ~CefLifeSpanHandler() = default;
    // A browser now exists (a pop-up the page opened, or one created by the shell).
    virtual void OnAfterCreated(CefBrowser* /*browser*/) {}
    // Last event of a browser; the pointer is invalid after this returns.
    virtual void OnBeforeClose(CefBrowser* /*browser*/) {}
};

class CefLoadHandler {
  public:
    virtual ~CefLoadHandler() = default;
    // Main frames only on Qt WebEngine 6.4 (sub-frame load ends are not reported there).
    virtual void OnLoadEnd(CefBrowser* /*browser*/, CefFrame* /*frame*/, int /*httpStatusCode*/) {}
    // A main-frame load that got no answer (no network, the server unreachable, a refused
    // certificate): delivered just before that load's OnLoadEnd (whose status is then 0).
    // error_code is Chromium's network error number (negative). A navigation that was cancelled
    // or replaced by another is not reported.
    virtual void OnLoadError(CefBrowser* /*browser*/, CefFrame* /*frame*/, int /*error_code*/,
                             const QString& /*error_text*/, const QString& /*failed_url*/) {}
};

class CefDisplayHandler {
  public:
    virtual ~CefDisplayHandler() = default;
    virtual void OnTitleChange(CefBrowser* /*browser*/, const QString& /*title*/) {}
};

class CefRequestHandler {
  public:
    virtual ~CefRequestHandler() = default;
    // Every navigation of every frame, redirects included. Return true to cancel it.
    virtual bool OnBeforeBrowse(CefBrowser* /*browser*/, CefFrame* /*frame*/,
                                CefRequest* /*request*/, bool /*is_redirect*/) {
        return false;
    }
    // Only when ignore_certificate_errors is off. Return true to accept the certificate.
    virtual bool OnCertificateError(CefBrowser* /*browser*/, int /*cert_error*/,
                                    const QString& /*request_url*/) {
        return false;
    }
    virtual void OnRenderProcessTerminated(CefBrowser* /*browser*/,
                                           cef_termination_status_t /*status*/, int /*exit_code*/) {
    }
};

class CefJSDialogHandler {
  public:
    virtual ~CefJSDialogHandler() = default;
    // Return true when handled (then callback->Continue is called before returning). Return false
    // with suppress_message true to drop the dialog (the page's call returns at once, as if
    // dismissed), or with suppress_message false to let the engine show its own dialog.
    virtual bool OnJSDialog(CefBrowser* /*browser*/, const QString& /*origin_url*/,
                            const QString& /*accept_lang*/, cef_jsdialog_type_t /*dialog_type*/,
                            const QString& /*message_text*/, const QString& /*default_prompt_text*/,
                            CefJSDialogCallback* /*callback*/, bool& /*suppress_message*/) {
        return false;
    }
    // The page asks whether it may be left (its beforeunload handler); never an OnJSDialog.
    // message_text is the engine's own question (pages cannot choose it). Return true when handled
    // (then callback->Continue is called before returning: success true leaves the page), or
    // false to let the engine ask in its own way, in the user interface language.
    virtual bool OnBeforeUnloadDialog(CefBrowser* /*browser*/, const QString& /*message_text*/,
                                      bool /*is_reload*/, CefJSDialogCallback* /*callback*/) {
        return false;
    }
};

class CefPrintHandler {
  public:
    virtual ~CefPrintHandler() = default;
    // The page called window.print(). Return true when the client took care of it (typically
    // through browser->GetHost()->Print()); false lets the engine print as Print() would.
    virtual bool OnPrintRequested(CefBrowser* /*browser*/) { return false; }
};

class CefDownloadHandler {
  public:
    virtual ~CefDownloadHandler() = default;
    // suggested_name is already one safe file-name component (no "/" or "\", no control
    // characters, no leading dots or blanks). Without a Continue call the download is cancelled.
    virtual void OnBeforeDownload(CefBrowser* /*browser*/, CefDownloadItem* /*item*/,
                                  const QString& /*suggested_name*/,
                                  CefBeforeDownloadCallback* /*callback*/) {}
    virtual void OnDownloadUpdated(CefBrowser* /*browser*/, CefDownloadItem* /*item*/,
                                   CefDownloadItemCallback* /*callback*/) {}
};

// Command ids of the engine's default context menu that are not the page's own actions. (The
// page's own entries, back, forward, reload and the editing commands, have ids below 100.)
enum cef_menu_id_t { MENU_ID_PRINT = 131 };

class CefContextMenuHandler {
  public:
    virtual ~CefContextMenuHandler() = default;
    // Before the engine's default menu is shown; the menu is not changed here.
    virtual void OnBeforeContextMenu(CefBrowser* /*browser*/, CefFrame* /*frame*/) {}
    // Return true when handled; false lets the engine carry out its default action.
    virtual bool OnContextMenuCommand(CefBrowser* /*browser*/, CefFrame* /*frame*/,
                                      int /*command_id*/) {
        return false;
    }
};

class CefClient : public CefRefCounted {
  public:
    virtual CefLifeSpanHandler* GetLifeSpanHandler() { return nullptr; }
    virtual CefLoadHandler* GetLoadHandler() { return nullptr; }
    virtual CefDisplayHandler* GetDisplayHandler() { return nullptr; }
    virtual CefRequestHandler* GetRequestHandler() { return nullptr; }
    virtual CefJSDialogHandler* GetJSDialogHandler() { return nullptr; }
    virtual CefDownloadHandler* GetDownloadHandler() { return nullptr; }
    virtual CefContextMenuHandler* GetContextMenuHandler() { return nullptr; }
    virtual CefPrintHandler* GetPrintHandler() { return nullptr; }
};

// ---------------------------------------------------------------------------------------------
// Exported entry points (extern "C", looked up by name)

// The version of this interface. The shell refuses, before any other call, an engine library
// built from another version of this header, and any other library named libcef.so (a real CEF
// build has the same entry-point names with other signatures): the classes that cross the
// boundary must be laid out alike on both sides.
inline constexpr int kCorvaneEngineInterfaceVersion = 2;

extern "C" {
// The interface version the library was built with (kCorvaneEngineInterfaceVersion).
typedef int (*corvane_engine_interface_version_t)();
// Runs an engine helper process (an argument starting with "--type=") to its end and returns its
// code (>= 0); returns -1 in the main process. No QApplication may exist yet.
typedef int (*cef_execute_process_t)(const CefMainArgs* args, CefApp* app, void* sandbox_info);
// Initialises the engine in the main process (a QApplication must exist). Returns 1 on success.
// The executable sets Qt::AA_ShareOpenGLContexts before it creates its QApplication: without it a
// browser window made by the run-time-loaded engine crashes.
typedef int (*cef_initialize_t)(const CefMainArgs* args, const CefSettings* settings, CefApp* app,
                                void* sandbox_info);
// Delivers the queued notifications. Must not be entered twice at the same time.
typedef void (*cef_do_message_loop_work_t)();
// Closes every remaining browser (their clients get OnBeforeClose) and releases the engine. After
// all windows are gone, while the QApplication still exists.
typedef void (*cef_shutdown_t)();
// Creates a browser as a child of window_info.parent and loads url (may be empty). The client
// gets one reference for the browser's life.
typedef CefBrowser* (*cef_browser_host_create_browser_sync_t)(const CefWindowInfo* window_info,
                                                              CefClient* client, const QString* url,
                                                              const CefBrowserSettings* settings);
// Ends the browsing session of the whole process: pop-ups and developer tools close, downloads in
// progress are cancelled and their partial files removed, and every remaining browser goes on in
// a fresh session (no cookies, HTTP cache, local or session storage, IndexedDB, service workers,
// visited links or back/forward history) on an empty page. Returns 1 on success. Not from inside
// a handler call (the page that called it may be the one that goes).
typedef int (*cef_reset_session_t)();
// After cef_initialize: changes ignore_certificate_errors for every certificate error from now on
// (public terminal mode turns it off once the configuration has named the allowed hosts).
typedef void (*cef_set_ignore_certificate_errors_t)(int ignore);
}

}  // namespace engine_interface
}  // namespace corvane

#define CEF_ENGINE_EXPORTS(X)               \
    X(corvane_engine_interface_version)     \
    X(cef_execute_process)                  \
    X(cef_initialize)                       \
    X(cef_do_message_loop_work)             \
    X(cef_shutdown)                         \
    X(cef_browser_host_create_browser_sync) \
    X(cef_reset_session)                    \
    X(cef_set_ignore_certificate_errors)
