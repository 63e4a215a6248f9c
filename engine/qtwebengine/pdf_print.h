// Printing a PDF that Chromium's viewer shows. Qt WebEngine 6.4 prints the viewer's own page (its
// toolbar and thumbnails), not the document, so the document is fetched once more through the
// profile (the page's cookies go with it) and its pages are printed with Qt PDF, which renders
// with Chromium's own PDF library. UI thread only.
#pragma once

#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>

class QPrinter;
class QWebEngineDownloadRequest;
class QWebEnginePage;

namespace corvane::engine {

// Prints the pages of a PDF file on a printer the user has already chosen. False when the file
// is no readable PDF or the printer cannot start.
bool PrintPdfFile(const QString& path, QPrinter& printer);

// One fetch of a shown PDF into a temporary folder of its own, which goes with the fetch.
class PdfFetch {
  public:
    using Done = std::function<void(const QString& file)>;  // empty: the fetch failed
    PdfFetch(QWebEnginePage& page, const QUrl& url, Done done);

    // Takes the download if it is this fetch's: saved quietly into the temporary folder.
    bool Take(QWebEngineDownloadRequest& request);

  private:
    QPointer<QWebEnginePage> page_;
    QUrl url_;
    Done done_;
    QTemporaryDir folder_;
    bool taken_ = false;
};

}  // namespace corvane::engine
