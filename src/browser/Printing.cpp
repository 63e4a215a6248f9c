// Printing: the "printwebview" command and the page's own window.print() take one path.
#include "browser/Uchrome.h"
#include "log/Diagnostic.h"

namespace corvane::browser {

bool TFrmChrome::PrintBrowser(CefBrowser& browser) {
    if (browser.GetHost()->Print()) return true;
    ReportDiagnostic(QStringLiteral("error^Print request refused: a print dialog is already open"));
    return false;
}

bool TFrmChrome::PrintPage() { return PrintBrowser(OwnBrowser()); }

bool TFrmChrome::Chromium1PrintRequested(CefBrowser* browser) {
    if (browser) PrintBrowser(*browser);
    return true;
}

}  // namespace corvane::browser
