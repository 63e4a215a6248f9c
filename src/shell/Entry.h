// The program's entry: module start-up, the start-up gates, the application set-up, the
// environment check, the main window's message loop and the ending, in that order.
#pragma once

namespace corvane {

// Runs the program and returns its exit code: 0 for every orderly end (a refused start and an
// engine helper process included), 1 when a failure escapes the start-up (an "Application Error"
// box has shown it). Main thread, once per process; argv must live as long as the process.
int RunCorvane(int argc, char** argv);

}  // namespace corvane
