#include "ScriptedBrowser.h"

#include "EngineState.h"

namespace corvane::scripted {

namespace {
ScriptedEngine::State& state() { return Engine().state(); }
}  // namespace

void ScriptedFrame::LoadURL(const QString& url) {
    state().Record({"LoadURL", browser_->GetIdentifier(), url});
    browser_->QueueNavigation(url);
}

void ScriptedFrame::ExecuteJavaScript(const QString& code, const QString& script_url,
                                      int start_line) {
    state().Record({"ExecuteJavaScript", browser_->GetIdentifier(), code, script_url, start_line});
}

ScriptedBrowser::ScriptedBrowser(int id, bool popup, CefRefPtr<CefClient> client, QWidget* widget)
    : id_(id),
      popup_(popup),
      client_(std::move(client)),
      mainFrame_(this, QString(), true),
      widget_(widget) {}

ScriptedBrowser::~ScriptedBrowser() {
    delete devTools_.data();
    delete widget_.data();
}

void ScriptedBrowser::StopLoad() { state().Record({"StopLoad", id_}); }

void ScriptedBrowser::CloseBrowser(bool force_close) {
    state().Record({"CloseBrowser", id_, {}, {}, 0, force_close});
    if (closing_) return;
    closing_ = true;
    const int id = id_;
    state().Enqueue([id] { state().Close(id); });
}

bool ScriptedBrowser::Print() {
    // One print at a time, as in the real engine: none while a print dialog is open, and none
    // of a page whose last print has not ended.
    const bool accepted = !Engine().printDialogOpen && !printing_;
    if (accepted) printing_ = true;
    state().Record({"Print", id_, {}, {}, 0, accepted});
    return accepted;
}

void ScriptedBrowser::ShowDevTools(const CefWindowInfo& window_info, CefClient* client,
                                   const CefBrowserSettings& /*settings*/,
                                   const QPoint* inspect_element_at) {
    state().Record({"ShowDevTools",
                    id_,
                    window_info.window_name,
                    {},
                    inspect_element_at != nullptr ? 1 : 0,
                    client != nullptr});
    if (devTools_) return;  // the engine keeps one developer tools window per browser
    auto* tools = new QWidget(window_info.parent);
    tools->setObjectName(QStringLiteral("ScriptedDevTools"));
    tools->setGeometry(window_info.rect);
    tools->show();
    devTools_ = tools;
}

void ScriptedBrowser::CloseDevTools() {
    state().Record({"CloseDevTools", id_});
    delete devTools_.data();
}

void ScriptedBrowser::QueueNavigation(const QString& url) {
    const int id = id_;
    state().Enqueue([id, url] {
        if (ScriptedBrowser* b = state().Find(id)) state().Navigate(*b, url, false, true);
    });
}

}  // namespace corvane::scripted
