// Downloads of the main window: saved under "down/" through the engine's Save As dialog, progress
// and completion in the status bar, empty download pop-ups closed at the end.
//
// The texts are pure functions (any thread); Downloads is UI thread only, owned by the window.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <set>

#include "browser/WindowInterface.h"
#include "cef_engine.h"

namespace corvane::browser {

// "下载文件大小：%.2f M" with the size in mebibytes, two decimals, the locale's decimal separator.
QString DownloadSizeText(int64_t totalBytes, const QLocale& locale);

// The progress line: speed in kilobytes (1000 bytes) per second with two decimals, percentage,
// total bytes, local start time "yyyy-MM-dd hh:mm:ss" and the target path.
QString DownloadProgressText(int64_t bytesPerSecond, int percent, int64_t totalBytes,
                             const QDateTime& startTimeUtc, const QString& fullPath,
                             const QLocale& locale);

// The downloads whose size was not known when they started (Qt WebEngine learns it only once the
// answer arrives): each gets the size text again, once, as soon as its size is known.
class DownloadSizeWatch {
  public:
    void Started(uint32_t download, int64_t totalBytes);
    // True once per such download: at the first update that knows its size.
    bool SizeBecameKnown(uint32_t download, int64_t totalBytes);
    void Ended(uint32_t download);

  private:
    std::set<uint32_t> unknown_;
};

// The window's download events.
class Downloads {
  public:
    explicit Downloads(WindowInterface& window) : window_(window) {}

    // A download starts: its size in the status bar, and on to the Save As dialog.
    void BeforeDownload(CefDownloadItem& item, const QString& suggestedName,
                        CefBeforeDownloadCallback& callback);
    // Progress, completion or cancellation of a download of browser (the own or a pop-up).
    void Updated(CefBrowser* browser, CefDownloadItem& item);

  private:
    WindowInterface& window_;
    DownloadSizeWatch sizes_;
};

}  // namespace corvane::browser
