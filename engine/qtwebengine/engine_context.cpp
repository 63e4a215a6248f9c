#include "engine_context.h"

#include <QApplication>
#include <QWebEngineProfile>
#include <QWidget>

#include "browser.h"
#include "downloads.h"
#include "engine_settings.h"
#include "platform.h"

namespace corvane::engine {
namespace {

// The process's one engine, between cef_initialize and cef_shutdown.
EngineContext* g_engine = nullptr;

// Closing browsers may queue notifications that close more (developer tools, pop-ups); this many
// rounds is far more than any chain of them.
constexpr int kMaxShutdownRounds = 16;

}  // namespace

EngineContext* EngineContext::Get() { return g_engine; }

bool EngineContext::Start(const CefSettings& settings, CefApp* app) {
    if (g_engine) return true;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        qWarning("Corvane engine: cef_initialize needs a QApplication");
        return false;
    }
    ApplyLaunchPlan(PlanLaunch(settings, RunningAsRoot(), ExecutablePath()));
    g_engine = new EngineContext(settings, app);
    return true;
}

void EngineContext::Stop() {
    if (!g_engine) return;
    g_engine->CloseEverything();
    delete g_engine;
    g_engine = nullptr;
}

EngineContext::EngineContext(const CefSettings& settings, CefApp* app)
    : settings_(settings), app_(app), profile_(CreateProfile(settings, ProgramFolder())) {
    downloads_ = std::make_unique<DownloadRouter>(*this, *profile_);
}

EngineContext::~EngineContext() {
    downloads_.reset();
    // Pages must be gone before their profile.
    profile_.reset();
}

Browser* EngineContext::CreateBrowser(BrowserKind kind, QWidget* parent, const QRect& rect,
                                      CefClient* client, const QString& window_name) {
    const int id = next_browser_id_++;
    auto* browser = new Browser(*this, id, kind, client, parent, rect, window_name);
    browsers_[id] = browser;
    browser->Notify([](Browser& created) {
        if (CefClient* client = created.client()) {
            if (CefLifeSpanHandler* handler = client->GetLifeSpanHandler())
                handler->OnAfterCreated(&created);
        }
    });
    return browser;
}

Browser* EngineContext::Find(int browser_id) const {
    const auto it = browsers_.find(browser_id);
    return it == browsers_.end() ? nullptr : it->second;
}

void EngineContext::Post(int browser_id, NotificationQueue::Delivery delivery) {
    queue_.Post(browser_id, std::move(delivery));
}

void EngineContext::DeliverNotifications() {
    if (delivering_) return;
    delivering_ = true;
    queue_.DeliverPending([this](int id) { return Find(id); });
    delivering_ = false;
}

void EngineContext::Retire(int browser_id) {
    const auto it = browsers_.find(browser_id);
    if (it == browsers_.end()) return;
    Browser* browser = it->second;
    browsers_.erase(it);
    // A handler further up the stack may still hold the browser (a nested event loop inside it
    // delivered this close); it goes when control is back in the loop that was running.
    DisposeLater(browser);
}

void EngineContext::DisposeLater(QObject* object) {
    disposed_.emplace_back(object);
    object->deleteLater();
}

void EngineContext::CloseEverything() {
    for (int round = 0; round < kMaxShutdownRounds && (!browsers_.empty() || !queue_.Empty());
         ++round) {
        std::vector<Browser*> open;
        for (const auto& [id, browser] : browsers_) open.push_back(browser);
        for (Browser* browser : open) browser->CloseBrowser(true);
        DeliverNotifications();
    }
    // Nothing runs the event loop any more: what waits for deleteLater goes now, views (with
    // their pages) before the browsers that own the rest.
    for (const QPointer<QObject>& object : disposed_) {
        if (object && object->isWidgetType()) delete object.data();
    }
    for (const QPointer<QObject>& object : disposed_) delete object.data();
    disposed_.clear();
}

}  // namespace corvane::engine
