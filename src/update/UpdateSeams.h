// Where the update sequence meets the world outside the program: the update-check component, the
// starting of processes and the clock it pauses on.
//
// Threads: the functions are called on the environment check's worker thread.
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

// The outside world the update sequence calls. The entry gives the real one; tests give scripted
// or recording stand-ins.
struct UpdateSeams {
    CheckupdateFunction checkupdate;
    RunAndWaitFunction runAndWait;
    StartDetachedFunction startDetached;
    PauseFunction pause;
};

// Checkupdate of CK_update.so, RunAndWait, StartDetached, a sleep of the calling thread.
UpdateSeams RealUpdateSeams();

}  // namespace corvane::update
