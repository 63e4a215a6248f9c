// Process-wide state of the start-up's update sequence, shared by the environment check window,
// the sequence on its worker thread and the entry. Each item has one writer at a time.
#pragma once

#include <atomic>

namespace corvane::update {

// The update check switch: set by the entry (UI thread) before RunEnvironmentCheck; read by the
// worker, which starts afterwards.
bool& UpdateCheckSwitch();
// Set by the shell command handler when the update check asked the program to close; cleared by
// the worker at its start.
std::atomic<bool>& TerminateFlag();
// Set by the worker at the end of a normal sequence; cleared at its start.
std::atomic<bool>& GoOnFlag();

}  // namespace corvane::update
