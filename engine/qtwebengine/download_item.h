// What the shell is told about a download: a snapshot taken when the event happened, and the
// callbacks that act on the download. UI thread only; each lives for one handler call.
#pragma once

#include <QDateTime>
#include <QPointer>
#include <QString>

#include "cef_engine.h"

class QWebEngineDownloadRequest;

namespace corvane::engine {

struct DownloadState {
    uint32_t id = 0;
    int64_t total_bytes = 0;
    int64_t received_bytes = 0;
    int64_t speed = 0;  // bytes per second
    QDateTime start_time;
    QString full_path;
    bool complete = false;
    bool canceled = false;
    bool in_progress = false;
};

class DownloadItem final : public CefDownloadItem {
  public:
    explicit DownloadItem(DownloadState state) : state_(std::move(state)) {}

    uint32_t GetId() const override { return state_.id; }
    int64_t GetTotalBytes() const override { return state_.total_bytes; }
    int64_t GetReceivedBytes() const override { return state_.received_bytes; }
    int64_t GetCurrentSpeed() const override { return state_.speed; }
    int GetPercentComplete() const override;
    QDateTime GetStartTime() const override { return state_.start_time; }
    QString GetFullPath() const override { return state_.full_path; }
    bool IsComplete() const override { return state_.complete; }
    bool IsCanceled() const override { return state_.canceled; }
    bool IsInProgress() const override { return state_.in_progress; }

  private:
    DownloadState state_;
};

// Cancels the download if it is still there.
class DownloadCancel final : public CefDownloadItemCallback {
  public:
    explicit DownloadCancel(QWebEngineDownloadRequest* request) : request_(request) {}
    void Cancel() override;

  private:
    QPointer<QWebEngineDownloadRequest> request_;
};

}  // namespace corvane::engine
