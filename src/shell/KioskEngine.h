// What public terminal mode asks of the engine once the configuration is read. UI thread, during
// start-up, after the engine has started.
#pragma once

#include "config/KioskSettings.h"

namespace corvane {

// With an allowed-hosts list the engine stops accepting every certificate error by itself: the
// browser window then decides per host.
void ApplyKioskSettings(const config::KioskSettings& kiosk);

}  // namespace corvane
