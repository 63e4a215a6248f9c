// The library's entry points: the only symbols it exports. Each one is the boundary of its
// operation: nothing thrown inside leaves it.
#include <QCoreApplication>
#include <QThread>
#include <QUrl>
#include <exception>
#include <type_traits>

#include "browser.h"
#include "cef_engine.h"
#include "engine_context.h"
#include "helper_process.h"

// The C entry points take and give the interface's own types.
using namespace corvane::engine_interface;

#define CORVANE_ENGINE_EXPORT extern "C" __attribute__((visibility("default")))

using corvane::engine::Browser;
using corvane::engine::BrowserKind;
using corvane::engine::EngineContext;

namespace {

void ReportFailure(const char* entry, const std::exception* e) {
    qWarning("Corvane engine: %s failed: %s", entry, e ? e->what() : "unknown error");
}

bool OnUiThread(const char* entry) {
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread()) return true;
    qWarning("Corvane engine: %s called off the UI thread", entry);
    return false;
}

}  // namespace

CORVANE_ENGINE_EXPORT int corvane_engine_interface_version() {
    return kCorvaneEngineInterfaceVersion;
}

CORVANE_ENGINE_EXPORT int cef_execute_process(const CefMainArgs* args, CefApp* /*app*/,
                                              void* /*sandbox_info*/) {
    if (!args || !corvane::engine::IsHelperProcess(args->argc, args->argv)) return -1;
    try {
        return corvane::engine::RunHelperProcess(args->argc, args->argv);
    } catch (const std::exception& e) {
        ReportFailure("cef_execute_process", &e);
    } catch (...) {
        ReportFailure("cef_execute_process", nullptr);
    }
    return 1;
}

CORVANE_ENGINE_EXPORT int cef_initialize(const CefMainArgs* /*args*/, const CefSettings* settings,
                                         CefApp* app, void* /*sandbox_info*/) {
    if (!settings || !OnUiThread("cef_initialize")) return 0;
    try {
        return EngineContext::Start(*settings, app) ? 1 : 0;
    } catch (const std::exception& e) {
        ReportFailure("cef_initialize", &e);
    } catch (...) {
        ReportFailure("cef_initialize", nullptr);
    }
    return 0;
}

CORVANE_ENGINE_EXPORT void cef_do_message_loop_work() {
    EngineContext* engine = EngineContext::Get();
    if (!engine || !OnUiThread("cef_do_message_loop_work")) return;
    try {
        engine->DeliverNotifications();
    } catch (const std::exception& e) {
        ReportFailure("cef_do_message_loop_work", &e);
    } catch (...) {
        ReportFailure("cef_do_message_loop_work", nullptr);
    }
}

CORVANE_ENGINE_EXPORT void cef_shutdown() {
    if (!EngineContext::Get() || !OnUiThread("cef_shutdown")) return;
    try {
        EngineContext::Stop();
    } catch (const std::exception& e) {
        ReportFailure("cef_shutdown", &e);
    } catch (...) {
        ReportFailure("cef_shutdown", nullptr);
    }
}

CORVANE_ENGINE_EXPORT CefBrowser* cef_browser_host_create_browser_sync(
    const CefWindowInfo* window_info, CefClient* client, const QString* url,
    const CefBrowserSettings* /*settings*/) {
    EngineContext* engine = EngineContext::Get();
    if (!engine || !window_info || !OnUiThread("cef_browser_host_create_browser_sync"))
        return nullptr;
    try {
        Browser* browser =
            engine->CreateBrowser(BrowserKind::kShell, window_info->parent, window_info->rect,
                                  client, window_info->window_name);
        if (url && !url->isEmpty()) browser->GetMainFrame()->LoadURL(*url);
        return browser;
    } catch (const std::exception& e) {
        ReportFailure("cef_browser_host_create_browser_sync", &e);
    } catch (...) {
        ReportFailure("cef_browser_host_create_browser_sync", nullptr);
    }
    return nullptr;
}

CORVANE_ENGINE_EXPORT int cef_reset_session() {
    EngineContext* engine = EngineContext::Get();
    if (!engine || !OnUiThread("cef_reset_session")) return 0;
    try {
        engine->ResetSession();
        return 1;
    } catch (const std::exception& e) {
        ReportFailure("cef_reset_session", &e);
    } catch (...) {
        ReportFailure("cef_reset_session", nullptr);
    }
    return 0;
}

CORVANE_ENGINE_EXPORT void cef_set_ignore_certificate_errors(int ignore) {
    EngineContext* engine = EngineContext::Get();
    if (!engine || !OnUiThread("cef_set_ignore_certificate_errors")) return;
    engine->SetIgnoreCertificateErrors(ignore != 0);
}

// The exports keep exactly the types the shell looks them up with.
#define CORVANE_ENGINE_CHECK_EXPORT(name) \
    static_assert(std::is_same_v<decltype(&name), name##_t>, #name " has the wrong type");
CEF_ENGINE_EXPORTS(CORVANE_ENGINE_CHECK_EXPORT)
