// Downloads of every browser: asks the browser's client where to save (OnBeforeDownload, at once,
// inside Qt WebEngine's request) and reports progress to it (OnDownloadUpdated, queued). UI thread
// only; owned by the EngineContext.
#pragma once

#include <QObject>

class QWebEngineDownloadRequest;
class QWebEngineProfile;

namespace corvane::engine {

class EngineContext;

class DownloadRouter final : public QObject {
    Q_OBJECT
  public:
    DownloadRouter(EngineContext& context, QWebEngineProfile& profile);

  private:
    void OnDownloadRequested(QWebEngineDownloadRequest* request);

    EngineContext& context_;
};

}  // namespace corvane::engine
