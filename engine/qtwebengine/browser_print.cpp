// Printing a page: the system's print dialog, then the page on the printer chosen there.
#include <QDir>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "browser.h"
#include "browser_view.h"
#include "client_call.h"
#include "engine_context.h"
#include "platform.h"
#include "safe_file_name.h"

namespace corvane::engine {
namespace {

constexpr int kPrintDpi = 300;

// Without a system printer the dialog can only print to a file: it proposes the program folder's
// down/ folder, where downloads go too, instead of whatever the current directory is.
void ProposeOutputFile(QPrinter& printer, const QString& title) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) return;
    const QString folder = ProgramFolder() + QStringLiteral("/down");
    QDir().mkpath(folder);
    const QString name = title.trimmed().isEmpty() ? QStringLiteral("print") : title;
    printer.setOutputFileName(folder + QLatin1Char('/') +
                              SafeDownloadFileName(name + QStringLiteral(".pdf")));
}

// Holds the program's print-dialog flag for as long as the dialog is open.
class PrintDialogOpen {
  public:
    explicit PrintDialogOpen(bool& flag) : flag_(flag) { flag_ = true; }
    ~PrintDialogOpen() { flag_ = false; }
    PrintDialogOpen(const PrintDialogOpen&) = delete;
    PrintDialogOpen& operator=(const PrintDialogOpen&) = delete;

  private:
    bool& flag_;
};

}  // namespace

bool Browser::Print() {
    if (finished_ || !view_) return false;
    // The dialog runs an event loop: a second window.print() or print command arriving meanwhile
    // must not open a second dialog over the first.
    if (printer_ || context_.print_dialog_open()) return false;
    // Qt WebEngine prints pages as images at the printer's resolution; 300 dpi keeps a page
    // sharp without the memory and time a 1200 dpi page costs.
    auto printer = std::make_unique<QPrinter>(QPrinter::PrinterResolution);
    printer->setResolution(kPrintDpi);
    ProposeOutputFile(*printer, page_ ? page_->title() : QString());
    {
        PrintDialogOpen open(context_.print_dialog_open());
        QPrintDialog dialog(printer.get(), view_->window());
        if (dialog.exec() != QDialog::Accepted || !view_ || finished_) return true;
    }
    // Printing runs on after this returns; the printer must live until it has finished.
    printer_ = std::move(printer);
    connect(view_, &QWebEngineView::printFinished, this, &Browser::PrintFinished,
            Qt::SingleShotConnection);
    view_->print(printer_.get());
    return true;
}

void Browser::PagePrintRequested() {
    if (finished_) return;
    CefPrintHandler* handler = client_ ? client_->GetPrintHandler() : nullptr;
    const bool handled = handler && CallClient("OnPrintRequested", false,
                                               [&] { return handler->OnPrintRequested(this); });
    if (!handled && !Print()) qWarning("Corvane engine: a print dialog is already open");
}

void Browser::PrintFinished() { printer_.reset(); }

}  // namespace corvane::engine
