// The engine's developer tools docked under the page: shown in the window's developer tools
// panel with the splitter handle above it, at the panel's own height the first time and at the
// height the user gave it afterwards.
//
// UI thread only; owned by the main window, whose widgets it is given.
#pragma once

#include <QPoint>
#include <QSplitter>

#include "browser/DevToolsPanel.h"
#include "browser/WindowInterface.h"
#include "cef_engine.h"

namespace corvane::browser {

class DevToolsDock {
  public:
    // split holds the page above panel; its handle above the panel is shown with the panel.
    DevToolsDock(WindowInterface& window, QSplitter& split, DevToolsPanel& panel);

    // Shows the tools when hidden, closes them when shown. The state follows the presses, also
    // when there is no browser to show tools for.
    void Toggle();
    bool Shown() const { return shown_; }
    // Closes the tools of the own browser, if shown; the panel stays as it is.
    void CloseIfShown();

    // The panel's operations; nothing happens without a browser.
    void ShowDevTools(CefBrowser* browser, const QPoint* inspect_element_at);
    void CloseDevTools(CefBrowser* browser);

  private:
    QWidget& Handle() const { return *split_.handle(1); }

    WindowInterface& window_;
    QSplitter& split_;
    DevToolsPanel& panel_;
    bool shown_ = false;
    bool sized_ = false;
};

}  // namespace corvane::browser
