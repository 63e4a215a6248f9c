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

// Where a download is saved: path as the client gave it, relative paths in the program folder, a
// path naming a folder (ending in "/" or an existing folder) gets the file name added, an empty
// path means the profile's download folder.
QString DownloadTarget(const QString& client_path, const QString& file_name,
                       const QString& program_folder, const QString& default_folder);

}  // namespace corvane::engine
