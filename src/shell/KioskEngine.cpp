#include "shell/KioskEngine.h"

#include <QtGlobal>

#include "shell/EngineBootstrap.h"

namespace corvane {

void ApplyKioskSettings(const config::KioskSettings& kiosk) {
    if (!kiosk.Hosts.AllowsAny()) engine::Settings().ignore_certificate_errors = false;
    if (!kiosk.DevTools) {
        engine::Settings().remote_debugging_port = 0;
        qunsetenv("QTWEBENGINE_REMOTE_DEBUGGING");
    }
}

}  // namespace corvane
