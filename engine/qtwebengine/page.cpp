#include "page.h"

#include <QWebEngineCertificateError>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>

#include "browser.h"
#include "client_call.h"
#include "engine_context.h"
#include "frame.h"

namespace corvane::engine {
namespace {

// The request of one navigation, for the length of OnBeforeBrowse.
class NavigationRequest final : public CefRequest {
  public:
    explicit NavigationRequest(QString url) : url_(std::move(url)) {}
    QString GetURL() const override { return url_; }

  private:
    QString url_;
};

CefRequestHandler* RequestHandlerOf(Browser* browser) {
    CefClient* client = browser ? browser->client() : nullptr;
    return client ? client->GetRequestHandler() : nullptr;
}

}  // namespace

BrowserPage::BrowserPage(QWebEngineProfile* profile, Browser& browser, QObject* parent)
    : QWebEnginePage(profile, parent), browser_(&browser) {
    connect(this, &QWebEnginePage::certificateError, this, &BrowserPage::OnCertificateError);
    connect(this, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (browser_) browser_->PageLoadingChanged(info);
    });
    connect(this, &QWebEnginePage::titleChanged, this, [this](const QString& title) {
        if (browser_) browser_->PageTitleChanged(title);
    });
    connect(this, &QWebEnginePage::renderProcessTerminated, this,
            [this](RenderProcessTerminationStatus status, int exit_code) {
                if (browser_) browser_->PageRenderProcessTerminated(status, exit_code);
            });
    connect(this, &QWebEnginePage::windowCloseRequested, this, [this] {
        if (browser_) browser_->PageWindowCloseRequested();
    });
    connect(this, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) {
                if (browser_) browser_->PageNewWindowRequested(request);
            });
    connect(this, &QWebEnginePage::printRequested, this, [this] {
        if (browser_) browser_->PagePrintRequested();
    });
}

bool BrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                          bool is_main_frame) {
    CefRequestHandler* handler = RequestHandlerOf(browser_);
    if (!handler) return true;
    NavigationRequest request(url.toString(QUrl::FullyEncoded));
    SubFrame sub_frame;
    CefFrame* frame = is_main_frame ? browser_->GetMainFrame() : &sub_frame;
    Browser* browser = browser_;
    const bool cancel = CallClient("OnBeforeBrowse", false, [&] {
        return handler->OnBeforeBrowse(browser, frame, &request, type == NavigationTypeRedirect);
    });
    return !cancel;
}

void BrowserPage::OnCertificateError(const QWebEngineCertificateError& error) {
    // The error is a shared handle: a copy answers for the original.
    QWebEngineCertificateError answer = error;
    bool accept = false;
    if (answer.isOverridable()) {
        if (browser_ && browser_->context().settings().ignore_certificate_errors) {
            accept = true;
        } else if (CefRequestHandler* handler = RequestHandlerOf(browser_)) {
            Browser* browser = browser_;
            accept = CallClient("OnCertificateError", false, [&] {
                return handler->OnCertificateError(browser, answer.type(),
                                                   answer.url().toString(QUrl::FullyEncoded));
            });
        }
    }
    if (accept)
        answer.acceptCertificate();
    else
        answer.rejectCertificate();
}

}  // namespace corvane::engine
