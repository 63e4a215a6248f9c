// The status bar texts of a download. Pure functions, any thread.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <cstdint>

namespace corvane::browser {

// "下载文件大小：%.2f M" with the size in mebibytes, two decimals, the locale's decimal separator.
QString DownloadSizeText(int64_t totalBytes, const QLocale& locale);

// The progress line: speed in kilobytes (1000 bytes) per second with two decimals, percentage,
// total bytes, local start time "yyyy-MM-dd hh:mm:ss" and the target path.
QString DownloadProgressText(int64_t bytesPerSecond, int percent, int64_t totalBytes,
                             const QDateTime& startTimeUtc, const QString& fullPath,
                             const QLocale& locale);

}  // namespace corvane::browser
