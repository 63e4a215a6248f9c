#include "pdf_print.h"

#include <QDir>
#include <QPainter>
#include <QPdfDocument>
#include <QPrinter>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>

namespace corvane::engine {

bool PrintPdfFile(const QString& path, QPrinter& printer) {
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None || document.pageCount() <= 0) return false;
    int first = 0;
    int last = document.pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = qBound(0, printer.fromPage() - 1, last);
        last = qBound(first, printer.toPage() - 1, last);
    }
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect area = painter.viewport();
    for (int page = first; page <= last; ++page) {
        if (page > first) printer.newPage();
        // At the printer's resolution, fitted into the printable area with its proportions.
        const QSizeF points = document.pagePointSize(page);
        const QSize pixels = (points * printer.resolution() / 72.0)
                                 .scaled(area.size(), Qt::KeepAspectRatio)
                                 .toSize();
        const QImage image = document.render(page, pixels);
        painter.drawImage(QPoint(area.x() + (area.width() - pixels.width()) / 2, area.y()), image);
    }
    return painter.end();
}

PdfFetch::PdfFetch(QWebEnginePage& page, const QUrl& url, Done done)
    : page_(&page), url_(url), done_(std::move(done)) {
    if (!folder_.isValid()) {
        done_(QString());
        return;
    }
    page.download(url_, QStringLiteral("print.pdf"));
}

bool PdfFetch::Take(QWebEngineDownloadRequest& request) {
    if (taken_ || request.url() != url_ || (request.page() && request.page() != page_))
        return false;
    taken_ = true;
    request.setDownloadDirectory(folder_.path());
    request.setDownloadFileName(QStringLiteral("print.pdf"));
    const QString file = QDir(folder_.path()).filePath(QStringLiteral("print.pdf"));
    QObject::connect(&request, &QWebEngineDownloadRequest::isFinishedChanged, &request,
                     [done = done_, file, request = &request] {
                         done(request->state() == QWebEngineDownloadRequest::DownloadCompleted
                                  ? file
                                  : QString());
                     });
    request.accept();
    return true;
}

}  // namespace corvane::engine
