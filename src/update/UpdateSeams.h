// Where the update sequence meets the world outside the program: the update-check component, the
// starting of processes and the clock it pauses on. The program always uses the real ones; tests
// put scripted or recording stand-ins in their place.
//
// Threads: the functions are called on the environment check's worker thread. Set them only while
// no environment check runs (before RunEnvironmentCheck, after it has returned).
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>

namespace corvane::update {

using CheckupdateFunction = std::function<int32_t(const char*, const char*, char*)>;
using RunAndWaitFunction = std::function<uint32_t(const QString& commandLine, uint16_t showState)>;
// Starts program without arguments in workingFolder and does not wait for it; false when it could
// not be started, with the reason in *error.
using StartDetachedFunction =
    std::function<bool(const QString& program, const QString& workingFolder, QString* error)>;
// Lets the given time pass on the calling thread.
using PauseFunction = std::function<void(std::chrono::milliseconds duration)>;

// Null restores the real function: Checkupdate of CK_update.so, RunAndWait, StartDetached, a
// sleep of the calling thread.
void SetCheckupdateFunction(CheckupdateFunction fn);
void SetRunAndWaitFunction(RunAndWaitFunction fn);
void SetStartDetachedFunction(StartDetachedFunction fn);
void SetPauseFunction(PauseFunction fn);

// The functions in force.
int32_t CallCheckupdate(const char* settingsPath, const char* paramsPath, char* buffer);
uint32_t CallRunAndWait(const QString& commandLine, uint16_t showState);
bool CallStartDetached(const QString& program, const QString& workingFolder, QString* error);
void CallPause(std::chrono::milliseconds duration);

}  // namespace corvane::update
