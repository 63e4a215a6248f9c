// What the start does with the component's answer: install through the launcher (the start ends),
// or go on to the outside updater; the question for result 1 in its two forms.
#include <QDir>
#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "UpdateFixture.h"
#include "update/U_ts.h"

namespace updatetest {
namespace {

const QString kQuestion = QStringLiteral("软件有新的更新，是否立即升级？");

struct OutcomeCase {
    const char* name;
    int result;
    QString description;
    QMessageBox::StandardButton answer;
    QString question;  // empty: no question
    bool installs;
};

void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }

class UpdateOutcome : public UpdateFixture, public ::testing::WithParamInterface<OutcomeCase> {};

// Catches a question shown when none is due (or with the wrong text, buttons or icon, or below
// the wait window), a launcher not started or started from the wrong folder, a start that goes on
// after an install, an updater run after one, and a wait for an outcome that was handed over.
TEST_P(UpdateOutcome, InstallsOrGoesOn) {
    const OutcomeCase& c = GetParam();
    WriteLocalConf(c.result, c.description);
    InstallExeUpdate();
    boxAnswer = c.answer;

    EXPECT_EQ(RunCheck(), !c.installs);

    EXPECT_TRUE(Pauses().empty());
    const auto boxes = Boxes();
    if (c.question.isEmpty()) {
        EXPECT_TRUE(boxes.empty());
    } else {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.question);
        EXPECT_EQ(boxes[0].caption, QStringLiteral("系统提示"));
        EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
        EXPECT_TRUE(boxes[0].topmost);
        EXPECT_EQ(boxes[0].owner, nullptr);
    }
    if (c.installs) {
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].first, UpdateFolder() + "FUpdate");
        EXPECT_EQ(started[0].second, UpdateFolder());
        const QStringList lines = LauncherLogLines();
        ASSERT_EQ(lines.size(), 1);
        EXPECT_TRUE(lines[0].endsWith(" " + QDir(UpdateFolder()).canonicalPath()))
            << lines[0].toStdString();
        EXPECT_TRUE(runAndWaitCalls.isEmpty());
        EXPECT_TRUE(corvane::update::TerminateFlag());
    } else {
        EXPECT_TRUE(started.empty());
        EXPECT_FALSE(QFile::exists(UpdateFolder() + "fupdate.log"));
        EXPECT_EQ(runAndWaitCalls, QStringList{ProgramFolder() + "ExeUpdate"});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Results, UpdateOutcome,
    ::testing::Values(OutcomeCase{"Result2", 2, "ignored", QMessageBox::Ok, "", true},
                      OutcomeCase{"Result1ShortOk", 1, "v2", QMessageBox::Ok, kQuestion, true},
                      OutcomeCase{"Result1LongOk", 1, "abc", QMessageBox::Ok,
                                  kQuestion + QStringLiteral("\r\n更新内容：abc"), true},
                      OutcomeCase{"Result1LongCancel", 1, QStringLiteral("修复打印问题"),
                                  QMessageBox::Cancel,
                                  kQuestion + QStringLiteral("\r\n更新内容：修复打印问题"), false},
                      OutcomeCase{"Result0", 0, "", QMessageBox::Ok, "", false},
                      OutcomeCase{"Negative", -1, "", QMessageBox::Ok, "", false}),
    [](const auto& info) { return std::string(info.param.name); });

class UpdateFailures : public UpdateFixture {};

// Catches a launcher that cannot be started passing silently: the log says why nothing was
// installed, and the start still ends as after an install.
TEST_F(UpdateFailures, MissingLauncherIsLoggedAndTheStartEnds) {
    WriteLocalConf(2);
    ASSERT_TRUE(QFile::remove(UpdateFolder() + "FUpdate"));

    EXPECT_FALSE(RunCheck());

    EXPECT_TRUE(LogText().contains("FUpdate not started")) << LogText().data();
}

struct HandOverCase {
    const char* name;
    const char* lateOutcome;  // null: none arrives
    int sentAfterPause;       // sent (blocking, from the worker) right after this pause
    int pauses;
    bool goesOn;
};

void PrintTo(const HandOverCase& c, std::ostream* os) { *os << c.name; }

class FailedHandOver : public UpdateFixture, public ::testing::WithParamInterface<HandOverCase> {};

// Catches an outcome sent after a failed hand-over, a start stopped by it, a wait of other than 61
// pauses of a second, and a wait that misses an outcome reported meanwhile: the failure is one
// "checkUpdate_DLL:" line, no outcome reaches the window, so the sequence pauses until another
// sender reports one ("close" ends the start) or 61 pauses have passed, and then goes on as
// without an update.
TEST_P(FailedHandOver, PausesUntilAnOutcomeOrTheLimit) {
    const HandOverCase& c = GetParam();
    WriteLocalConf(2);
    InstallExeUpdate();
    seams.startDetached = [](const QString&, const QString&, QString*) -> bool {
        throw std::runtime_error("launcher refused");
    };
    if (c.lateOutcome) {
        OnPause([&c](int pauses) {
            if (pauses != c.sentAfterPause) return;
            corvane::SendShellCommand(corvane::NotificationWindow(),
                                      QString::fromLatin1(c.lateOutcome),
                                      corvane::shell_code::kUpdateOutcome);
        });
    }

    EXPECT_EQ(RunCheck(), c.goesOn);

    EXPECT_TRUE(LogText().contains("checkUpdate_DLL:launcher refused")) << LogText().data();
    const auto pauses = Pauses();
    EXPECT_EQ(pauses.size(), size_t(c.pauses));
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), std::chrono::seconds(1)), c.pauses)
        << "a pause of other than one second";
    EXPECT_EQ(runAndWaitCalls,
              c.goesOn ? QStringList{ProgramFolder() + "ExeUpdate"} : QStringList());
}

INSTANTIATE_TEST_SUITE_P(Outcomes, FailedHandOver,
                         ::testing::Values(HandOverCase{"NoneArrives", nullptr, 0, 61, true},
                                           HandOverCase{"ContinueArrives", "continue", 5, 5, true},
                                           HandOverCase{"CloseArrives", "close", 5, 5, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace updatetest
