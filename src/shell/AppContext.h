// The application's context: made once by the entry, filled during start-up from the program's
// place and its configuration, and passed to what needs it. Nothing else holds these values.
//
// UI thread. Written during start-up only; read-only once the main window exists.
#pragma once

#include "cef_engine.h"
#include "config/Settings.h"

namespace corvane {

struct AppContext {
    // The deployment values, the program folder first (see config::AppSettings).
    config::AppSettings settings;
    // What cef_initialize is given.
    CefSettings engineSettings;
};

}  // namespace corvane
