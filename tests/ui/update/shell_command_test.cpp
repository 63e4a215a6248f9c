// Shell commands to the environment check window while it runs: the update check's outcome
// (code 1) and messages to show (code 0) from other threads.
#include <thread>

#include "UpdateFixture.h"
#include "update/U_ts.h"

namespace updatetest {
namespace {

struct OutcomeTextCase {
    const char* name;
    QString text;
    bool endsStart;
};

void PrintTo(const OutcomeTextCase& c, std::ostream* os) { *os << c.name; }

class OutcomeText : public UpdateFixture, public ::testing::WithParamInterface<OutcomeTextCase> {};

// Catches "close" compared with regard to case, another text taken for "close", and a close that
// lets the sequence run the outside updater. The component itself reports the outcome here,
// before the program's own "continue".
TEST_P(OutcomeText, EndsTheStartOnlyForClose) {
    const OutcomeTextCase& c = GetParam();
    InstallExeUpdate();
    ScriptCheckupdate([&c](const char*, const char*, char*) -> int32_t {
        corvane::SendShellCommand(corvane::NotificationWindow(), c.text,
                                  corvane::shell_code::kUpdateOutcome);
        return 0;
    });

    EXPECT_EQ(RunCheck(), !c.endsStart);

    EXPECT_EQ(corvane::update::TerminateFlag().load(), c.endsStart);
    EXPECT_EQ(runAndWaitCalls.size(), c.endsStart ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Texts, OutcomeText,
                         ::testing::Values(OutcomeTextCase{"close", "close", true},
                                           OutcomeTextCase{"CLOSE", "CLOSE", true},
                                           OutcomeTextCase{"Close", "Close", true},
                                           OutcomeTextCase{"continue", "continue", false},
                                           OutcomeTextCase{"closed", "closed", false},
                                           OutcomeTextCase{"empty", "", false}),
                         [](const auto& info) { return std::string(info.param.name); });

class MessageFromWorker : public UpdateFixture {};

// Catches a message lost, shown with the wrong caption or buttons, or not owned by the window.
TEST_F(MessageFromWorker, OpensABoxCaptionedWithTheProductTitle) {
    QWidget* checkWindow = nullptr;
    ScriptCheckupdate([&](const char*, const char*, char*) -> int32_t {
        checkWindow = corvane::update::EnvironmentCheckWindow().data();
        std::thread sender([] {
            corvane::SendShellCommand(corvane::NotificationWindow(), QStringLiteral("证书即将过期"),
                                      corvane::shell_code::kShowMessage);
        });
        sender.join();
        return 0;
    });

    EXPECT_TRUE(RunCheck());

    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Corvane"));
    EXPECT_EQ(boxes[0].text, QStringLiteral("证书即将过期"));
    EXPECT_EQ(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    ASSERT_NE(checkWindow, nullptr);
    EXPECT_EQ(boxes[0].owner, checkWindow);
}

}  // namespace
}  // namespace updatetest
