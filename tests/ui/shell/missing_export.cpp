// An engine library with every entry point but one (no cef_do_message_loop_work): the program
// must refuse it as an incomplete engine.
#include "cef_engine.h"

extern "C" {
__attribute__((visibility("default"))) int cef_execute_process(const CefMainArgs*, CefApp*, void*) {
    return -1;
}
__attribute__((visibility("default"))) int cef_initialize(const CefMainArgs*, const CefSettings*,
                                                          CefApp*, void*) {
    return 1;
}
__attribute__((visibility("default"))) void cef_shutdown() {}
__attribute__((visibility("default"))) CefBrowser* cef_browser_host_create_browser_sync(
    const CefWindowInfo*, CefClient*, const QString*, const CefBrowserSettings*) {
    return nullptr;
}
}
