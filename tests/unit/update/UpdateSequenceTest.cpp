// The update sequence on its own, with the test in the window's place: it owns the step code and
// the outcome flag the sequence is linked to, and counts the close requests. No window exists, so
// no outcome can be handed over and every checked start waits for one.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "config/Settings.h"
#include "log/log4me.h"
#include "shell/AppGlob.h"
#include "update/StepCodes.h"
#include "update/UpdateFlags.h"
#include "update/UpdateSeams.h"
#include "update/UpdateSequence.h"

namespace corvane::update {
namespace {

enum class Late { None, Continue, Close, UpdaterThrows };

struct SequenceCase {
    const char* name;
    bool switchOn;
    bool exeUpdate;   // the outside updater lies beside the program
    Late late;        // what happens during the wait (or, for UpdaterThrows, in the updater)
    int checkCalls;   // each made at step kStepCheckVersion
    int pauses;       // each of one second
    int updaterRuns;  // each made at step kStepUpdateDatabase
    int finalStep;
    bool goOn;
};

void PrintTo(const SequenceCase& c, std::ostream* os) { *os << c.name; }

// The pause after which the late outcome arrives.
constexpr int kLateAfter = 3;

class UpdateSequenceTest : public ::testing::TestWithParam<SequenceCase> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        log4me::Start(dir_.path() + "/corvane");
        context_.settings = config::DefaultSettings(dir_.path() + "/");
        context_.settings.UpdateFolder = QStringLiteral("HISUPDATE/");
        NotificationWindow() = nullptr;
    }
    void TearDown() override {
        UpdateCheckSwitch() = false;
        log4me::Stop();
    }
    QTemporaryDir dir_;
    UpdateContext context_{{}, RealUpdateSeams()};
};

// Catches a step code out of place, a call of the component with the switch off, a wait of other
// than 61 pauses, a wait that misses an outcome or a "close", an updater run after a "close" or
// when it is not there, a go-on after a failure, and a close request missing in any path.
TEST_P(UpdateSequenceTest, RunsToItsEnd) {
    const SequenceCase& c = GetParam();
    UpdateCheckSwitch() = c.switchOn;
    TerminateFlag() = true;  // left over from an earlier start: cleared by the sequence
    if (c.exeUpdate) {
        QFile updater(dir_.path() + "/ExeUpdate");
        ASSERT_TRUE(updater.open(QIODevice::WriteOnly));
    }
    std::atomic<int> i_type{kStepNone};
    std::atomic<bool> b_update_end{false};
    int closeRequests = 0;
    std::vector<int> checkSteps, updaterSteps;
    std::vector<std::chrono::milliseconds> pauses;
    context_.seams.checkupdate = [&](const char*, const char*, char*) -> int32_t {
        checkSteps.push_back(i_type);
        return 0;
    };
    context_.seams.runAndWait = [&](const QString&, uint16_t) -> uint32_t {
        updaterSteps.push_back(i_type);
        if (c.late == Late::UpdaterThrows) throw std::runtime_error("updater refused");
        return 0;
    };
    context_.seams.pause = [&](std::chrono::milliseconds duration) {
        pauses.push_back(duration);
        if (int(pauses.size()) != kLateAfter) return;
        // What the window's handler of shell command code 1 does.
        if (c.late == Late::Close) TerminateFlag() = true;
        if (c.late == Late::Continue || c.late == Late::Close) b_update_end = true;
    };

    RunUpdateSequence(SequenceLink{i_type, b_update_end, [&] { ++closeRequests; }}, context_);

    EXPECT_EQ(closeRequests, 1);
    EXPECT_EQ(checkSteps, std::vector<int>(c.checkCalls, kStepCheckVersion));
    EXPECT_EQ(pauses.size(), size_t(c.pauses));
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), std::chrono::seconds(1)), c.pauses);
    EXPECT_EQ(updaterSteps, std::vector<int>(c.updaterRuns, kStepUpdateDatabase));
    EXPECT_EQ(i_type, c.finalStep);
    EXPECT_EQ(GoOnFlag(), c.goOn);
    EXPECT_EQ(TerminateFlag(), c.late == Late::Close);
}

INSTANTIATE_TEST_SUITE_P(
    Courses, UpdateSequenceTest,
    ::testing::Values(
        SequenceCase{"SwitchOff", false, true, Late::None, 0, 0, 1, kStepInitialise, true},
        SequenceCase{"NoOutcomeWaitsOut61Pauses", true, true, Late::None, 1, 61, 1, kStepInitialise,
                     true},
        SequenceCase{"LateContinue", true, true, Late::Continue, 1, kLateAfter, 1, kStepInitialise,
                     true},
        SequenceCase{"LateClose", true, true, Late::Close, 1, kLateAfter, 0, kStepCheckVersion,
                     false},
        SequenceCase{"NoOutsideUpdater", false, false, Late::None, 0, 0, 0, kStepInitialise, true},
        SequenceCase{"UpdaterThrows", false, true, Late::UpdaterThrows, 0, 0, 1,
                     kStepUpdateDatabase, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane::update
