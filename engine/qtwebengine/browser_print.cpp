// Printing a page: the system's print dialog, then the page on the printer chosen there. A PDF
// shown in Chromium's viewer is printed as the document itself (pdf_print.h).
#include <QDir>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>
#include <QWebEngineDownloadRequest>

#include "browser.h"
#include "browser_view.h"
#include "client_call.h"
#include "engine_context.h"
#include "pdf_print.h"
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
    if (finished_ || !view_ || !page_) return false;
    // One print at a time, from the request until the page has been printed: the dialog runs an
    // event loop, and a second window.print() or print command arriving meanwhile must not open
    // a second dialog over the first.
    if (printing_ || context_.print_dialog_open()) return false;
    printing_ = true;
    QPointer<Browser> self(this);
    page_->runJavaScript(QStringLiteral("document.contentType"), [self](const QVariant& type) {
        if (!self) return;
        if (type.toString() == QLatin1String("application/pdf"))
            self->FetchShownPdf();
        else
            self->PrintWithDialog(QString());
    });
    return true;
}

void Browser::FetchShownPdf() {
    if (!page_) return PrintDone();
    QPointer<Browser> self(this);
    pdf_fetch_ = std::make_unique<PdfFetch>(*page_, page_->url(), [self](const QString& file) {
        // Not inside the download's own signal: the dialog runs an event loop.
        QTimer::singleShot(0, self, [self, file] {
            if (file.isEmpty()) {
                qWarning("Corvane engine: the shown PDF could not be fetched for printing");
                self->PrintDone();
                return;
            }
            self->PrintWithDialog(file);
        });
    });
}

bool Browser::TakePdfFetch(QWebEngineDownloadRequest& request) {
    return pdf_fetch_ && pdf_fetch_->Take(request);
}

void Browser::PrintWithDialog(const QString& pdf_file) {
    if (finished_ || !view_) return PrintDone();
    // Qt WebEngine prints pages as images at the printer's resolution; 300 dpi keeps a page
    // sharp without the memory and time a 1200 dpi page costs.
    auto printer = std::make_unique<QPrinter>(QPrinter::PrinterResolution);
    printer->setResolution(kPrintDpi);
    ProposeOutputFile(*printer, page_ ? page_->title() : QString());
    bool accepted = false;
    {
        PrintDialogOpen open(context_.print_dialog_open());
        QPrintDialog dialog(printer.get(), view_->window());
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (!accepted || !view_ || finished_) return PrintDone();
    if (!pdf_file.isEmpty()) {
        if (!PrintPdfFile(pdf_file, *printer))
            qWarning("Corvane engine: the PDF could not be printed");
        return PrintDone();
    }
    // Printing runs on after this returns; the printer must live until it has finished.
    printer_ = std::move(printer);
    connect(view_, &QWebEngineView::printFinished, this, &Browser::PrintDone,
            Qt::SingleShotConnection);
    view_->print(printer_.get());
}

void Browser::PrintDone() {
    printer_.reset();
    pdf_fetch_.reset();
    printing_ = false;
}

void Browser::PagePrintRequested() {
    if (finished_) return;
    CefPrintHandler* handler = client_ ? client_->GetPrintHandler() : nullptr;
    const bool handled = handler && CallClient("OnPrintRequested", false,
                                               [&] { return handler->OnPrintRequested(this); });
    if (!handled && !Print()) qWarning("Corvane engine: a print dialog is already open");
}

}  // namespace corvane::engine
