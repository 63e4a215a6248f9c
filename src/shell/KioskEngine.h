// What public terminal mode asks of the engine before it starts. UI thread, during start-up.
#pragma once

#include "config/KioskSettings.h"

namespace corvane {

// With an allowed-hosts list the engine stops accepting every certificate error by itself: the
// browser window then decides per host. Without developer tools no remote inspector may be
// switched on through the environment either.
void ApplyKioskSettings(const config::KioskSettings& kiosk);

}  // namespace corvane
