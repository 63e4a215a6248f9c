// The exported entry points of the scripted engine (looked up by the shell with dlsym).
#include <QApplication>
#include <type_traits>

#include "EngineState.h"
#include "ScriptedExports.h"

// The C entry points take and give the interface's own types.
using namespace corvane::engine_interface;

namespace {

using corvane::scripted::Engine;
using corvane::scripted::RecordedCall;
using corvane::scripted::ScriptedBrowser;

QStringList Arguments(const CefMainArgs* args) {
    QStringList out;
    if (!args) return out;
    for (int i = 0; i < args->argc; ++i) out << QString::fromLocal8Bit(args->argv[i]);
    return out;
}

// A helper process carries "--type=<process type>"; an empty type is the browser process, as in
// Chromium's own switch parsing.
bool IsHelper(const QStringList& args) {
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--")) return false;  // what follows is not a switch
        if (args[i].startsWith(QLatin1String("--type=")) && args[i].size() > 7) return true;
    }
    return false;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int corvane_engine_interface_version() {
    return kCorvaneEngineInterfaceVersion;
}

__attribute__((visibility("default"))) int cef_execute_process(const CefMainArgs* args,
                                                               CefApp* /*app*/,
                                                               void* /*sandbox_info*/) {
    auto& e = Engine();
    ++e.executeProcessCalls;
    e.executeProcessArgs = Arguments(args);
    e.applicationAtExecuteProcess = QCoreApplication::instance() != nullptr;
    return IsHelper(e.executeProcessArgs) ? 0 : -1;
}

__attribute__((visibility("default"))) int cef_initialize(const CefMainArgs* args,
                                                          const CefSettings* settings, CefApp* app,
                                                          void* /*sandbox_info*/) {
    auto& e = Engine();
    ++e.initializeCalls;
    e.initializeArgs = Arguments(args);
    e.initializeSettings = settings ? *settings : CefSettings{};
    e.applicationAtInitialize =
        qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
    e.state().app = app;
    return 1;
}

__attribute__((visibility("default"))) void cef_do_message_loop_work() {
    auto& e = Engine();
    ++e.messageLoopWorkCalls;
    auto& s = e.state();
    e.maxMessageLoopWorkDepth = std::max(e.maxMessageLoopWorkDepth, ++s.workDepth);
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{s.workDepth};
    e.DeliverQueued();
}

__attribute__((visibility("default"))) void cef_shutdown() {
    auto& e = Engine();
    ++e.shutdownCalls;
    auto& s = e.state();
    s.queue.clear();
    // Every browser still open gets its last event, then the engine lets go of everything.
    while (!s.browsers.empty()) s.Close(s.browsers.begin()->first);
    s.downloads.clear();
    s.app = nullptr;
}

__attribute__((visibility("default"))) CefBrowser* cef_browser_host_create_browser_sync(
    const CefWindowInfo* window_info, CefClient* client, const QString* url,
    const CefBrowserSettings* /*settings*/) {
    auto& s = Engine().state();
    const QString start = url ? *url : QString();
    auto* widget = new QWidget(window_info ? window_info->parent : nullptr);
    widget->setObjectName(QStringLiteral("ScriptedBrowser"));
    if (window_info) widget->setGeometry(window_info->rect);
    ScriptedBrowser& browser = s.Create(false, client, widget);
    s.Record({"create", browser.GetIdentifier(), start,
              window_info ? window_info->window_name : QString()});
    if (!start.isEmpty()) browser.QueueNavigation(start);
    if (s.onCreated) s.onCreated(browser.GetIdentifier());
    return &browser;
}

// Records the call and ends the session as the real engine does, in the scripted terms: pop-ups
// and developer tools close, downloads are forgotten without further events, and the shell's
// browsers show an empty page.
__attribute__((visibility("default"))) int cef_reset_session() {
    auto& s = Engine().state();
    s.Record({"ResetSession", 0});
    s.downloads.clear();
    for (const auto& [id, browser] : s.browsers) {
        if (browser->IsPopup()) {
            browser->CloseBrowser(true);
        } else {
            if (browser->devTools()) browser->CloseDevTools();
            browser->mainFrame().SetUrl(QStringLiteral("about:blank"));
        }
    }
    return 1;
}

__attribute__((visibility("default"))) void cef_set_ignore_certificate_errors(int ignore) {
    auto& e = Engine();
    e.state().Record({"SetIgnoreCertificateErrors", 0, {}, {}, 0, ignore != 0});
    if (e.initializeSettings) e.initializeSettings->ignore_certificate_errors = ignore != 0;
}

// For hosts that load the engine at run time (ScriptedExports.h).
__attribute__((visibility("default"))) int corvane_scripted_load_end(int id, int http_status) {
    auto& e = Engine();
    if (!e.Browser(id)) return 0;
    e.LoadEnd(id, http_status);
    return 1;
}

__attribute__((visibility("default"))) int corvane_scripted_title_change(int id,
                                                                         const QString* title) {
    auto& e = Engine();
    if (!e.Browser(id) || !title) return 0;
    e.TitleChange(id, *title);
    return 1;
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&corvane_scripted_load_end), corvane_scripted_load_end_t>);
static_assert(
    std::is_same_v<decltype(&corvane_scripted_title_change), corvane_scripted_title_change_t>);
