#include "shell/KioskEngine.h"

#include "shell/EngineBootstrap.h"

namespace corvane {

void ApplyKioskSettings(const config::KioskSettings& kiosk) {
    if (kiosk.Hosts.AllowsAny()) return;
    // The engine runs already: its start settings no longer matter, the switch does.
    if (const auto set = engine::Api().cef_set_ignore_certificate_errors) set(0);
}

}  // namespace corvane
