// The page command channel: pages command the shell by navigating to an address that contains
// "/interact_" followed by a URL-encoded JSON object {"type": ..., "data": ...}.
//
// UI thread only (it runs inside the browser window's before-browse event).
#pragma once

#include <QString>

namespace corvane::browser {

// The side effects of the commands, carried out by the browser window. Kept behind this interface
// so the command decoding can be driven with recording fakes.
class PageCommandActions {
  public:
    // "exit": close the window through its normal closing path, after the current event.
    virtual void CloseByPage() = 0;
    // "login" with data: the version and login report, returning when it has finished.
    virtual void ReportLogin(const QString& nsrsbh) = 0;
    // "printwebview": print the window's own page through the engine's print dialog. False when
    // the print was refused (a print dialog is already open).
    virtual bool PrintPage() = 0;

  protected:
    ~PageCommandActions() = default;
};

// Finds the marker (letters A-Z compared without case), decodes the payload, runs the command and
// returns its result text (empty when the address is no command or the command yields none).
// Never throws: failures are reported as "error^..." diagnostics and the result as it stood at the
// failure is returned.
QString HandlePageCommand(const QString& address, PageCommandActions& actions);

}  // namespace corvane::browser
