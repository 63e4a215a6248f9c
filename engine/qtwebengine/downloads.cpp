#include "downloads.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include "browser.h"
#include "client_call.h"
#include "download_item.h"
#include "download_target.h"
#include "engine_context.h"
#include "page.h"
#include "platform.h"
#include "safe_file_name.h"

namespace corvane::engine {
namespace {

// Shorter gaps would make the speed jump with every network packet.
constexpr qint64 kMinSpeedSampleMs = 200;

class BeforeDownloadCallback final : public CefBeforeDownloadCallback {
  public:
    void Continue(const QString& download_path, bool show_dialog) override {
        continued_ = true;
        path_ = download_path;
        show_dialog_ = show_dialog;
    }
    bool continued() const { return continued_; }
    const QString& path() const { return path_; }
    bool show_dialog() const { return show_dialog_; }

  private:
    bool continued_ = false;
    QString path_;
    bool show_dialog_ = false;
};

// Follows one download from its request to its end and queues every change for its browser.
// A child of the request, so it goes when Qt WebEngine drops the request.
class DownloadTracker final : public QObject {
  public:
    DownloadTracker(EngineContext& context, QWebEngineDownloadRequest& request, int browser_id)
        : QObject(&request),
          context_(context),
          request_(request),
          browser_id_(browser_id),
          start_time_(QDateTime::currentDateTimeUtc()) {
        connect(&request, &QWebEngineDownloadRequest::receivedBytesChanged, this,
                &DownloadTracker::OnProgress);
        connect(&request, &QWebEngineDownloadRequest::totalBytesChanged, this,
                &DownloadTracker::OnProgress);
        connect(&request, &QWebEngineDownloadRequest::stateChanged, this, &DownloadTracker::Report);
    }

    DownloadState Snapshot() const {
        DownloadState state;
        state.total_bytes = qMax<qint64>(request_.totalBytes(), 0);
        state.received_bytes = request_.receivedBytes();
        state.speed = speed_;
        state.start_time = start_time_;
        if (accepted_)
            state.full_path =
                QDir(request_.downloadDirectory()).absoluteFilePath(request_.downloadFileName());
        const auto qt_state = request_.state();
        state.complete = qt_state == QWebEngineDownloadRequest::DownloadCompleted;
        state.canceled = qt_state == QWebEngineDownloadRequest::DownloadCancelled;
        state.in_progress = qt_state == QWebEngineDownloadRequest::DownloadRequested ||
                            qt_state == QWebEngineDownloadRequest::DownloadInProgress;
        return state;
    }

    void Accepted() {
        accepted_ = true;
        first_bytes_ = last_bytes_ = request_.receivedBytes();
        since_accepted_.start();
        since_sample_.start();
    }

  private:
    // Qt WebEngine names no speed: bytes over the last sample's time, or over the time since the
    // download began until a first sample is long enough.
    void OnProgress() {
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

    void Report() {
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
};

Browser* BrowserOf(const QWebEngineDownloadRequest& request) {
    auto* page = qobject_cast<BrowserPage*>(request.page());
    return page ? page->browser() : nullptr;
}

}  // namespace

DownloadRouter::DownloadRouter(EngineContext& context, QWebEngineProfile& profile)
    : context_(context) {
    connect(&profile, &QWebEngineProfile::downloadRequested, this,
            &DownloadRouter::OnDownloadRequested);
}

void DownloadRouter::OnDownloadRequested(QWebEngineDownloadRequest* request) {
    // Qt WebEngine wants the answer before this returns: accepted, or cancelled.
    QPointer<Browser> browser = BrowserOf(*request);
    CefClient* client = browser ? browser->client() : nullptr;
    CefDownloadHandler* handler = client ? client->GetDownloadHandler() : nullptr;
    if (!handler) {
        request->cancel();
        return;
    }
    auto* tracker = new DownloadTracker(context_, *request, browser->GetIdentifier());
    const QString name = SafeDownloadFileName(request->suggestedFileName());
    BeforeDownloadCallback callback;
    {
        DownloadItem item(tracker->Snapshot());
        Browser* asking = browser;
        CallClient("OnBeforeDownload", false, [&] {
            handler->OnBeforeDownload(asking, &item, name, &callback);
            return true;
        });
    }
    if (!callback.continued()) {
        request->cancel();
        return;
    }
    QString target =
        DownloadTarget(callback.path(), name, ProgramFolder(), context_.profile()->downloadPath());
    if (callback.show_dialog()) {
        QWidget* owner =
            browser && browser->GetWindowHandle() ? browser->GetWindowHandle()->window() : nullptr;
        target = QFileDialog::getSaveFileName(owner, QString(), target);
        if (target.isEmpty()) {
            request->cancel();
            return;
        }
    }
    const QFileInfo file(target);
    QDir().mkpath(file.absolutePath());
    request->setDownloadDirectory(file.absolutePath());
    request->setDownloadFileName(file.fileName());
    tracker->Accepted();
    request->accept();
    std::erase_if(accepted_, [](const Accepted& a) { return !a.request; });
    accepted_.push_back({request, tracker});
}

void DownloadRouter::CancelAll() {
    for (const Accepted& accepted : accepted_) {
        QWebEngineDownloadRequest* request = accepted.request;
        if (!request || request->isFinished()) continue;
        // The session the download belonged to is over: its end is nobody's news.
        delete accepted.tracker.data();
        const QString partial =
            QDir(request->downloadDirectory()).absoluteFilePath(request->downloadFileName());
        request->cancel();
        // Chromium removes a cancelled download's file on its own sequence, some time later; the
        // next taxpayer must not find it even for that moment.
        QFile::remove(partial);
    }
    accepted_.clear();
}

}  // namespace corvane::engine
