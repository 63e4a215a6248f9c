#include "browser/ChromeClient.h"

#include <QCoreApplication>
#include <QThread>
#include <exception>

#include "browser/Uchrome.h"
#include "log/Diagnostic.h"
#include "shell/EngineBootstrap.h"

namespace corvane::browser {

namespace {

// Runs one forwarded handler. Nothing thrown by a handler may unwind into the engine: it is
// reported and the engine gets the default answer.
template <class Result, class Handler>
Result Forward(QPointer<TFrmChrome>& window, Result fallback, Handler&& handler) {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    if (!window) return fallback;
    try {
        const TFrmChrome::HandlerScope scope(*window);
        return handler(*window);
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + QString::fromUtf8(e.what()));
    }
    return fallback;
}

}  // namespace

ChromeClient::ChromeClient(TFrmChrome* window) : window_(window) {
    engine::RegisterBrowserClient();
}

ChromeClient::~ChromeClient() { engine::UnregisterBrowserClient(); }

void ChromeClient::disconnect() { window_.clear(); }

void ChromeClient::OnBeforeClose(CefBrowser* browser) {
    Forward(window_, 0, [&](TFrmChrome& w) {
        w.Chromium1BeforeClose(browser);
        return 0;
    });
}

void ChromeClient::OnLoadEnd(CefBrowser* browser, CefFrame* frame, int httpStatusCode) {
    Forward(window_, 0, [&](TFrmChrome& w) {
        w.Chromium1LoadEnd(browser, frame, httpStatusCode);
        return 0;
    });
}

void ChromeClient::OnLoadError(CefBrowser* browser, CefFrame* frame, int error_code,
                               const QString& error_text, const QString& failed_url) {
    Forward(window_, 0, [&](TFrmChrome& w) {
        w.Chromium1LoadError(browser, frame, error_code, error_text, failed_url);
        return 0;
    });
}

void ChromeClient::OnTitleChange(CefBrowser* browser, const QString& title) {
    Forward(window_, 0, [&](TFrmChrome& w) {
        w.Chromium1TitleChange(browser, title);
        return 0;
    });
}

bool ChromeClient::OnBeforeBrowse(CefBrowser* browser, CefFrame* frame, CefRequest* request,
                                  bool is_redirect) {
    return Forward(window_, false, [&](TFrmChrome& w) {
        return w.Chromium1BeforeBrowse(browser, frame, request, is_redirect);
    });
}

bool ChromeClient::OnCertificateError(CefBrowser* browser, int cert_error,
                                      const QString& request_url) {
    return Forward(window_, false, [&](TFrmChrome& w) {
        return w.Chromium1CertificateError(browser, cert_error, request_url);
    });
}

void ChromeClient::OnRenderProcessTerminated(CefBrowser* browser, cef_termination_status_t status,
                                             int exit_code) {
    Forward(window_, 0, [&](TFrmChrome& w) {
        w.Chromium1RenderProcessTerminated(browser, status, exit_code);
        return 0;
    });
}

bool ChromeClient::OnJSDialog(CefBrowser* browser, const QString& origin_url,
                              const QString& accept_lang, cef_jsdialog_type_t dialog_type,
                              const QString& message_text, const QString& default_prompt_text,
                              CefJSDialogCallback* callback, bool& suppress_message) {
    return Forward(window_, false, [&](TFrmChrome& w) {
        // Until the window is shown the page's dialogs keep the engine's own handling.
        if (!w.OwnsPageDialogs()) return false;
        // A page must not hold off the reset of its session with one dialog after another.
        if (w.SessionResetPending()) {
            suppress_message = true;
            return false;
        }
        return w.Chromium1Jsdialog(browser, origin_url, accept_lang, dialog_type, message_text,
                                   default_prompt_text, callback, suppress_message);
    });
}

void ChromeClient::OnBeforeDownload(CefBrowser* browser, CefDownloadItem* item,
                                    const QString& suggested_name,
                                    CefBeforeDownloadCallback* callback) {
    Forward(window_, 0, [&](TFrmChrome& w) {
        // Not continued: cancelled. The session it would belong to is about to end.
        if (w.SessionResetPending()) return 0;
        w.Chromium1BeforeDownload(browser, item, suggested_name, callback);
        return 0;
    });
}

void ChromeClient::OnDownloadUpdated(CefBrowser* browser, CefDownloadItem* item,
                                     CefDownloadItemCallback* callback) {
    Forward(window_, 0, [&](TFrmChrome& w) {
        w.Chromium1DownloadUpdated(browser, item, callback);
        return 0;
    });
}

void ChromeClient::OnBeforeContextMenu(CefBrowser* browser, CefFrame* frame) {
    Forward(window_, 0, [&](TFrmChrome& w) {
        w.Chromium1BeforeContextMenu(browser, frame);
        return 0;
    });
}

bool ChromeClient::OnContextMenuCommand(CefBrowser* browser, CefFrame* frame, int command_id) {
    return Forward(window_, false, [&](TFrmChrome& w) {
        return w.Chromium1ContextMenuCommand(browser, frame, command_id);
    });
}

bool ChromeClient::OnPrintRequested(CefBrowser* browser) {
    return Forward(window_, false, [&](TFrmChrome& w) {
        // Taken care of by doing nothing: the session it would print is about to end.
        if (w.SessionResetPending()) return true;
        return w.Chromium1PrintRequested(browser);
    });
}

}  // namespace corvane::browser
