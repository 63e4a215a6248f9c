#include "update/UpdateSeams.h"

#include "update/CK_update.h"
#include "update/Uprocess.h"

namespace corvane::update {

namespace {

struct Seams {
    CheckupdateFunction checkupdate = &::Checkupdate;
    RunAndWaitFunction runAndWait = &RunAndWait;
    StartDetachedFunction startDetached = &StartDetached;
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

int32_t CallCheckupdate(const char* settingsPath, const char* paramsPath, char* buffer) {
    return InForce().checkupdate(settingsPath, paramsPath, buffer);
}
uint32_t CallRunAndWait(const QString& commandLine, uint16_t showState) {
    return InForce().runAndWait(commandLine, showState);
}
bool CallStartDetached(const QString& program, const QString& workingFolder, QString* error) {
    return InForce().startDetached(program, workingFolder, error);
}

}  // namespace corvane::update
