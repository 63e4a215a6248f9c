// Downloads: saved under "down/" through the engine's Save As dialog, progress and completion in
// the status bar, empty download pop-ups closed at the end.
#include "browser/Downloads.h"

#include "browser/Uchrome.h"

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

void TFrmChrome::Chromium1BeforeDownload(CefBrowser* /*browser*/, CefDownloadItem* item,
                                         const QString& suggested_name,
                                         CefBeforeDownloadCallback* callback) {
    SetStatusText(DownloadSizeText(item->GetTotalBytes(), QLocale::system()));
    downloadSizes_.Started(item->GetId(), item->GetTotalBytes());
    // Relative to the program folder; the folder is not created here, the Save As dialog
    // decides where the file goes.
    callback->Continue(QStringLiteral("down/") + suggested_name, true);
}

void TFrmChrome::Chromium1DownloadUpdated(CefBrowser* browser, CefDownloadItem* item,
                                          CefDownloadItemCallback* /*callback*/) {
    if (!item->IsInProgress()) downloadSizes_.Ended(item->GetId());
    if (item->IsComplete()) {
        SetStatusText(QStringLiteral("下载完成！"));
        AppMessageBox(this, QStringLiteral("下载成功"));
        PopupCleanup(browser);
        CloseIfBlank();
    } else if (item->IsCanceled()) {
        SetStatusText(QString());
        PopupCleanup(browser);
        CloseIfBlank();
    } else if (item->IsInProgress()) {
        if (downloadSizes_.SizeBecameKnown(item->GetId(), item->GetTotalBytes())) {
            SetStatusText(DownloadSizeText(item->GetTotalBytes(), QLocale::system()));
            return;
        }
        if (item->GetReceivedBytes() <= 0) {
            SetStatusText(QString());
            return;
        }
        const QString path = item->GetFullPath();
        if (path.isEmpty()) return;
        SetStatusText(DownloadProgressText(item->GetCurrentSpeed(), item->GetPercentComplete(),
                                           item->GetTotalBytes(), item->GetStartTime(), path,
                                           QLocale::system()));
    } else {
        SetStatusText(QString());
    }
}

void TFrmChrome::PopupCleanup(CefBrowser* browser) {
    // A window the page opened only for the download has nothing left to show.
    if (browser && browser->IsPopup() && !browser->HasDocument()) {
        browser->GetHost()->CloseBrowser(true);
    }
}

}  // namespace corvane::browser
