#include "browser/Printing.h"

#include "log/Diagnostic.h"

namespace corvane::browser {

bool PrintBrowser(CefBrowser& browser) {
    if (browser.GetHost()->Print()) return true;
    ReportDiagnostic(QStringLiteral("error^Print request refused: a print dialog is already open"));
    return false;
}

}  // namespace corvane::browser
