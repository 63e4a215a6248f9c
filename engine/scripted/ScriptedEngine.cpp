#include "ScriptedEngine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPalette>
#include <QThread>
#include <stdexcept>

#include "EngineState.h"

namespace corvane::scripted {

namespace {

class JSDialogCallback final : public CefJSDialogCallback {
  public:
    explicit JSDialogCallback(JSDialogAnswer& answer) : answer_(answer) {}
    void Continue(bool success, const QString& user_input) override {
        answer_.continued = true;
        answer_.success = success;
        answer_.userInput = user_input;
    }

  private:
    JSDialogAnswer& answer_;
};

class BeforeDownloadCallback final : public CefBeforeDownloadCallback {
  public:
    explicit BeforeDownloadCallback(BeforeDownloadAnswer& answer) : answer_(answer) {}
    void Continue(const QString& download_path, bool show_dialog) override {
        answer_.continued = true;
        answer_.path = download_path;
        answer_.showDialog = show_dialog;
    }

  private:
    BeforeDownloadAnswer& answer_;
};

class DownloadItemCallback final : public CefDownloadItemCallback {
  public:
    DownloadItemCallback(int download, ScriptedDownload& record)
        : download_(download), record_(record) {}
    void Cancel() override {
        Engine().state().Record({"CancelDownload", record_.browser, {}, {}, download_});
        record_.item.state.phase = DownloadState::Canceled;
    }

  private:
    int download_;
    ScriptedDownload& record_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// State

ScriptedBrowser& ScriptedEngine::State::Get(int id) const {
    ScriptedBrowser* b = Find(id);
    if (!b) throw std::invalid_argument("scripted engine: no browser " + std::to_string(id));
    return *b;
}

ScriptedBrowser& ScriptedEngine::State::Create(bool popup, CefRefPtr<CefClient> client,
                                               QWidget* widget) {
    const int id = nextBrowser++;
    widget->setAutoFillBackground(true);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, Qt::white);
    widget->setPalette(pal);
    widget->setFocusPolicy(Qt::StrongFocus);
    auto& browser = *(browsers[id] = std::make_unique<ScriptedBrowser>(id, popup, client, widget));
    widget->show();
    Enqueue([this, id] {
        ScriptedBrowser* b = Find(id);
        if (!b || !b->client()) return;
        if (CefLifeSpanHandler* h = b->client()->GetLifeSpanHandler()) h->OnAfterCreated(b);
    });
    return browser;
}

void ScriptedEngine::State::Close(int id) {
    ScriptedBrowser* b = Find(id);
    if (!b) return;
    if (b->client())
        if (CefLifeSpanHandler* h = b->client()->GetLifeSpanHandler()) h->OnBeforeClose(b);
    browsers.erase(id);
}

bool ScriptedEngine::State::Navigate(ScriptedBrowser& browser, const QString& url, bool isRedirect,
                                     bool mainFrame) {
    bool cancel = false;
    ScriptedRequest request(url);
    ScriptedFrame subFrame(&browser, url, false);
    CefFrame* frame = mainFrame ? static_cast<CefFrame*>(&browser.mainFrame()) : &subFrame;
    if (browser.client())
        if (CefRequestHandler* h = browser.client()->GetRequestHandler())
            cancel = h->OnBeforeBrowse(&browser, frame, &request, isRedirect);
    if (!cancel && mainFrame) browser.mainFrame().SetUrl(url);
    return cancel;
}

bool ScriptedEngine::State::ignoreCertificateErrors() const {
    const auto& s = Engine().initializeSettings;
    return s && s->ignore_certificate_errors;
}

// ---------------------------------------------------------------------------------------------
// Control API

ScriptedEngine::ScriptedEngine() : state_(std::make_unique<State>()) {}
ScriptedEngine::~ScriptedEngine() = default;

ScriptedEngine& Engine() {
    static ScriptedEngine engine;
    return engine;
}

void ScriptedEngine::Reset() {
    state_->queue.clear();
    // Deleting a browser releases its client, whose destructor may call back into the program.
    auto browsers = std::move(state_->browsers);
    state_->browsers.clear();
    browsers.clear();
    state_->downloads.clear();
    state_->calls.clear();
    state_->onCreated = nullptr;
    state_->nextBrowser = 1;
    state_->nextDownload = 1;
    messageLoopWorkCalls = 0;
    maxMessageLoopWorkDepth = 0;
    printDialogOpen = false;
}

const QList<RecordedCall>& ScriptedEngine::Calls() const { return state_->calls; }

QList<RecordedCall> ScriptedEngine::CallsNamed(const QString& name) const {
    QList<RecordedCall> out;
    for (const RecordedCall& c : state_->calls)
        if (c.name == name) out.append(c);
    return out;
}

void ScriptedEngine::ClearCalls() { state_->calls.clear(); }

QList<int> ScriptedEngine::Browsers() const {
    QList<int> ids;
    for (const auto& [id, b] : state_->browsers) ids.append(id);
    return ids;
}

CefBrowser* ScriptedEngine::Browser(int id) const { return state_->Find(id); }

QWidget* ScriptedEngine::BrowserWidget(int id) const {
    ScriptedBrowser* b = state_->Find(id);
    return b ? b->GetWindowHandle() : nullptr;
}

QWidget* ScriptedEngine::DevToolsWidget(int id) const {
    ScriptedBrowser* b = state_->Find(id);
    return b ? b->devTools() : nullptr;
}

QString ScriptedEngine::MainFrameUrl(int id) const { return state_->Get(id).mainFrame().GetURL(); }

void ScriptedEngine::SetOnBrowserCreated(std::function<void(int)> hook) {
    state_->onCreated = std::move(hook);
}

void ScriptedEngine::LoadEnd(int id, int httpStatus, bool mainFrame, const QString& frameUrl) {
    state_->Get(id);
    State* s = state_.get();
    s->Enqueue([s, id, httpStatus, mainFrame, frameUrl] {
        ScriptedBrowser* b = s->Find(id);
        if (!b) return;
        if (mainFrame) b->SetHasDocument();
        ScriptedFrame subFrame(b, frameUrl, false);
        CefFrame* frame = mainFrame ? static_cast<CefFrame*>(&b->mainFrame()) : &subFrame;
        if (b->client())
            if (CefLoadHandler* h = b->client()->GetLoadHandler())
                h->OnLoadEnd(b, frame, httpStatus);
    });
}

void ScriptedEngine::LoadError(int id, int errorCode, const QString& failedUrl) {
    state_->Get(id);
    State* s = state_.get();
    s->Enqueue([s, id, errorCode, failedUrl] {
        ScriptedBrowser* b = s->Find(id);
        if (!b || !b->client()) return;
        if (CefLoadHandler* h = b->client()->GetLoadHandler()) {
            h->OnLoadError(b, &b->mainFrame(), errorCode, QStringLiteral("scripted failure"),
                           failedUrl);
            h->OnLoadEnd(b, &b->mainFrame(), 0);
        }
    });
}

void ScriptedEngine::TitleChange(int id, const QString& title) {
    state_->Get(id);
    State* s = state_.get();
    s->Enqueue([s, id, title] {
        ScriptedBrowser* b = s->Find(id);
        if (!b || !b->client()) return;
        if (CefDisplayHandler* h = b->client()->GetDisplayHandler()) h->OnTitleChange(b, title);
    });
}

int ScriptedEngine::OpenPopup(int openerId, const QString& url) {
    ScriptedBrowser& opener = state_->Get(openerId);
    auto* window = new QWidget(nullptr);
    window->setObjectName(QStringLiteral("ScriptedPopup"));
    window->resize(400, 300);
    ScriptedBrowser& popup = state_->Create(true, opener.client(), window);
    if (!url.isEmpty()) popup.QueueNavigation(url);
    return popup.GetIdentifier();
}

void ScriptedEngine::PageClosed(int id) {
    state_->Get(id);
    State* s = state_.get();
    s->Enqueue([s, id] { s->Close(id); });
}

void ScriptedEngine::RenderProcessTerminated(int id, cef_termination_status_t status,
                                             int exitCode) {
    state_->Get(id);
    State* s = state_.get();
    s->Enqueue([s, id, status, exitCode] {
        ScriptedBrowser* b = s->Find(id);
        if (!b || !b->client()) return;
        if (CefRequestHandler* h = b->client()->GetRequestHandler())
            h->OnRenderProcessTerminated(b, status, exitCode);
    });
}

void ScriptedEngine::UpdateDownload(int download, const DownloadState& state) {
    if (!state_->downloads.count(download))
        throw std::invalid_argument("scripted engine: no download " + std::to_string(download));
    State* s = state_.get();
    s->Enqueue([s, download, state] {
        ScriptedDownload& d = s->downloads.at(download);
        d.item.state = state;
        ScriptedBrowser* b = s->Find(d.browser);
        if (!b || !b->client()) return;
        DownloadItemCallback callback(download, d);
        if (CefDownloadHandler* h = b->client()->GetDownloadHandler())
            h->OnDownloadUpdated(b, &d.item, &callback);
    });
}

bool ScriptedEngine::DeliverQueued() {
    // Events queued while these are delivered wait for the next call, as in the real engine.
    QList<std::function<void()>> batch;
    batch.swap(state_->queue);
    for (auto& event : batch) event();
    return !batch.isEmpty();
}

bool ScriptedEngine::HasQueued() const { return !state_->queue.isEmpty(); }

bool ScriptedEngine::WaitUntilDelivered(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (HasQueued() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return !HasQueued();
}

bool ScriptedEngine::Navigate(int id, const QString& url, bool isRedirect, bool mainFrame) {
    return state_->Navigate(state_->Get(id), url, isRedirect, mainFrame);
}

JSDialogAnswer ScriptedEngine::JSDialog(int id, cef_jsdialog_type_t type, const QString& message,
                                        const QString& defaultPrompt, const QString& originUrl) {
    ScriptedBrowser& b = state_->Get(id);
    JSDialogAnswer answer;
    JSDialogCallback callback(answer);
    if (b.client())
        if (CefJSDialogHandler* h = b.client()->GetJSDialogHandler())
            answer.handled = h->OnJSDialog(&b, originUrl, QString(), type, message, defaultPrompt,
                                           &callback, answer.suppressMessage);
    return answer;
}

JSDialogAnswer ScriptedEngine::BeforeUnload(int id, const QString& message) {
    ScriptedBrowser& b = state_->Get(id);
    JSDialogAnswer answer;
    JSDialogCallback callback(answer);
    if (b.client())
        if (CefJSDialogHandler* h = b.client()->GetJSDialogHandler())
            answer.handled = h->OnBeforeUnloadDialog(&b, message, false, &callback);
    return answer;
}

bool ScriptedEngine::PrintRequested(int id) {
    ScriptedBrowser& b = state_->Get(id);
    CefPrintHandler* h = b.client() ? b.client()->GetPrintHandler() : nullptr;
    const bool handled = h && h->OnPrintRequested(&b);
    if (!handled) b.Print();
    return handled;
}

void ScriptedEngine::PrintDone(int id) { state_->Get(id).PrintDone(); }

BeforeDownloadAnswer ScriptedEngine::BeginDownload(int id, const QString& suggestedName,
                                                   const DownloadState& initial) {
    ScriptedBrowser& b = state_->Get(id);
    const int download = state_->nextDownload++;
    ScriptedDownload& d = state_->downloads[download];
    d.browser = id;
    d.item.id = static_cast<uint32_t>(download);
    d.item.state = initial;
    BeforeDownloadAnswer answer;
    answer.download = download;
    BeforeDownloadCallback callback(answer);
    if (b.client())
        if (CefDownloadHandler* h = b.client()->GetDownloadHandler())
            h->OnBeforeDownload(&b, &d.item, suggestedName, &callback);
    if (!answer.continued)
        d.item.state.phase = DownloadState::Canceled;
    else if (initial.fullPath.isEmpty())
        d.item.state.fullPath = answer.path;
    return answer;
}

bool ScriptedEngine::CertificateError(int id, int certError, const QString& url) {
    ScriptedBrowser& b = state_->Get(id);
    if (state_->ignoreCertificateErrors()) return true;
    if (!b.client()) return false;
    CefRequestHandler* h = b.client()->GetRequestHandler();
    return h && h->OnCertificateError(&b, certError, url);
}

bool ScriptedEngine::ContextMenuCommand(int id, int commandId) {
    ScriptedBrowser& b = state_->Get(id);
    if (!b.client()) return false;
    CefContextMenuHandler* h = b.client()->GetContextMenuHandler();
    if (!h) return false;
    h->OnBeforeContextMenu(&b, &b.mainFrame());
    return h->OnContextMenuCommand(&b, &b.mainFrame(), commandId);
}

}  // namespace corvane::scripted
