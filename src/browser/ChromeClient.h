// The browser client of the main window: receives every engine event of the window's browser and
// of the pop-ups the page opens, and forwards each to the window's handler.
//
// Thread: UI thread only (the engine delivers every event there).
// Ownership: reference counted. The browser view holds one reference and the engine one per
// browser that uses the client; the client lives until the last is released, possibly after the
// window is gone. disconnect() (called when the window's browser is closed) makes every later
// event a no-op with the engine's default answer.
// Lifetime of registration: registered with the engine pump from construction to destruction, so
// the engine is pumped as long as any browser can still deliver events to it.
#pragma once

#include <QPointer>

#include "cef_engine.h"

namespace corvane::browser {

class TFrmChrome;

class ChromeClient : public CefClient,
                     public CefLifeSpanHandler,
                     public CefLoadHandler,
                     public CefDisplayHandler,
                     public CefRequestHandler,
                     public CefJSDialogHandler,
                     public CefDownloadHandler,
                     public CefContextMenuHandler,
                     public CefPrintHandler {
  public:
    explicit ChromeClient(TFrmChrome* window);

    // Events arriving afterwards reach no window.
    void disconnect();

    CefLifeSpanHandler* GetLifeSpanHandler() override { return this; }
    CefLoadHandler* GetLoadHandler() override { return this; }
    CefDisplayHandler* GetDisplayHandler() override { return this; }
    CefRequestHandler* GetRequestHandler() override { return this; }
    CefJSDialogHandler* GetJSDialogHandler() override { return this; }
    CefDownloadHandler* GetDownloadHandler() override { return this; }
    CefContextMenuHandler* GetContextMenuHandler() override { return this; }
    CefPrintHandler* GetPrintHandler() override { return this; }

    void OnBeforeClose(CefBrowser* browser) override;
    void OnLoadEnd(CefBrowser* browser, CefFrame* frame, int httpStatusCode) override;
    void OnLoadError(CefBrowser* browser, CefFrame* frame, int error_code,
                     const QString& error_text, const QString& failed_url) override;
    void OnTitleChange(CefBrowser* browser, const QString& title) override;
    bool OnBeforeBrowse(CefBrowser* browser, CefFrame* frame, CefRequest* request,
                        bool is_redirect) override;
    bool OnCertificateError(CefBrowser* browser, int cert_error,
                            const QString& request_url) override;
    void OnRenderProcessTerminated(CefBrowser* browser, cef_termination_status_t status,
                                   int exit_code) override;
    bool OnJSDialog(CefBrowser* browser, const QString& origin_url, const QString& accept_lang,
                    cef_jsdialog_type_t dialog_type, const QString& message_text,
                    const QString& default_prompt_text, CefJSDialogCallback* callback,
                    bool& suppress_message) override;
    void OnBeforeDownload(CefBrowser* browser, CefDownloadItem* item, const QString& suggested_name,
                          CefBeforeDownloadCallback* callback) override;
    void OnDownloadUpdated(CefBrowser* browser, CefDownloadItem* item,
                           CefDownloadItemCallback* callback) override;
    void OnBeforeContextMenu(CefBrowser* browser, CefFrame* frame) override;
    bool OnContextMenuCommand(CefBrowser* browser, CefFrame* frame, int command_id) override;
    bool OnPrintRequested(CefBrowser* browser) override;
    // OnBeforeUnloadDialog stays the engine's: the leave-page question is not a page dialog.

  protected:
    // Only through the last Release().
    ~ChromeClient() override;

  private:
    QPointer<TFrmChrome> window_;
};

}  // namespace corvane::browser
