#include "update/UpdateSeams.h"

#include <thread>

#include "update/CK_update.h"
#include "update/Uprocess.h"

namespace corvane::update {

namespace {

struct Seams {
    CheckupdateFunction checkupdate = &::Checkupdate;
    RunAndWaitFunction runAndWait = &RunAndWait;
    StartDetachedFunction startDetached = &StartDetached;
    PauseFunction pause = [](std::chrono::milliseconds duration) {
        std::this_thread::sleep_for(duration);
    };
};

Seams& InForce() {
    static Seams seams;
    return seams;
}

}  // namespace

void SetCheckupdateFunction(CheckupdateFunction fn) {
    InForce().checkupdate = fn ? std::move(fn) : Seams().checkupdate;
}
void SetRunAndWaitFunction(RunAndWaitFunction fn) {
    InForce().runAndWait = fn ? std::move(fn) : Seams().runAndWait;
}
void SetStartDetachedFunction(StartDetachedFunction fn) {
    InForce().startDetached = fn ? std::move(fn) : Seams().startDetached;
}
void SetPauseFunction(PauseFunction fn) { InForce().pause = fn ? std::move(fn) : Seams().pause; }

int32_t CallCheckupdate(const char* settingsPath, const char* paramsPath, char* buffer) {
    return InForce().checkupdate(settingsPath, paramsPath, buffer);
}
uint32_t CallRunAndWait(const QString& commandLine, uint16_t showState) {
    return InForce().runAndWait(commandLine, showState);
}
bool CallStartDetached(const QString& program, const QString& workingFolder, QString* error) {
    return InForce().startDetached(program, workingFolder, error);
}
void CallPause(std::chrono::milliseconds duration) { InForce().pause(duration); }

}  // namespace corvane::update
