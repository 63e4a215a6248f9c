#include "browser/Downloads.h"

#include "browser/ChromiumView.h"
#include "shell/AppGlob.h"

namespace corvane::browser {

namespace {

QString TwoDecimals(double value, QLocale locale) {
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', 2);
}

}  // namespace

QString DownloadSizeText(int64_t totalBytes, const QLocale& locale) {
    return QStringLiteral("下载文件大小：") +
           TwoDecimals(double(totalBytes) / 1024 / 1024, locale) + QStringLiteral(" M");
}

QString DownloadProgressText(int64_t bytesPerSecond, int percent, int64_t totalBytes,
                             const QDateTime& startTimeUtc, const QString& fullPath,
                             const QLocale& locale) {
    const QString start =
        startTimeUtc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return QStringLiteral("当前速度：") + TwoDecimals(double(bytesPerSecond) / 1000, locale) +
           QStringLiteral(" K;已下载：") + QString::number(percent) + QStringLiteral("%;总大小：") +
           QString::number(totalBytes) + QStringLiteral(";开始时间：") + start +
           QStringLiteral(";保存位置：") + fullPath;
}

void DownloadSizeWatch::Started(uint32_t download, int64_t totalBytes) {
    if (totalBytes <= 0) unknown_.insert(download);
}

bool DownloadSizeWatch::SizeBecameKnown(uint32_t download, int64_t totalBytes) {
    return totalBytes > 0 && unknown_.erase(download) > 0;
}

void DownloadSizeWatch::Ended(uint32_t download) { unknown_.erase(download); }

void Downloads::BeforeDownload(CefDownloadItem& item, const QString& suggestedName,
                               CefBeforeDownloadCallback& callback) {
    window_.SetStatusText(DownloadSizeText(item.GetTotalBytes(), QLocale::system()));
    sizes_.Started(item.GetId(), item.GetTotalBytes());
    // Relative to the program folder; the folder is not created here, the Save As dialog
    // decides where the file goes.
    callback.Continue(QStringLiteral("down/") + suggestedName, true);
}

void Downloads::Updated(CefBrowser* browser, CefDownloadItem& item) {
    if (!item.IsInProgress()) sizes_.Ended(item.GetId());
    if (item.IsComplete()) {
        window_.SetStatusText(QStringLiteral("下载完成！"));
        AppMessageBox(window_.BoxOwner(), QStringLiteral("下载成功"));
        CloseEmptyPopup(browser);
        window_.CloseIfBlank();
    } else if (item.IsCanceled()) {
        window_.SetStatusText(QString());
        CloseEmptyPopup(browser);
        window_.CloseIfBlank();
    } else if (item.IsInProgress()) {
        if (sizes_.SizeBecameKnown(item.GetId(), item.GetTotalBytes())) {
            window_.SetStatusText(DownloadSizeText(item.GetTotalBytes(), QLocale::system()));
            return;
        }
        if (item.GetReceivedBytes() <= 0) {
            window_.SetStatusText(QString());
            return;
        }
        const QString path = item.GetFullPath();
        if (path.isEmpty()) return;
        window_.SetStatusText(DownloadProgressText(item.GetCurrentSpeed(),
                                                   item.GetPercentComplete(), item.GetTotalBytes(),
                                                   item.GetStartTime(), path, QLocale::system()));
    } else {
        window_.SetStatusText(QString());
    }
}

}  // namespace corvane::browser
