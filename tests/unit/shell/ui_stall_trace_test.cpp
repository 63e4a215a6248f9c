// The UI stall trace: what it reports must cover a spell in which the thread served no timer, and
// tell a thread that waited from one that worked; without its switch it must not run at all (it is
// meant to cost nothing in normal use).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <functional>
#include <ostream>
#include <thread>
#include <vector>

#include "shell/UiStallTrace.h"

namespace {

constexpr double kSpellMs = 300;

void Sleep() { std::this_thread::sleep_for(std::chrono::milliseconds(int(kSpellMs))); }

// Works until the thread itself has used kSpellMs of processor time, however loaded the machine.
void Work() {
    const qint64 until = corvane::CurrentThreadTimes().runningNs + qint64(kSpellMs * 1e6);
    while (corvane::CurrentThreadTimes().runningNs < until) {
    }
}

struct Spell {
    const char* name;
    std::function<void()> hold;
    bool busy;  // whether the thread used processor time through the spell
};

void PrintTo(const Spell& spell, std::ostream* out) { *out << spell.name; }

class UiStallTraceTest : public ::testing::Test {
  protected:
    int argc_ = 1;
    char name_[16] = "stall_trace";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication app_{argc_, argv_};
};

class UiStallSpellTest : public UiStallTraceTest, public ::testing::WithParamInterface<Spell> {};

// Would catch a probe that misses a stall (its clock restarted in the wrong place, the gap lost
// between periods, reports that never come) or that counts the wrong span of processor time.
TEST_P(UiStallSpellTest, ReportsTheSpellAsAGapAndWhetherTheThreadWorkedThroughIt) {
    using Report = corvane::UiStallProbe::Stall;
    std::vector<Report> reports;
    corvane::UiStallProbe probe([&reports](const Report& stall) { reports.push_back(stall); }, 100,
                                nullptr);
    QTimer::singleShot(50, &probe, GetParam().hold);

    const auto spell = [&reports]() -> const Report* {
        for (const Report& r : reports)
            if (r.gapMs >= kSpellMs) return &r;
        return nullptr;
    };
    QElapsedTimer waited;
    waited.start();
    while (!spell() && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const Report* found = spell();
    ASSERT_NE(found, nullptr) << "no gap of " << kSpellMs << " ms among " << reports.size();
    if (GetParam().busy)
        EXPECT_GE(found->busyMs, kSpellMs);
    else
        EXPECT_LT(found->busyMs, kSpellMs / 3);
}

INSTANTIATE_TEST_SUITE_P(Spells, UiStallSpellTest,
                         ::testing::Values(Spell{"Sleeping", Sleep, false},
                                           Spell{"Working", Work, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Would catch a trace that runs without being asked for.
TEST_F(UiStallTraceTest, DoesNotRunWithoutItsSwitch) {
    qunsetenv("CORVANE_TRACE_UI_STALLS");
    const qsizetype before = app_.children().size();
    EXPECT_FALSE(corvane::StartUiStallTrace());
    EXPECT_EQ(app_.children().size(), before);
}

}  // namespace
