// Printing a page: the system's print dialog, then the page on the printer chosen there.
#include <QPrintDialog>
#include <QPrinter>

#include "browser.h"
#include "browser_view.h"

namespace corvane::engine {
namespace {
constexpr int kPrintDpi = 300;
}  // namespace

void Browser::Print() {
    if (finished_ || !view_) return;
    if (printer_) {
        qWarning("Corvane engine: the page is still being printed");
        return;
    }
    // Qt WebEngine prints pages as images at the printer's resolution; 300 dpi keeps a page
    // sharp without the memory and time a 1200 dpi page costs.
    auto printer = std::make_unique<QPrinter>(QPrinter::PrinterResolution);
    printer->setResolution(kPrintDpi);
    QPrintDialog dialog(printer.get(), view_->window());
    if (dialog.exec() != QDialog::Accepted || !view_ || finished_) return;
    // Printing runs on after this returns; the printer must live until it has finished.
    printer_ = std::move(printer);
    connect(view_, &QWebEngineView::printFinished, this, &Browser::PrintFinished,
            Qt::SingleShotConnection);
    view_->print(printer_.get());
}

void Browser::PrintFinished() { printer_.reset(); }

}  // namespace corvane::engine
