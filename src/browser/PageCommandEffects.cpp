#include "browser/PageCommandEffects.h"

#include "browser/Printing.h"
#include "net/VersionReport.h"

namespace corvane::browser {

void PageCommandEffects::CloseByPage() {
    // Posted: the navigation that carried the command finishes its event first.
    window_.PostClose();
}

void PageCommandEffects::ReportLogin(const QString& nsrsbh) {
    net::SendVersionReport(settings_, nsrsbh);
}

bool PageCommandEffects::PrintPage() { return PrintBrowser(window_.OwnBrowser()); }

}  // namespace corvane::browser
