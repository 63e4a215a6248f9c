// The scripted engine's state behind ScriptedEngine: browsers, downloads, recorded calls and the
// queue of notifications. UI thread only.
#pragma once

#include <QList>
#include <functional>
#include <map>
#include <memory>

#include "ScriptedBrowser.h"
#include "ScriptedEngine.h"

namespace corvane::scripted {

class ScriptedDownloadItem final : public CefDownloadItem {
  public:
    DownloadState state;
    uint32_t id = 0;

    uint32_t GetId() const override { return id; }
    int64_t GetTotalBytes() const override { return state.totalBytes; }
    int64_t GetReceivedBytes() const override { return state.receivedBytes; }
    int64_t GetCurrentSpeed() const override { return state.currentSpeed; }
    int GetPercentComplete() const override { return state.percentComplete; }
    QDateTime GetStartTime() const override { return state.startTime; }
    QString GetFullPath() const override { return state.fullPath; }
    bool IsComplete() const override { return state.phase == DownloadState::Complete; }
    bool IsCanceled() const override { return state.phase == DownloadState::Canceled; }
    bool IsInProgress() const override { return state.phase == DownloadState::InProgress; }
};

struct ScriptedDownload {
    int browser = 0;
    ScriptedDownloadItem item;
};

struct ScriptedEngine::State {
    QList<RecordedCall> calls;
    QList<std::function<void()>> queue;
    std::function<void(int)> onCreated;
    std::map<int, std::unique_ptr<ScriptedBrowser>> browsers;  // by id = creation order
    std::map<int, ScriptedDownload> downloads;
    CefRefPtr<CefApp> app;
    int nextBrowser = 1;
    int nextDownload = 1;
    int workDepth = 0;

    ScriptedBrowser* Find(int id) const {
        auto it = browsers.find(id);
        return it == browsers.end() ? nullptr : it->second.get();
    }
    // A browser the test names must exist: a script error otherwise.
    ScriptedBrowser& Get(int id) const;
    void Record(RecordedCall call) { calls.append(std::move(call)); }
    void Enqueue(std::function<void()> event) { queue.append(std::move(event)); }

    // Creates a browser; OnAfterCreated is queued.
    ScriptedBrowser& Create(bool popup, CefRefPtr<CefClient> client, QWidget* widget);
    // Delivers OnBeforeClose and deletes the browser (its widget and its client reference).
    void Close(int id);
    // OnBeforeBrowse; returns the handler's answer (true: cancelled).
    bool Navigate(ScriptedBrowser& browser, const QString& url, bool isRedirect, bool mainFrame);
    bool ignoreCertificateErrors() const;
};

}  // namespace corvane::scripted
