// The effects of the page commands on the main window: closing it, the login report, printing its
// page.
//
// UI thread only; owned by the main window.
#pragma once

#include "browser/PageCommand.h"
#include "browser/WindowInterface.h"
#include "config/Settings.h"

namespace corvane::browser {

class PageCommandEffects final : public PageCommandActions {
  public:
    // settings (the report's server and the client's values) outlive the effects.
    PageCommandEffects(WindowInterface& window, const config::AppSettings& settings)
        : window_(window), settings_(settings) {}

    void CloseByPage() override;
    void ReportLogin(const QString& nsrsbh) override;
    // Throws when the window has no browser.
    bool PrintPage() override;

  private:
    WindowInterface& window_;
    const config::AppSettings& settings_;
};

}  // namespace corvane::browser
