// The UI stall trace: what it reports must cover a spell in which the thread served no timer, and
// without its switch it must not run at all (it is meant to cost nothing in normal use).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "shell/UiStallTrace.h"

namespace {

constexpr int kBusyMs = 300;

class UiStallTraceTest : public ::testing::Test {
  protected:
    int argc_ = 1;
    char name_[16] = "stall_trace";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication app_{argc_, argv_};
};

// Would catch a probe that misses a stall: its clock restarted in the wrong place, the gap lost
// between periods, or reports that never come.
TEST_F(UiStallTraceTest, ReportsAGapAtLeastAsLongAsTheThreadWasBusy) {
    std::vector<double> reports;
    corvane::UiStallProbe probe([&reports](double ms) { reports.push_back(ms); }, 100, nullptr);
    QTimer::singleShot(50, &probe,
                       [] { std::this_thread::sleep_for(std::chrono::milliseconds(kBusyMs)); });

    const auto covered = [&reports] {
        return std::any_of(reports.begin(), reports.end(), [](double ms) { return ms >= kBusyMs; });
    };
    QElapsedTimer waited;
    waited.start();
    while (!covered() && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_TRUE(covered()) << "no report of " << kBusyMs << " ms or more among " << reports.size();
}

// Would catch a trace that runs without being asked for.
TEST_F(UiStallTraceTest, DoesNotRunWithoutItsSwitch) {
    qunsetenv("CORVANE_TRACE_UI_STALLS");
    const qsizetype before = app_.children().size();
    EXPECT_FALSE(corvane::StartUiStallTrace());
    EXPECT_EQ(app_.children().size(), before);
}

}  // namespace
