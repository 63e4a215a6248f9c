// The probe's browser client: prints every event and answers the engine's questions as the
// commands told it (ProbeAnswers). UI thread only.
#pragma once

#include <QMap>
#include <QString>

#include "cef_engine.h"

// The probe is a program of its own around the engine: it names the interface as it stands.
using namespace corvane::engine_interface;

// How the probe answers questions; changed by commands while it runs.
struct ProbeAnswers {
    QString dialog_mode = QStringLiteral("handle");  // handle | suppress | default
    bool dialog_success = true;
    QString dialog_input;
    QString cancel_navigation_containing;  // empty: every navigation goes on
    bool accept_certificates = false;
    QString download_folder;  // empty: no Continue (the engine cancels)
    bool download_dialog = false;
    bool handle_menu_commands = false;
    bool cancel_downloads = false;   // through the callback of the next progress report
    bool throw_in_handlers = false;  // OnBeforeBrowse and OnTitleChange throw
};

class ProbeClient final : public CefClient,
                          public CefLifeSpanHandler,
                          public CefLoadHandler,
                          public CefDisplayHandler,
                          public CefRequestHandler,
                          public CefJSDialogHandler,
                          public CefDownloadHandler,
                          public CefContextMenuHandler {
  public:
    // prefix goes before every event name ("" for the page browsers, "devtools-" for the tools).
    ProbeClient(QString prefix, ProbeAnswers& answers);
    ~ProbeClient() override;

    // The browsers this client has, by identifier (from creation to OnBeforeClose).
    CefBrowser* Find(int id) const { return browsers_.value(id); }
    void Adopt(CefBrowser* browser) { browsers_.insert(browser->GetIdentifier(), browser); }

    CefLifeSpanHandler* GetLifeSpanHandler() override { return this; }
    CefLoadHandler* GetLoadHandler() override { return this; }
    CefDisplayHandler* GetDisplayHandler() override { return this; }
    CefRequestHandler* GetRequestHandler() override { return this; }
    CefJSDialogHandler* GetJSDialogHandler() override { return this; }
    CefDownloadHandler* GetDownloadHandler() override { return this; }
    CefContextMenuHandler* GetContextMenuHandler() override { return this; }

    void OnAfterCreated(CefBrowser* browser) override;
    void OnBeforeClose(CefBrowser* browser) override;
    void OnLoadEnd(CefBrowser* browser, CefFrame* frame, int status) override;
    void OnTitleChange(CefBrowser* browser, const QString& title) override;
    bool OnBeforeBrowse(CefBrowser* browser, CefFrame* frame, CefRequest* request,
                        bool is_redirect) override;
    bool OnCertificateError(CefBrowser* browser, int cert_error, const QString& url) override;
    void OnRenderProcessTerminated(CefBrowser* browser, cef_termination_status_t status,
                                   int exit_code) override;
    bool OnJSDialog(CefBrowser* browser, const QString& origin_url, const QString& accept_lang,
                    cef_jsdialog_type_t type, const QString& message, const QString& default_prompt,
                    CefJSDialogCallback* callback, bool& suppress_message) override;
    void OnBeforeDownload(CefBrowser* browser, CefDownloadItem* item, const QString& name,
                          CefBeforeDownloadCallback* callback) override;
    void OnDownloadUpdated(CefBrowser* browser, CefDownloadItem* item,
                           CefDownloadItemCallback* callback) override;
    void OnBeforeContextMenu(CefBrowser* browser, CefFrame* frame) override;
    bool OnContextMenuCommand(CefBrowser* browser, CefFrame* frame, int command_id) override;

  private:
    void Say(const QString& event, CefBrowser* browser, const QString& rest);

    const QString prefix_;
    ProbeAnswers& answers_;
    QMap<int, CefBrowser*> browsers_;
};
