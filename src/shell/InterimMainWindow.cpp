#include "shell/InterimMainWindow.h"

#include "config/Settings.h"
#include "shell/EngineBootstrap.h"

namespace corvane {

// Keeps the engine pumped while its browser lives and follows the page title.
class InterimMainWindow::Client : public CefClient,
                                  public CefLifeSpanHandler,
                                  public CefDisplayHandler {
  public:
    explicit Client(InterimMainWindow* window) : window_(window) {
        engine::RegisterBrowserClient();
    }
    ~Client() override { engine::UnregisterBrowserClient(); }
    void Disconnect() { window_ = nullptr; }

    CefLifeSpanHandler* GetLifeSpanHandler() override { return this; }
    CefDisplayHandler* GetDisplayHandler() override { return this; }
    void OnTitleChange(CefBrowser* browser, const QString& title) override {
        if (window_ && browser == window_->browser_) window_->setWindowTitle(title);
    }
    void OnBeforeClose(CefBrowser* browser) override {
        if (window_ && browser == window_->browser_) window_->browser_ = nullptr;
    }

  private:
    InterimMainWindow* window_;
};

InterimMainWindow::InterimMainWindow() : client_(new Client(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setCentralWidget(new QWidget(this));
    setWindowState(Qt::WindowMaximized);
}

InterimMainWindow::~InterimMainWindow() {
    client_->Disconnect();
    if (browser_) {
        browser_->StopLoad();
        browser_->GetHost()->CloseBrowser(false);
    }
}

void InterimMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    const auto create = engine::Api().cef_browser_host_create_browser_sync;
    if (browser_ || !create) return;
    CefWindowInfo info;
    info.parent = centralWidget();
    info.rect = centralWidget()->rect();
    const QString url = config::Settings().TaxUrl;
    const CefBrowserSettings settings;
    browser_ = create(&info, client_.get(), &url, &settings);
}

void InterimMainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (browser_)
        if (QWidget* w = browser_->GetHost()->GetWindowHandle())
            w->setGeometry(centralWidget()->rect());
}

}  // namespace corvane
