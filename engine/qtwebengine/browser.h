// One browser of the engine: a QWebEngineView with its page, the CefBrowser and CefBrowserHost the
// shell sees, and the client whose handlers get its events. UI thread only.
//
// Owned by the EngineContext, from creation until its client's OnBeforeClose has been delivered;
// then retired and deleted later. The view is a child of the parent given at creation (a top-level
// window for a pop-up); the page is a child of the view. If the parent destroys the view first,
// the browser closes as if forced.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <memory>

#include "browser_view.h"
#include "cef_engine.h"
#include "frame.h"
#include "notification_queue.h"
#include "page.h"

class QPrinter;
class QWebEngineLoadingInfo;
class QWebEngineDownloadRequest;
class QWebEngineNewWindowRequest;
class QWebEngineProfile;
class QWidget;

namespace corvane::engine {

class EngineContext;
class PdfFetch;

enum class BrowserKind {
    kShell,     // created by the shell (cef_browser_host_create_browser_sync)
    kPopup,     // opened by a page, in a top-level window of its own
    kDevTools,  // the developer tools of another browser
};

class Browser final : public QObject, public CefBrowser, public CefBrowserHost {
    Q_OBJECT
  public:
    Browser(EngineContext& context, int id, BrowserKind kind, CefClient* client, QWidget* parent,
            const QRect& rect, const QString& window_name);
    ~Browser() override;

    // CefBrowser
    int GetIdentifier() const override { return id_; }
    CefFrame* GetMainFrame() override { return &main_frame_; }
    bool IsPopup() const override { return kind_ == BrowserKind::kPopup; }
    bool HasDocument() const override { return has_document_; }
    CefBrowserHost* GetHost() override { return this; }
    void StopLoad() override;

    // CefBrowserHost
    void CloseBrowser(bool force_close) override;
    bool Print() override;
    void ShowDevTools(const CefWindowInfo& window_info, CefClient* client,
                      const CefBrowserSettings& settings,
                      const QPoint* inspect_element_at) override;
    void CloseDevTools() override;
    QWidget* GetWindowHandle() const override;

    BrowserKind kind() const { return kind_; }
    // Null for a browser opened without a client.
    CefClient* client() const { return client_.get(); }
    BrowserPage* page() const { return page_; }
    EngineContext& context() const { return context_; }

    // Goes on with a new, empty page in profile: the document, history and scripts of the old
    // page end (session_reset.cpp).
    void StartNewSession(QWebEngineProfile& profile);

    // Queues a notification for this browser; nothing is queued after its OnBeforeClose.
    void Notify(NotificationQueue::Delivery delivery);

    // Events of the page (thin: translated here, queued for the client).
    void PageLoadingChanged(const QWebEngineLoadingInfo& info);
    void PageTitleChanged(const QString& title);
    void PageRenderProcessTerminated(int qt_status, int exit_code);
    void PageWindowCloseRequested();
    void PageNewWindowRequested(QWebEngineNewWindowRequest& request);
    // window.print() or the context menu's print entry: the client's print handler, or Print().
    void PagePrintRequested();
    // Takes the download that fetches the shown PDF for printing, if it is that one.
    bool TakePdfFetch(QWebEngineDownloadRequest& request);

  private:
    // Closes for good: window and page go, OnBeforeClose is queued as the last notification.
    void Finish();
    void DeliverBeforeClose();
    void FetchShownPdf();
    // The print dialog, then the page or, when pdf_file is given, that PDF document.
    void PrintWithDialog(const QString& pdf_file);
    void PrintDone();

    EngineContext& context_;
    const int id_;
    const BrowserKind kind_;
    CefRefPtr<CefClient> client_;
    QPointer<BrowserView> view_;
    QPointer<BrowserPage> page_;
    MainFrame main_frame_;
    QPointer<Browser> devtools_;           // the browser showing this one's developer tools
    QPointer<Browser> inspected_;          // for developer tools: the browser they inspect
    std::unique_ptr<QPrinter> printer_;    // lives until the page has been printed
    std::unique_ptr<PdfFetch> pdf_fetch_;  // the shown PDF fetched again for printing
    bool printing_ = false;                // from a print request until it is done
    bool has_document_ = false;
    bool close_requested_ = false;
    bool finished_ = false;
};

}  // namespace corvane::engine
