// Loading the engine library (CefLib/libcef.so in the program folder), starting it, pumping its
// work on the UI thread and shutting it down. UI thread only.
#pragma once

#include <QString>
#include <stdexcept>

#include "cef_engine.h"

namespace corvane::engine {

// Raised by StartEngine when the library cannot be loaded or lacks an entry point.
class EngineLoadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The loaded entry points (all null before StartEngine).
struct EngineApi {
#define CORVANE_ENGINE_MEMBER(name) name##_t name = nullptr;
    CEF_ENGINE_EXPORTS(CORVANE_ENGINE_MEMBER)
#undef CORVANE_ENGINE_MEMBER
};
const EngineApi& Api();

// "CefLib/libcef.so" resolved against the program folder.
QString EngineLibraryPath(const QString& programFolder);
// "cache" in the program folder: the engine's cache and storage, wiped at every start.
QString CacheFolder(const QString& programFolder);

// True when the command line is that of an engine helper process: an argument (after the program
// name, before a "--") "--type=" followed by a process type. The engine's own test; the entry uses
// it to leave the main process's cache alone in helpers.
bool IsEngineHelperCommandLine(int argc, char** argv);

// The engine settings before the start-up fills them: no engine log, the user's language. The
// entry keeps them in its context; its module start-up turns on ignore_certificate_errors,
// StartupCheck sets cache_path and single_process, and StartEngine hands them to cef_initialize.
CefSettings DefaultEngineSettings();

// Wipes "cache" in the program folder (never in the current directory) and turns on
// ignore_certificate_errors. The main process calls it before the engine is initialised.
void WipeCacheAndIgnoreCertificateErrors(const QString& programFolder, CefSettings& settings);

// Loads the library and runs execute-process / initialise. True: initialised in this process.
// False: this process was an engine helper and its work has finished. Throws EngineLoadError.
// The library is the one in programFolder (EngineLibraryPath).
bool StartEngine(int argc, char** argv, const QString& programFolder, const CefSettings& settings);

// Browser clients register on creation and unregister when released; while any is registered a
// 10 ms timer calls cef_do_message_loop_work (never re-entered from a nested loop).
void RegisterBrowserClient();
void UnregisterBrowserClient();
int RegisteredBrowserClients();
bool IsPumping();  // the pump timer exists

// At the end of the process, after the windows are gone: shutdown (only where initialised here),
// then the application object is destroyed (the engine hooks into its teardown, so it must go
// while the engine's code is still loaded), then the library is released.
void ShutdownEngine();
bool IsInitialisedHere();

}  // namespace corvane::engine
