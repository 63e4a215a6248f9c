#include "browser.h"

#include <QColor>
#include <QPrinter>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>

#include "browser_view.h"
#include "engine_context.h"
#include "page.h"
#include "pdf_print.h"

namespace corvane::engine {
namespace {

constexpr QSize kDefaultPopupSize(800, 600);

// The HTTP status of a finished main-frame load: Qt WebEngine names the response's status code
// (success or not) in the HTTP status domain; a load without an HTTP response (about:blank, a
// network failure) has none (0).
int HttpStatusOf(const QWebEngineLoadingInfo& info) {
    return info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain ? info.errorCode() : 0;
}

// A load that got no answer: a failure outside the HTTP status domain (there the answer came,
// and OnLoadEnd carries its status). A navigation replaced or cancelled stops or fails with
// Chromium's ERR_ABORTED, which is no error of the page.
bool IsLoadError(const QWebEngineLoadingInfo& info) {
    constexpr int kErrAborted = -3;
    return info.status() == QWebEngineLoadingInfo::LoadFailedStatus &&
           info.errorDomain() != QWebEngineLoadingInfo::HttpStatusCodeDomain &&
           info.errorDomain() != QWebEngineLoadingInfo::NoErrorDomain &&
           info.errorCode() != kErrAborted;
}

cef_termination_status_t TerminationStatusOf(int qt_status) {
    switch (qt_status) {
        case QWebEnginePage::CrashedTerminationStatus:
            return TS_PROCESS_CRASHED;
        case QWebEnginePage::KilledTerminationStatus:
            return TS_PROCESS_WAS_KILLED;
        default:
            return TS_ABNORMAL_TERMINATION;
    }
}

}  // namespace

Browser::Browser(EngineContext& context, int id, BrowserKind kind, CefClient* client,
                 QWidget* parent, const QRect& rect, const QString& window_name)
    : context_(context), id_(id), kind_(kind), client_(client) {
    view_ = new BrowserView(*this, parent);
    page_ = new BrowserPage(context.profile(), *this, view_);
    view_->setPage(page_);
    main_frame_.Attach(page_);
    const uint32_t background = context.settings().background_color;
    if (background != 0) page_->setBackgroundColor(QColor::fromRgba(background));
    view_->setObjectName(window_name);
    if (!window_name.isEmpty()) view_->setWindowTitle(window_name);
    if (rect.isValid())
        view_->setGeometry(rect);
    else if (!parent)
        view_->resize(kDefaultPopupSize);
    // A parent that destroys our window closes the browser, as a forced close would.
    connect(view_, &QObject::destroyed, this, [this] { Finish(); });
    view_->show();
}

Browser::~Browser() {
    // Deleted only after retirement; a window still around goes with it.
    if (view_) delete view_.data();
}

void Browser::StopLoad() {
    if (page_) page_->triggerAction(QWebEnginePage::Stop);
}

QWidget* Browser::GetWindowHandle() const { return view_; }

void Browser::Notify(NotificationQueue::Delivery delivery) {
    if (finished_) return;  // OnBeforeClose is the last notification
    context_.Post(id_, std::move(delivery));
}

void Browser::CloseBrowser(bool force_close) {
    if (finished_) return;
    if (force_close || !page_) {
        Finish();
        return;
    }
    // Chromium runs the page's beforeunload handlers and answers with windowCloseRequested when the
    // page lets itself be closed.
    close_requested_ = true;
    page_->triggerAction(QWebEnginePage::RequestClose);
}

void Browser::PageWindowCloseRequested() {
    if (kind_ == BrowserKind::kDevTools && inspected_) {
        inspected_->CloseDevTools();  // the tools' own close button
        return;
    }
    // A page may close a window it opened itself; the shell's own browser closes only when the
    // shell asked for it.
    if (kind_ == BrowserKind::kPopup || close_requested_ || kind_ == BrowserKind::kDevTools)
        Finish();
}

void Browser::Finish() {
    if (finished_) return;
    if (devtools_) CloseDevTools();
    if (inspected_ && inspected_->devtools_ == this) {
        // The tools went first (their window destroyed with its parent): the inspected page
        // lets go of them.
        inspected_->devtools_ = nullptr;
        if (inspected_->page_) inspected_->page_->setDevToolsPage(nullptr);
    }
    main_frame_.Attach(nullptr);  // a closed browser loads and runs nothing more
    if (page_) {
        page_->Detach();
        page_->triggerAction(QWebEnginePage::Stop);
    }
    if (view_) {
        view_->hide();
        view_->disconnect(this);
        context_.DisposeLater(view_);  // the page goes with its view
    }
    Notify([](Browser& browser) { browser.DeliverBeforeClose(); });
    finished_ = true;
}

void Browser::DeliverBeforeClose() {
    if (client_) {
        if (CefLifeSpanHandler* handler = client_->GetLifeSpanHandler())
            handler->OnBeforeClose(this);
    }
    context_.Retire(id_);
}

void Browser::PageLoadingChanged(const QWebEngineLoadingInfo& info) {
    const auto status = info.status();
    if (status != QWebEngineLoadingInfo::LoadSucceededStatus &&
        status != QWebEngineLoadingInfo::LoadFailedStatus)
        return;
    if (status == QWebEngineLoadingInfo::LoadSucceededStatus) has_document_ = true;
    const int http_status = HttpStatusOf(info);
    if (IsLoadError(info)) {
        const int code = info.errorCode();
        const QString text = info.errorString();
        const QString url = info.url().toString(QUrl::FullyEncoded);
        Notify([code, text, url](Browser& browser) {
            if (CefClient* client = browser.client()) {
                if (CefLoadHandler* handler = client->GetLoadHandler())
                    handler->OnLoadError(&browser, browser.GetMainFrame(), code, text, url);
            }
        });
    }
    Notify([http_status](Browser& browser) {
        if (CefClient* client = browser.client()) {
            if (CefLoadHandler* handler = client->GetLoadHandler())
                handler->OnLoadEnd(&browser, browser.GetMainFrame(), http_status);
        }
    });
}

void Browser::PageTitleChanged(const QString& title) {
    if (kind_ == BrowserKind::kPopup && view_) view_->setWindowTitle(title);
    Notify([title](Browser& browser) {
        if (CefClient* client = browser.client()) {
            if (CefDisplayHandler* handler = client->GetDisplayHandler())
                handler->OnTitleChange(&browser, title);
        }
    });
}

void Browser::PageRenderProcessTerminated(int qt_status, int exit_code) {
    if (qt_status == QWebEnginePage::NormalTerminationStatus) return;
    const cef_termination_status_t status = TerminationStatusOf(qt_status);
    Notify([status, exit_code](Browser& browser) {
        if (CefClient* client = browser.client()) {
            if (CefRequestHandler* handler = client->GetRequestHandler())
                handler->OnRenderProcessTerminated(&browser, status, exit_code);
        }
    });
}

void Browser::PageNewWindowRequested(QWebEngineNewWindowRequest& request) {
    if (finished_) return;
    // Every kind of new window (tab, window, dialog) becomes a pop-up window sharing our client.
    const QRect geometry = request.requestedGeometry();
    Browser* popup = context_.CreateBrowser(
        BrowserKind::kPopup, nullptr,
        geometry.isValid() && !geometry.isEmpty() ? geometry : QRect(), client_.get(), QString());
    request.openIn(popup->page());
}

}  // namespace corvane::engine
