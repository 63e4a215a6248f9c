// The browser view: the child widget of the main window that hosts the engine's browser window.
//
// Thread: UI thread only.
// Ownership: the view holds one reference to its browser client from CreateBrowser until
// CloseBrowser. The browser itself belongs to the engine; the view forgets it when the engine
// reports it closed (BrowserClosed) or when the view closes it.
#pragma once

#include <QString>
#include <QWidget>

#include "browser/ChromeClient.h"
#include "cef_engine.h"

namespace corvane::browser {

class ChromiumView : public QWidget {
    Q_OBJECT
  public:
    explicit ChromiumView(QWidget* parent);
    ~ChromiumView() override;

    // The address loaded right after the browser has been created.
    QString DefaultUrl() const { return defaultUrl_; }
    void SetDefaultUrl(const QString& url) { defaultUrl_ = url; }

    // Creates the engine browser synchronously as a child covering the view (empty initial
    // address), remembers its identifier, then loads DefaultUrl. Failures are reported and leave
    // the view without a browser.
    void CreateBrowser(ChromeClient* client);

    // The view's own browser; null before creation and after it closed.
    CefBrowser* Browser() const { return browser_; }
    // Identifier of the browser this view created; -1 before.
    int BrowserId() const { return browserId_; }

    // The engine reports a browser's last event; the view forgets its own.
    void BrowserClosed(CefBrowser* browser);

    // Stops loading, asks the engine to close the browser without forcing and disconnects the
    // client, so that later events reach no window. Does nothing the second time.
    void CloseBrowser();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    QWidget* EngineWindow() const;

    QString defaultUrl_;
    CefBrowser* browser_ = nullptr;
    int browserId_ = -1;
    CefRefPtr<ChromeClient> client_;
};

// Closes browser when it is a pop-up without a document: one the page opened only for a download
// or for a refused address has nothing left to show.
void CloseEmptyPopup(CefBrowser* browser);

}  // namespace corvane::browser
