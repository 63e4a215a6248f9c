// Downloads of every browser: asks the browser's client where to save (OnBeforeDownload, at once,
// inside Qt WebEngine's request) and reports progress to it (OnDownloadUpdated, queued). UI thread
// only; owned by the EngineContext.
#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

class QWebEngineDownloadRequest;
class QWebEngineProfile;

namespace corvane::engine {

class EngineContext;

class DownloadRouter final : public QObject {
    Q_OBJECT
  public:
    DownloadRouter(EngineContext& context, QWebEngineProfile& profile);

    // Cancels every download still running and removes its partial file.
    void CancelAll();

  private:
    void OnDownloadRequested(QWebEngineDownloadRequest* request);

    EngineContext& context_;
    struct Accepted {
        QPointer<QWebEngineDownloadRequest> request;
        QPointer<QObject> tracker;  // reports the download's changes to its browser
    };
    std::vector<Accepted> accepted_;
};

}  // namespace corvane::engine
