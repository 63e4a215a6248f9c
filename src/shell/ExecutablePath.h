// The path of the running executable (symbolic links resolved), known before any application
// object exists. Platform part: ExecutablePath_linux.cpp. Any thread.
#pragma once

#include <QString>

namespace corvane {

QString ExecutablePath();

}  // namespace corvane
