#include "browser/ChromiumView.h"

#include <QPointer>
#include <QTimer>

#include "log/Diagnostic.h"
#include "shell/EngineBootstrap.h"

namespace corvane::browser {

ChromiumView::ChromiumView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    // The engine's window covers the whole view; painting a background under it only flickers.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

ChromiumView::~ChromiumView() { CloseBrowser(); }

void ChromiumView::CreateBrowser(ChromeClient* client) {
    client_ = client;
    try {
        const auto create = engine::Api().cef_browser_host_create_browser_sync;
        if (!create) throw std::runtime_error("The browser engine is not started");
        CefWindowInfo info;
        info.parent = this;
        info.rect = rect();
        const QString noAddress;
        const CefBrowserSettings settings;
        browser_ = create(&info, client, &noAddress, &settings);
        if (!browser_) throw std::runtime_error("The browser engine created no browser");
        browserId_ = browser_->GetIdentifier();
        browser_->GetMainFrame()->LoadURL(defaultUrl_);
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + QString::fromUtf8(e.what()));
    }
}

void ChromiumView::BrowserClosed(CefBrowser* browser) {
    if (browser && browser == browser_) browser_ = nullptr;
}

void ChromiumView::CloseBrowser() {
    if (CefBrowser* browser = std::exchange(browser_, nullptr)) {
        browser->StopLoad();
        browser->GetHost()->CloseBrowser(false);
    }
    if (client_) {
        client_->disconnect();
        client_ = CefRefPtr<ChromeClient>();
    }
}

QWidget* ChromiumView::EngineWindow() const {
    return browser_ ? browser_->GetHost()->GetWindowHandle() : nullptr;
}

void ChromiumView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (QWidget* w = EngineWindow()) w->setGeometry(rect());
}

void ChromiumView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    // Posted, as the focus change that brought us here is still being delivered.
    if (QWidget* w = EngineWindow()) {
        QTimer::singleShot(0, w, [w] { w->setFocus(Qt::OtherFocusReason); });
    }
}

bool ChromiumView::focusNextPrevChild(bool next) {
    // Tab inside the page moves within the page, not between the window's controls.
    return browser_ ? false : QWidget::focusNextPrevChild(next);
}

void CloseEmptyPopup(CefBrowser* browser) {
    if (browser && browser->IsPopup() && !browser->HasDocument()) {
        browser->GetHost()->CloseBrowser(true);
    }
}

}  // namespace corvane::browser
