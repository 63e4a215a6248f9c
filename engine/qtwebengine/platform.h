// What the engine library needs to know about the process it runs in. Any thread.
#pragma once

#include <QString>

namespace corvane::engine {

// Absolute path of the running executable (the engine's helper processes run it too).
QString ExecutablePath();

// Folder of the running executable, without a trailing separator: relative paths handed to the
// engine (download targets) are resolved against it, never against the current directory.
QString ProgramFolder();

// True when the process runs with root rights, where Chromium's sandbox cannot start.
bool RunningAsRoot();

}  // namespace corvane::engine
