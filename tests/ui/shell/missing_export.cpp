// Engine libraries the program must refuse as "Invalid CEF Library version", built from this one
// file: CORVANE_TEST_LIBRARY names which.
//   1  every entry point but one (no cef_do_message_loop_work): an incomplete engine
//   2  every entry point of the interface, built for another interface version
//   3  the engine entry points without the interface handshake, as a real CEF libcef.so has them
#include "cef_engine.h"

// The C entry points take and give the interface's own types.
using namespace corvane::engine_interface;

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT int cef_execute_process(const CefMainArgs*, CefApp*, void*) { return -1; }
EXPORT int cef_initialize(const CefMainArgs*, const CefSettings*, CefApp*, void*) { return 1; }
EXPORT void cef_shutdown() {}
EXPORT CefBrowser* cef_browser_host_create_browser_sync(const CefWindowInfo*, CefClient*,
                                                        const QString*, const CefBrowserSettings*) {
    return nullptr;
}
EXPORT int cef_reset_session() { return 0; }
EXPORT void cef_set_ignore_certificate_errors(int) {}
#if CORVANE_TEST_LIBRARY != 1
EXPORT void cef_do_message_loop_work() {}
#endif
#if CORVANE_TEST_LIBRARY == 1
EXPORT int corvane_engine_interface_version() { return kCorvaneEngineInterfaceVersion; }
#elif CORVANE_TEST_LIBRARY == 2
EXPORT int corvane_engine_interface_version() { return kCorvaneEngineInterfaceVersion + 1; }
#endif
