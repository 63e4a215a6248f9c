// The engine of the process: the profile every browser uses, the browsers by identifier, the
// notification queue and the download routing. It exists from cef_initialize to cef_shutdown and
// is reached through Get(); UI thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <map>
#include <memory>
#include <vector>

#include "cef_engine.h"
#include "notification_queue.h"

class QWebEngineProfile;
class QWidget;

namespace corvane::engine {

class Browser;
class DownloadRouter;
enum class BrowserKind;

class EngineContext final : public QObject {
    Q_OBJECT
  public:
    // Null before Start and after Stop.
    static EngineContext* Get();
    // Applies the settings and creates the profile; false when a QApplication is missing.
    static bool Start(const CefSettings& settings, CefApp* app);
    // Closes the remaining browsers (their clients get OnBeforeClose), deletes every window and
    // page the engine made, then the profile.
    static void Stop();

    const CefSettings& settings() const { return settings_; }
    QWebEngineProfile* profile() const { return profile_.get(); }

    // A new browser, registered and announced with OnAfterCreated. parent null: a top-level
    // window. client may be null (no handlers). The engine owns the browser.
    Browser* CreateBrowser(BrowserKind kind, QWidget* parent, const QRect& rect, CefClient* client,
                           const QString& window_name);
    Browser* Find(int browser_id) const;

    // cef_reset_session (session_reset.cpp): pop-ups, developer tools and downloads end, and the
    // shell's browsers go on in a new profile; the old one goes with its files.
    void ResetSession();
    void SetIgnoreCertificateErrors(bool ignore) { settings_.ignore_certificate_errors = ignore; }

    void Post(int browser_id, NotificationQueue::Delivery delivery);
    // cef_do_message_loop_work; a nested call (from a handler's own event loop) does nothing.
    void DeliverNotifications();

    // The browser's OnBeforeClose has been delivered: it leaves the registry and is deleted once
    // the calls that may still hold it have returned.
    void Retire(int browser_id);
    // Windows and pages of closed browsers: deleted later, at the latest by Stop.
    void DisposeLater(QObject* object);

    // A print dialog is open (it is application-modal: one at a time for the whole program).
    bool& print_dialog_open() { return print_dialog_open_; }

  private:
    EngineContext(const CefSettings& settings, CefApp* app);
    ~EngineContext() override;
    void CloseEverything();

    CefSettings settings_;
    CefRefPtr<CefApp> app_;
    std::unique_ptr<QWebEngineProfile> profile_;
    std::unique_ptr<DownloadRouter> downloads_;
    NotificationQueue queue_;
    std::map<int, Browser*> browsers_;
    std::vector<QPointer<QObject>> disposed_;
    int next_browser_id_ = 1;
    int session_ = 0;  // sessions replaced so far
    bool delivering_ = false;
    bool print_dialog_open_ = false;
};

}  // namespace corvane::engine
