#include "download_tracker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>
#include <QWebEngineDownloadRequest>

#include "browser.h"
#include "engine_context.h"

namespace corvane::engine {
namespace {

// Shorter gaps would make the speed jump with every network packet.
constexpr qint64 kMinSpeedSampleMs = 200;
// How long a completed download may take to appear under its final name before it counts as
// failed. Chromium renames at once; only a stalled disk takes longer.
constexpr int kFinalFileWaitMs = 30000;
// Chromium's names for the file while it is being written: the target's name with one of these.
constexpr const char* kPartialSuffixes[] = {".crdownload", ".download"};

}  // namespace

void RemovePartialFiles(const QString& target) {
    for (const char* suffix : kPartialSuffixes) QFile::remove(target + QLatin1String(suffix));
}

DownloadTracker::DownloadTracker(EngineContext& context, QWebEngineDownloadRequest& request,
                                 int browser_id, const QDateTime& start_time)
    : QObject(&request),
      context_(context),
      request_(request),
      browser_id_(browser_id),
      start_time_(start_time) {
    connect(&request, &QWebEngineDownloadRequest::receivedBytesChanged, this,
            &DownloadTracker::OnProgress);
    connect(&request, &QWebEngineDownloadRequest::totalBytesChanged, this,
            &DownloadTracker::OnProgress);
    connect(&request, &QWebEngineDownloadRequest::stateChanged, this,
            &DownloadTracker::OnStateChanged);
}

QString DownloadTracker::FinalPath() const {
    return QDir(request_.downloadDirectory()).absoluteFilePath(request_.downloadFileName());
}

DownloadState DownloadTracker::Snapshot() const {
    DownloadState state;
    state.id = request_.id();
    state.total_bytes = qMax<qint64>(request_.totalBytes(), 0);
    state.received_bytes = request_.receivedBytes();
    state.speed = speed_;
    state.start_time = start_time_;
    if (accepted_) state.full_path = FinalPath();
    const auto qt_state = request_.state();
    state.complete =
        qt_state == QWebEngineDownloadRequest::DownloadCompleted && !final_file_missing_;
    state.canceled = qt_state == QWebEngineDownloadRequest::DownloadCancelled;
    state.in_progress = qt_state == QWebEngineDownloadRequest::DownloadRequested ||
                        qt_state == QWebEngineDownloadRequest::DownloadInProgress;
    return state;
}

void DownloadTracker::Accepted() {
    accepted_ = true;
    first_bytes_ = last_bytes_ = request_.receivedBytes();
    since_accepted_.start();
    since_sample_.start();
}

// Qt WebEngine names no speed: bytes over the last sample's time, or over the time since the
// download began until a first sample is long enough.
void DownloadTracker::OnProgress() {
    const qint64 received = request_.receivedBytes();
    const qint64 sample_ms = since_sample_.elapsed();
    if (sample_ms >= kMinSpeedSampleMs) {
        speed_ = qMax<qint64>(received - last_bytes_, 0) * 1000 / sample_ms;
        last_bytes_ = received;
        since_sample_.restart();
    } else if (speed_ == 0 && received > first_bytes_) {
        speed_ = (received - first_bytes_) * 1000 / qMax<qint64>(since_accepted_.elapsed(), 1);
    }
    if (request_.state() == QWebEngineDownloadRequest::DownloadInProgress) Report();
}

void DownloadTracker::OnStateChanged() {
    switch (request_.state()) {
        case QWebEngineDownloadRequest::DownloadCompleted:
            if (accepted_ && !FinalFileInPlace()) {
                WaitForFinalFile();
                return;
            }
            break;
        case QWebEngineDownloadRequest::DownloadInterrupted:
            // Chromium keeps what it got for a resumption the program never asks for; a broken
            // download leaves nothing behind.
            RemovePartialFile();
            break;
        default:
            break;
    }
    Report();
}

bool DownloadTracker::FinalFileInPlace() const {
    const QFileInfo file(FinalPath());
    if (!file.isFile() || file.size() != request_.receivedBytes()) return false;
    for (const char* suffix : kPartialSuffixes) {
        if (QFileInfo::exists(FinalPath() + QLatin1String(suffix))) return false;
    }
    return true;
}

void DownloadTracker::WaitForFinalFile() {
    if (watcher_) return;
    watcher_ = new QFileSystemWatcher({request_.downloadDirectory()}, this);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
            &DownloadTracker::FinalFileChanged);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &DownloadTracker::FinalFileChanged);
    give_up_ = new QTimer(this);
    give_up_->setSingleShot(true);
    connect(give_up_, &QTimer::timeout, this, &DownloadTracker::FinalFileNeverCame);
    give_up_->start(kFinalFileWaitMs);
    // The rename may have happened between the first look and the watch.
    FinalFileChanged();
}

void DownloadTracker::FinalFileChanged() {
    if (!watcher_) return;
    if (!FinalFileInPlace()) {
        // Once the file is there, its growth (a flush after the rename) is watched too.
        if (QFileInfo::exists(FinalPath()) && !watcher_->files().contains(FinalPath()))
            watcher_->addPath(FinalPath());
        return;
    }
    delete watcher_.data();
    delete give_up_.data();
    Report();
}

void DownloadTracker::FinalFileNeverCame() {
    delete watcher_.data();
    final_file_missing_ = true;
    qWarning("Corvane engine: the download never appeared whole under its final name");
    RemovePartialFile();
    Report();
}

void DownloadTracker::RemovePartialFile() const {
    if (accepted_) RemovePartialFiles(FinalPath());
}

void DownloadTracker::Report() {
    Browser* browser = context_.Find(browser_id_);
    if (!browser) return;
    const DownloadState state = Snapshot();
    QPointer<QWebEngineDownloadRequest> request(&request_);
    browser->Notify([state, request](Browser& target) {
        CefClient* client = target.client();
        CefDownloadHandler* handler = client ? client->GetDownloadHandler() : nullptr;
        if (!handler) return;
        DownloadItem item(state);
        DownloadCancel cancel(request);
        handler->OnDownloadUpdated(&target, &item, &cancel);
    });
}

}  // namespace corvane::engine
