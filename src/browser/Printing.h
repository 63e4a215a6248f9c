// Printing: the "printwebview" command and the page's own window.print() take one path, the
// engine's print dialog for the browser's page.
//
// UI thread only.
#pragma once

#include "cef_engine.h"

namespace corvane::browser {

// False, with an "error^" line, when the engine refused because a print dialog is already open.
bool PrintBrowser(CefBrowser& browser);

}  // namespace corvane::browser
