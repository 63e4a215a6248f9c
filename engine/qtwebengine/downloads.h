// Downloads of every browser: asks the browser's client where to save (OnBeforeDownload, at once,
// inside Qt WebEngine's request) and reports progress to it (OnDownloadUpdated, queued). UI thread
// only; owned by the EngineContext.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <map>

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
    // An accepted download that has not finished yet.
    struct Accepted {
        QString target;
        QDateTime start_time;
        QPointer<QWebEngineDownloadRequest> request;  // the request asking now
    };
    void Remember(QWebEngineDownloadRequest& request, const Accepted& accepted);
    void ContinueResumed(QWebEngineDownloadRequest& request, const Accepted& accepted);

    EngineContext& context_;
    std::map<quint32, Accepted> accepted_;  // by download id
};

}  // namespace corvane::engine
