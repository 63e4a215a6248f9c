// What the main window's concerns (downloads, page dialogs, developer tools, render-crash
// recovery, page command effects) may use of the window: its status text, its message boxes, its
// own browser and its closing. Nothing else of the window is theirs to touch.
//
// UI thread only. The window implements it and outlives every concern it hands it to.
#pragma once

#include <QString>
#include <stdexcept>

#include "cef_engine.h"

class QWidget;

namespace corvane::browser {

class WindowInterface {
  public:
    // The owner of the concern's message boxes.
    virtual QWidget* BoxOwner() = 0;
    virtual void SetStatusText(const QString& text) = 0;
    // The window's own browser, or null before it exists and after it closed.
    virtual CefBrowser* OwnBrowserOrNull() const = 0;
    // The same, or throws std::runtime_error when there is none.
    CefBrowser& OwnBrowser() const;
    // True when browser is the window's own browser and frame is none or its main frame.
    virtual bool IsOwnMainFrame(CefBrowser* browser, CefFrame* frame) const = 0;
    // The address the window loads its own browser with: the portal once shown, else the view's
    // built-in page.
    virtual QString StartAddress() const = 0;
    // Closes the window through its normal closing path, after the current event.
    virtual void PostClose() = 0;
    // Closes the window when its own browser shows about:blank.
    virtual void CloseIfBlank() = 0;

  protected:
    ~WindowInterface() = default;
};

inline CefBrowser& WindowInterface::OwnBrowser() const {
    CefBrowser* browser = OwnBrowserOrNull();
    if (!browser) throw std::runtime_error("The browser window has no browser");
    return *browser;
}

}  // namespace corvane::browser
