// The engine's helper processes (renderer, GPU, zygote, utility) run the program's own executable.
// Chromium starts them with a "--type=<kind>" switch; this is how they are told apart from the
// main process. Called before any QCoreApplication exists, on the process's first thread.
#pragma once

namespace corvane::engine {

// True when the arguments carry a "--type=" switch with a value before any "--" terminator, as
// Chromium's own switch parser reads it. argv[0] is the program and is not looked at.
bool IsHelperProcess(int argc, char** argv);

// Runs the helper to its end and returns its exit code. Creates the process's only
// QCoreApplication (a helper never has a QApplication and never opens a window).
int RunHelperProcess(int argc, char** argv);

}  // namespace corvane::engine
