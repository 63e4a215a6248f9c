#include "downloads.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include "browser.h"
#include "client_call.h"
#include "download_item.h"
#include "download_target.h"
#include "download_tracker.h"
#include "engine_context.h"
#include "page.h"
#include "platform.h"
#include "safe_file_name.h"

namespace corvane::engine {
namespace {

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
    // Chromium resumes a download that broke off (a network failure, an answer shorter than
    // announced) by asking for it again under the same id: it goes on to the target already
    // chosen, without a second question or Save As dialog.
    if (const auto resumed = accepted_.find(request->id()); resumed != accepted_.end()) {
        ContinueResumed(*request, resumed->second);
        return;
    }
    QPointer<Browser> browser = BrowserOf(*request);
    if (browser && browser->TakePdfFetch(*request)) return;  // printing a shown PDF
    CefClient* client = browser ? browser->client() : nullptr;
    CefDownloadHandler* handler = client ? client->GetDownloadHandler() : nullptr;
    if (!handler) {
        request->cancel();
        return;
    }
    auto* tracker = new DownloadTracker(context_, *request, browser->GetIdentifier(),
                                        QDateTime::currentDateTimeUtc());
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
    Remember(*request, {file.absoluteFilePath(), tracker->start_time(), request});
    request->accept();
}

void DownloadRouter::CancelAll() {
    // Cancelling finishes a download, which takes it out of accepted_: work on a copy.
    const auto accepted = accepted_;
    accepted_.clear();
    for (const auto& [id, download] : accepted) {
        QWebEngineDownloadRequest* request = download.request;
        if (!request || request->isFinished()) continue;
        // The session the download belonged to is over: its end is nobody's news.
        delete request->findChild<DownloadTracker*>(QString(), Qt::FindDirectChildrenOnly);
        request->cancel();
        // Chromium removes a cancelled download's file on its own sequence, some time later; the
        // next taxpayer must not find it even for that moment.
        QFile::remove(download.target);
        RemovePartialFiles(download.target);
    }
}

void DownloadRouter::Remember(QWebEngineDownloadRequest& request, const Accepted& accepted) {
    const quint32 id = request.id();
    accepted_[id] = accepted;
    connect(&request, &QWebEngineDownloadRequest::isFinishedChanged, this,
            [this, id] { accepted_.erase(id); });
}

void DownloadRouter::ContinueResumed(QWebEngineDownloadRequest& request, const Accepted& accepted) {
    auto* tracker = request.findChild<DownloadTracker*>(QString(), Qt::FindDirectChildrenOnly);
    if (!tracker) {
        QPointer<Browser> browser = BrowserOf(request);
        if (!browser) {
            request.cancel();
            return;
        }
        tracker =
            new DownloadTracker(context_, request, browser->GetIdentifier(), accepted.start_time);
        Remember(request, accepted);
    }
    const QFileInfo file(accepted.target);
    accepted_[request.id()].request = &request;
    request.setDownloadDirectory(file.absolutePath());
    request.setDownloadFileName(file.fileName());
    tracker->Accepted();
    request.accept();
}

}  // namespace corvane::engine
