#include "probe_client.h"

#include <stdexcept>

#include "probe_output.h"

ProbeClient::ProbeClient(QString prefix, ProbeAnswers& answers)
    : prefix_(std::move(prefix)), answers_(answers) {}

ProbeClient::~ProbeClient() { Emit(prefix_ + QStringLiteral("client-released")); }

void ProbeClient::Say(const QString& event, CefBrowser* browser, const QString& rest) {
    Emit(QStringLiteral("%1%2 %3 %4")
             .arg(prefix_, event, QString::number(browser->GetIdentifier()), OneLine(rest)));
}

void ProbeClient::OnAfterCreated(CefBrowser* browser) {
    Adopt(browser);
    Say(QStringLiteral("after-created"), browser,
        QStringLiteral("popup=%1").arg(browser->IsPopup() ? 1 : 0));
}

void ProbeClient::OnBeforeClose(CefBrowser* browser) {
    browsers_.remove(browser->GetIdentifier());
    Say(QStringLiteral("before-close"), browser,
        QStringLiteral("has-document=%1").arg(browser->HasDocument() ? 1 : 0));
}

void ProbeClient::OnLoadEnd(CefBrowser* browser, CefFrame* frame, int status) {
    Say(QStringLiteral("load-end"), browser,
        QStringLiteral("%1 main=%2 %3")
            .arg(status)
            .arg(frame->IsMain() ? 1 : 0)
            .arg(frame->GetURL()));
}

void ProbeClient::OnTitleChange(CefBrowser* browser, const QString& title) {
    Say(QStringLiteral("title"), browser, title);
    if (answers_.throw_in_handlers) throw std::runtime_error("title handler failed");
}

bool ProbeClient::OnBeforeBrowse(CefBrowser* browser, CefFrame* frame, CefRequest* request,
                                 bool is_redirect) {
    const QString url = request->GetURL();
    const bool cancel = !answers_.cancel_navigation_containing.isEmpty() &&
                        url.contains(answers_.cancel_navigation_containing);
    Say(QStringLiteral("before-browse"), browser,
        QStringLiteral("main=%1 redirect=%2 cancel=%3 %4")
            .arg(frame->IsMain() ? 1 : 0)
            .arg(is_redirect ? 1 : 0)
            .arg(cancel ? 1 : 0)
            .arg(url));
    if (answers_.throw_in_handlers) throw std::runtime_error("before-browse handler failed");
    return cancel;
}

bool ProbeClient::OnCertificateError(CefBrowser* browser, int cert_error, const QString& url) {
    Say(QStringLiteral("cert-error"), browser,
        QStringLiteral("%1 accept=%2 %3")
            .arg(cert_error)
            .arg(answers_.accept_certificates ? 1 : 0)
            .arg(url));
    return answers_.accept_certificates;
}

void ProbeClient::OnRenderProcessTerminated(CefBrowser* browser, cef_termination_status_t status,
                                            int exit_code) {
    Say(QStringLiteral("render-terminated"), browser,
        QStringLiteral("status=%1 code=%2").arg(status).arg(exit_code));
}

bool ProbeClient::OnJSDialog(CefBrowser* browser, const QString& origin_url,
                             const QString& /*accept_lang*/, cef_jsdialog_type_t type,
                             const QString& message, const QString& default_prompt,
                             CefJSDialogCallback* callback, bool& suppress_message) {
    static const char* const kTypes[] = {"alert", "confirm", "prompt"};
    Say(QStringLiteral("js-dialog"), browser,
        QStringLiteral("%1 mode=%2 origin=%3 message=%4 default=%5")
            .arg(QLatin1String(kTypes[type]), answers_.dialog_mode, origin_url, message,
                 default_prompt));
    if (answers_.dialog_mode == u"handle") {
        callback->Continue(answers_.dialog_success, answers_.dialog_input);
        return true;
    }
    suppress_message = answers_.dialog_mode == u"suppress";
    return false;
}

void ProbeClient::OnBeforeDownload(CefBrowser* browser, CefDownloadItem* item, const QString& name,
                                   CefBeforeDownloadCallback* callback) {
    Say(QStringLiteral("before-download"), browser,
        QStringLiteral("total=%1 name=%2").arg(item->GetTotalBytes()).arg(name));
    // As the shell does: the folder, then the name exactly as the engine gave it.
    if (!answers_.download_folder.isEmpty())
        callback->Continue(answers_.download_folder + u'/' + name, answers_.download_dialog);
}

void ProbeClient::OnDownloadUpdated(CefBrowser* browser, CefDownloadItem* item,
                                    CefDownloadItemCallback* callback) {
    const QString state = item->IsComplete()     ? QStringLiteral("complete")
                          : item->IsCanceled()   ? QStringLiteral("canceled")
                          : item->IsInProgress() ? QStringLiteral("in-progress")
                                                 : QStringLiteral("other");
    Say(QStringLiteral("download"), browser,
        QStringLiteral("state=%1 received=%2 total=%3 speed=%4 percent=%5 start=%6 path=%7")
            .arg(state)
            .arg(item->GetReceivedBytes())
            .arg(item->GetTotalBytes())
            .arg(item->GetCurrentSpeed())
            .arg(item->GetPercentComplete())
            .arg(item->GetStartTime().toString(Qt::ISODate), item->GetFullPath()));
    if (answers_.cancel_downloads && item->IsInProgress() && item->GetReceivedBytes() > 0) {
        answers_.cancel_downloads = false;
        Emit(QStringLiteral("cancelling-download"));
        callback->Cancel();
    }
}

void ProbeClient::OnBeforeContextMenu(CefBrowser* browser, CefFrame* frame) {
    Say(QStringLiteral("before-context-menu"), browser,
        QStringLiteral("main=%1").arg(frame->IsMain() ? 1 : 0));
}

bool ProbeClient::OnContextMenuCommand(CefBrowser* browser, CefFrame* /*frame*/, int command_id) {
    Say(QStringLiteral("context-menu-command"), browser,
        QStringLiteral("%1 handled=%2").arg(command_id).arg(answers_.handle_menu_commands ? 1 : 0));
    return answers_.handle_menu_commands;
}
