// The effects of the page commands on the main window: closing it, the login report, printing its
// page.
//
// UI thread only; owned by the main window.
#pragma once

#include "browser/PageCommand.h"
#include "browser/WindowInterface.h"

namespace corvane::browser {

class PageCommandEffects final : public PageCommandActions {
  public:
    explicit PageCommandEffects(WindowInterface& window) : window_(window) {}

    void CloseByPage() override;
    void ReportLogin(const QString& nsrsbh) override;
    // Throws when the window has no browser.
    bool PrintPage() override;

  private:
    WindowInterface& window_;
};

}  // namespace corvane::browser
