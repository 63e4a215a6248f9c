// Where the update sequence meets the world outside the program: the update-check component and
// the starting of processes. The program always uses the real ones; tests put scripted or recording
// stand-ins in their place.
//
// Threads: the functions are called on the environment check's worker thread. Set them only while
// no environment check runs (before RunEnvironmentCheck, after it has returned).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace corvane::update {

using CheckupdateFunction = std::function<int32_t(const char*, const char*, char*)>;
using RunAndWaitFunction = std::function<uint32_t(const QString& commandLine, uint16_t showState)>;
// Starts program without arguments in workingFolder and does not wait for it; false when it could
// not be started, with the reason in *error.
using StartDetachedFunction =
    std::function<bool(const QString& program, const QString& workingFolder, QString* error)>;

// Null restores the real function: Checkupdate of CK_update.so, RunAndWait, StartDetached.
void SetCheckupdateFunction(CheckupdateFunction fn);
void SetRunAndWaitFunction(RunAndWaitFunction fn);
void SetStartDetachedFunction(StartDetachedFunction fn);

// The functions in force.
int32_t CallCheckupdate(const char* settingsPath, const char* paramsPath, char* buffer);
uint32_t CallRunAndWait(const QString& commandLine, uint16_t showState);
bool CallStartDetached(const QString& program, const QString& workingFolder, QString* error);

}  // namespace corvane::update
