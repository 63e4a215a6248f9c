// The environment check window around the update sequence: the wait texts of a normal start, the
// starts that go on without an update, and the notification window role.
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QWidget>
#include <stdexcept>

#include "UpdateFixture.h"
#include "update/U_ts.h"

namespace updatetest {
namespace {

using corvane::update::StepText;

// One letter per wait text, so that the course of a start reads as one word.
QChar Letter(const QString& text) {
    static const QRegularExpression tick("^(.*?)(\\.{1,3})$");
    if (text.isEmpty()) return 'H';
    if (text == QStringLiteral("正在读取配置信息...")) return 'C';
    if (text == QStringLiteral("正在读取企业信息...")) return 'E';
    const QString step = tick.match(text).captured(1);
    if (!tick.match(text).hasMatch()) return '?';
    if (step.isEmpty()) return 'D';
    if (step == StepText(1)) return 'V';
    if (step == StepText(5)) return 'U';
    if (step == StepText(6)) return 'I';
    return '?';
}

class EnvironmentCheck : public UpdateFixture {};

// Catches a missing step text, texts out of order, dots that do not cycle one-two-three, and a
// start that does not go on. The check and the updater each last several timer periods.
TEST_F(EnvironmentCheck, NormalStartAnimatesEachStep) {
    WriteLocalConf(0, QString(), 2000);
    InstallExeUpdate(2000);

    ASSERT_TRUE(RunCheck());

    QString course;
    for (const QString& text : waitTexts) course += Letter(text);
    const QString shown = waitTexts.join(" | ");
    EXPECT_TRUE(QRegularExpression("^CD*V+U+I*EH$").match(course).hasMatch())
        << shown.toStdString();
    int tick = 0;
    for (const QString& text : waitTexts) {
        if (!QString("DVUI").contains(Letter(text))) continue;
        const int dots = text.length() - text.lastIndexOf(QRegularExpression("[^.]")) - 1;
        EXPECT_EQ(dots, tick % 3 + 1) << shown.toStdString();
        ++tick;
    }
    EXPECT_TRUE(corvane::update::GoOnFlag());
    EXPECT_EQ(runAndWaitCalls, QStringList{ProgramFolder() + "ExeUpdate"});
    EXPECT_TRUE(started.empty());
    EXPECT_TRUE(Boxes().empty());
}

struct GoOnCase {
    const char* name;
    bool switchOn;
    bool exeUpdate;
    const char* componentFailure;  // null: the stand-in answers 0
    int checkCalls;
    int updaterRuns;
};

void PrintTo(const GoOnCase& c, std::ostream* os) { *os << c.name; }

class StartGoesOn : public UpdateFixture, public ::testing::WithParamInterface<GoOnCase> {};

// Catches a call of the component with the switch off, a started updater that is not there, a
// failing component that stops the start or makes it wait out the 61 pauses.
TEST_P(StartGoesOn, WithoutUpdate) {
    const GoOnCase& c = GetParam();
    corvane::update::UpdateCheckSwitch() = c.switchOn;
    if (c.exeUpdate) InstallExeUpdate();
    if (c.componentFailure) {
        ScriptCheckupdate([&c](const char*, const char*, char*) -> int32_t {
            throw std::runtime_error(c.componentFailure);
        });
    }
    QElapsedTimer elapsed;
    elapsed.start();

    EXPECT_TRUE(RunCheck());

    EXPECT_LT(elapsed.elapsed(), 30000) << "waited for an outcome that had come";
    EXPECT_EQ(checkupdateCalls, c.checkCalls);
    EXPECT_EQ(runAndWaitCalls.size(), c.updaterRuns);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(started.empty());
    if (c.componentFailure) {
        EXPECT_TRUE(LogText().contains(c.componentFailure)) << LogText().data();
    }
}

INSTANTIATE_TEST_SUITE_P(Starts, StartGoesOn,
                         ::testing::Values(GoOnCase{"NoOutsideUpdater", true, false, nullptr, 1, 0},
                                           GoOnCase{"SwitchOff", false, true, nullptr, 0, 1},
                                           GoOnCase{"ComponentThrows", true, true,
                                                    "update service unreachable", 1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

class NotificationWindowRole : public UpdateFixture, public ::testing::WithParamInterface<bool> {};

// Catches a window that does not take the role while it runs or does not give it back.
TEST_P(NotificationWindowRole, IsHeldDuringTheCheckAndRestoredAfter) {
    QWidget earlier;
    QWidget* const before = GetParam() ? &earlier : nullptr;
    corvane::NotificationWindow() = before;
    QWidget* during = nullptr;
    QWidget* checkWindow = nullptr;
    ScriptCheckupdate([&](const char*, const char*, char*) -> int32_t {
        during = corvane::NotificationWindow().data();
        checkWindow = corvane::update::EnvironmentCheckWindow().data();
        return 0;
    });

    EXPECT_TRUE(RunCheck());

    ASSERT_NE(checkWindow, nullptr);
    EXPECT_EQ(during, checkWindow);
    EXPECT_EQ(corvane::NotificationWindow().data(), before);
    EXPECT_TRUE(corvane::update::EnvironmentCheckWindow().isNull()) << "window not destroyed";
}

INSTANTIATE_TEST_SUITE_P(Earlier, NotificationWindowRole, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Window" : "None"; });

}  // namespace
}  // namespace updatetest
