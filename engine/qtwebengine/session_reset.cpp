// A fresh browsing session for the whole process (cef_reset_session).
//
// Qt WebEngine 6.4 can clear cookies, the HTTP cache and visited links, but it has no way to clear
// local and session storage, IndexedDB or service workers. So the session is not cleared but
// replaced: a new profile with storage of its own, empty by construction, takes over every
// remaining page, and the old profile goes with its folder on disk once its last page is gone.
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <filesystem>

#include "browser.h"
#include "downloads.h"
#include "engine_context.h"
#include "engine_settings.h"
#include "platform.h"

namespace corvane::engine {
namespace {

// What a profile left on disk: its storage folder, apart from the folders of later sessions,
// which lie inside the first one.
void RemoveStorage(const QString& folder) {
    if (folder.isEmpty()) return;
    const QDir dir(folder);
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (entry.isDir() && entry.fileName().startsWith(QLatin1String(kSessionFolderPrefix)))
            continue;
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(entry.filePath()).toStdString(), ignored);
    }
    if (dir.isEmpty()) QDir().rmdir(folder);
}

}  // namespace

void EngineContext::ResetSession() {
    downloads_->CancelAll();
    std::vector<Browser*> shell_browsers, others;
    for (const auto& [id, browser] : browsers_)
        (browser->kind() == BrowserKind::kShell ? shell_browsers : others).push_back(browser);
    // Pop-ups and developer tools close at once: no page may hold its window open now.
    for (Browser* browser : shell_browsers) browser->CloseDevTools();
    for (Browser* browser : others) browser->CloseBrowser(true);

    QWebEngineProfile* old = profile_.release();
    old->cookieStore()->deleteAllCookies();
    old->clearAllVisitedLinks();
    ++session_;
    profile_ = CreateProfile(settings_, ProgramFolder(), session_);
    downloads_ = std::make_unique<DownloadRouter>(*this, *profile_);
    for (Browser* browser : shell_browsers) browser->StartNewSession(*profile_);

    // The old profile goes after the pages that still use it (the closed windows' pages are
    // already queued for deletion), and its files with it.
    const QString folder = old->isOffTheRecord() ? QString() : old->persistentStoragePath();
    connect(old, &QObject::destroyed, this, [folder] { RemoveStorage(folder); });
    DisposeLater(old);
}

void Browser::StartNewSession(QWebEngineProfile& profile) {
    if (finished_ || !view_) return;
    BrowserPage* old = page_;
    page_ = new BrowserPage(&profile, *this, view_);
    const uint32_t background = context_.settings().background_color;
    if (background != 0) page_->setBackgroundColor(QColor::fromRgba(background));
    view_->setPage(page_);
    main_frame_.Attach(page_);
    has_document_ = false;
    if (old) {
        // Quiet and gone now: its history, its document and its scripts end with it.
        old->Detach();
        delete old;
    }
}

}  // namespace corvane::engine
