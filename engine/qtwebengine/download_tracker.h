// Follows one download from its request to its end and queues every change for its browser's
// client (OnDownloadUpdated). UI thread only; a child of the request, so it goes when Qt
// WebEngine drops the request.
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include "download_item.h"

class QFileSystemWatcher;
class QTimer;
class QWebEngineDownloadRequest;

namespace corvane::engine {

class EngineContext;

// Removes what Chromium writes while a download runs: the target's name with its partial suffix.
void RemovePartialFiles(const QString& target);

class DownloadTracker final : public QObject {
  public:
    // start_time: when the download began (a resumed download keeps its first start).
    DownloadTracker(EngineContext& context, QWebEngineDownloadRequest& request, int browser_id,
                    const QDateTime& start_time);

    DownloadState Snapshot() const;
    const QDateTime& start_time() const { return start_time_; }
    // The target is set and the download accepted: progress counts from now.
    void Accepted();

  private:
    void OnProgress();
    void OnStateChanged();
    void Report();
    // Chromium reports a download complete while it may still be renaming the partial file into
    // place; the client hears of the end only once the whole file stands under its final name.
    bool FinalFileInPlace() const;
    void WaitForFinalFile();
    void FinalFileChanged();
    void FinalFileNeverCame();
    void RemovePartialFile() const;
    QString FinalPath() const;

    EngineContext& context_;
    QWebEngineDownloadRequest& request_;
    const int browser_id_;
    const QDateTime start_time_;
    QElapsedTimer since_accepted_;
    QElapsedTimer since_sample_;
    qint64 first_bytes_ = 0;
    qint64 last_bytes_ = 0;
    qint64 speed_ = 0;
    bool accepted_ = false;
    bool final_file_missing_ = false;  // complete in Chromium, yet no whole file appeared
    QPointer<QFileSystemWatcher> watcher_;
    QPointer<QTimer> give_up_;
};

}  // namespace corvane::engine
