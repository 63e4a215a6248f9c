#include "shell/EngineBootstrap.h"
#include "shell/UiLanguage.h"

#include <QFile>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "log/Diagnostic.h"
#include "shell/Application.h"
#include "shell/DynamicLibrary.h"
#include "shell/FloatingPoint.h"

namespace corvane::engine {

namespace {

struct EngineState {
    std::unique_ptr<DynamicLibrary> library;  // none: not loaded
    EngineApi api;
    bool initialisedHere = false;
    CefRefPtr<CefApp> app;
    // The command line handed to the engine, kept for the process's life (the engine may hold
    // on to it, and Qt rewrites the real argv when the application object is created).
    std::vector<std::string> argStore;
    std::vector<char*> argv;
    CefMainArgs mainArgs;

    std::atomic<int> clients{0};
    QTimer* pump = nullptr;
    bool pumpRunning = false;
};

EngineState& S() {
    static EngineState state;
    return state;
}

void PumpTick() {
    EngineState& s = S();
    if (s.pumpRunning || s.clients.load() <= 0 || !s.api.cef_do_message_loop_work) return;
    s.pumpRunning = true;
    struct ClearFlag {
        ~ClearFlag() { S().pumpRunning = false; }
    } clear;
    try {
        s.api.cef_do_message_loop_work();
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + QString::fromUtf8(e.what()));
    } catch (...) {
        ReportDiagnostic(QStringLiteral("error^engine work failed"));
    }
}

void DropPump() {
    EngineState& s = S();
    if (!s.pump) return;
    QTimer* timer = s.pump;
    s.pump = nullptr;
    timer->stop();
    // The last client can go inside the engine's work call, that is inside this timer's tick.
    if (s.pumpRunning)
        timer->deleteLater();
    else
        delete timer;
}

}  // namespace

const EngineApi& Api() { return S().api; }

QString EngineLibraryPath(const QString& programFolder) {
    return programFolder + QStringLiteral("CefLib/") + QStringLiteral("libcef.so");
}

QString CacheFolder(const QString& programFolder) {
    return programFolder + QStringLiteral("cache");
}

CefSettings DefaultEngineSettings() {
    CefSettings s;
    s.log_severity = LOGSEVERITY_DISABLE;
    s.locale = EngineLocale();
    return s;
}

bool IsEngineHelperCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc && argv[i]; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--") return false;  // what follows is not a switch
        if (arg.size() > 7 && arg.starts_with("--type=")) return true;
    }
    return false;
}

void WipeCacheAndIgnoreCertificateErrors(const QString& programFolder, CefSettings& settings) {
    // Without a program folder there is no cache of ours to wipe; never fall back to the
    // current directory, which belongs to whoever started the program.
    if (!programFolder.isEmpty()) {
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(CacheFolder(programFolder)).toStdString(),
                                    ignored);
    }
    settings.ignore_certificate_errors = true;
}

bool StartEngine(int argc, char** argv, const QString& programFolder, const CefSettings& settings) {
    EngineState& s = S();
    if (s.library) return true;

    MaskFloatingPointExceptions();

    int errorCode = 0;
    QString errorText;
    std::unique_ptr<DynamicLibrary> library =
        DynamicLibrary::Load(EngineLibraryPath(programFolder), &errorCode, &errorText);
    if (!library)
        throw EngineLoadError(QStringLiteral("System Error.  Code: %1.\r\n%2")
                                  .arg(QString::number(errorCode), errorText)
                                  .toStdString());

    EngineApi api;
    bool complete = true;
#define CORVANE_ENGINE_LOOKUP(name)                                \
    api.name = reinterpret_cast<name##_t>(library->Symbol(#name)); \
    complete = complete && api.name != nullptr;
    CEF_ENGINE_EXPORTS(CORVANE_ENGINE_LOOKUP)
#undef CORVANE_ENGINE_LOOKUP
    if (!complete || api.corvane_engine_interface_version() != kCorvaneEngineInterfaceVersion)
        throw EngineLoadError("Invalid CEF Library version");

    s.library = std::move(library);
    s.api = api;
    s.argStore.assign(argv, argv + argc);
    s.argv.clear();
    for (std::string& a : s.argStore) s.argv.push_back(a.data());
    s.argv.push_back(nullptr);
    s.mainArgs = {argc, s.argv.data()};
    s.app = new CefApp;

    if (s.api.cef_execute_process(&s.mainArgs, s.app.get(), nullptr) >= 0) return false;

    Application();  // the engine's windows need it, and a helper never got this far
    s.api.cef_initialize(&s.mainArgs, &settings, s.app.get(), nullptr);
    s.initialisedHere = true;
    return true;
}

void RegisterBrowserClient() {
    EngineState& s = S();
    if (s.clients.load() == 0 && !s.pump) {
        s.pump = new QTimer;
        s.pump->setInterval(10);
        QObject::connect(s.pump, &QTimer::timeout, s.pump, &PumpTick);
        s.pump->start();
    }
    s.clients.fetch_add(1);
}

void UnregisterBrowserClient() {
    EngineState& s = S();
    int count = s.clients.load();
    while (count > 0 && !s.clients.compare_exchange_weak(count, count - 1)) {
    }
    if (count == 1) DropPump();
}

int RegisteredBrowserClients() { return S().clients.load(); }

bool IsPumping() { return S().pump != nullptr; }

bool IsInitialisedHere() { return S().initialisedHere; }

void ShutdownEngine() {
    EngineState& s = S();
    if (!s.library) {
        // No engine in this process (missing or unloadable), but a box may have created the
        // application object: it goes now, not among the static objects at exit, after Qt's own
        // have gone (a crash on the way out).
        DestroyApplication();
        return;
    }
    if (s.initialisedHere) {
        s.api.cef_shutdown();
        s.initialisedHere = false;
    }
    DropPump();
    s.app = nullptr;
    DestroyApplication();
    s.api = EngineApi();
    s.library.reset();
}

}  // namespace corvane::engine
