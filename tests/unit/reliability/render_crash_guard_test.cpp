// When the main window reloads after its page's render process ended, and when it gives up.
#include <gtest/gtest.h>

#include <vector>

#include "browser/RenderCrash.h"

namespace corvane::browser {
namespace {

using Action = RenderCrashGuard::Action;
constexpr Action R = Action::kReload;
constexpr Action E = Action::kShowError;

struct GuardCase {
    const char* name;
    std::vector<int64_t> endsAtMs;  // when the render process ended, in order
    std::vector<Action> actions;    // what the window did each time
};

void PrintTo(const GuardCase& c, std::ostream* os) { *os << c.name; }

class RenderCrashGuardTest : public ::testing::TestWithParam<GuardCase> {};

// Catches reloading for ever, giving up on the first end, and a give-up that never lifts.
TEST_P(RenderCrashGuardTest, ReloadsUnlessItEndedAgainWithinTenSecondsOfTheReload) {
    int64_t now = 0;
    RenderCrashGuard guard([&now] { return now; });
    std::vector<Action> actions;
    for (int64_t at : GetParam().endsAtMs) {
        now = at;
        actions.push_back(guard.Next());
    }
    EXPECT_EQ(actions, GetParam().actions);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, RenderCrashGuardTest,
    ::testing::Values(GuardCase{"FirstEnd", {5000}, {R}},
                      GuardCase{"AgainJustInside", {5000, 14999}, {R, E}},
                      GuardCase{"AgainAtTheLimit", {5000, 15000}, {R, R}},
                      GuardCase{"GivenUpThenLaterAgain", {0, 3000, 12000}, {R, E, R}},
                      GuardCase{"WindowCountsFromTheLatestReload", {0, 11000, 20000}, {R, R, E}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane::browser
