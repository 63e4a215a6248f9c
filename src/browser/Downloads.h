// The status bar texts of a download. Pure functions, any thread.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <set>

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

}  // namespace corvane::browser
