// The update-check component's one function, bound when the program is loaded (CK_update.so beside
// the executable, found through the $ORIGIN run path).
//
// settingsPath and paramsPath are zero-terminated paths in the ANSI code page (LocalConf.ini and
// qvprm.ini of the update folder); buffer is a writable area of 200 bytes that holds, on return, a
// zero-terminated description in the ANSI code page. Results: 1 = a new version exists, ask the
// user; 2 = install without asking; anything else = nothing to install. Called once per start, from
// the environment check's worker thread; it may take as long as it needs.
#pragma once

#include <cstdint>

extern "C" int32_t Checkupdate(const char* settingsPath, const char* paramsPath, char* buffer);
