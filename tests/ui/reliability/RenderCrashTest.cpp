// The main window when the engine reports that a render process ended abnormally, against the
// scripted engine: the own page is reported and reloaded once; ending again right after the reload
// shows the page error with the hotline instead of reloading again; a pop-up's renderer changes
// nothing.
#include "WindowFixture.h"
#include "config/Settings.h"

namespace corvane::browser {
namespace {

class RenderCrashTest : public WindowFixture {
  protected:
    QList<scripted::RecordedCall> Loads() const {
        return Engine().CallsNamed(QStringLiteral("LoadURL"));
    }
    void Crash(int id, cef_termination_status_t status, int exitCode) {
        Engine().RenderProcessTerminated(id, status, exitCode);
        Settle();
    }
};

// Catches the crash going unreported, the window not coming back to the start page, and the
// reload going to another browser or address.
TEST_F(RenderCrashTest, OwnPageIsReportedAndTheStartPageReloaded) {
    settings.TaxUrl = QStringLiteral("http://portal.example/start.html");
    Open();
    Engine().ClearCalls();
    const qsizetype logMark = LogText().size();

    Crash(OwnId(), TS_PROCESS_CRASHED, 139);

    ASSERT_EQ(Loads().size(), 1);
    EXPECT_EQ(Loads()[0].browser, OwnId());
    EXPECT_EQ(Loads()[0].text, QStringLiteral("http://portal.example/start.html"));
    EXPECT_TRUE(boxes.empty());
    const QString logged = LogText().mid(logMark);
    EXPECT_TRUE(logged.contains(QStringLiteral("[error]"))) << logged.toStdString();
    EXPECT_TRUE(logged.contains(QStringLiteral("crashed (status 2, exit code 139)")))
        << logged.toStdString();
}

// Catches a page that takes its renderer down at once making the window reload for ever, and the
// give-up message without the hotline or outside a "Corvane" box.
TEST_F(RenderCrashTest, EndingAgainRightAfterTheReloadShowsTheHotlineInstead) {
    Open();
    Engine().ClearCalls();

    Crash(OwnId(), TS_PROCESS_WAS_KILLED, 9);
    Crash(OwnId(), TS_PROCESS_OOM, 0);

    EXPECT_EQ(Loads().size(), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, ProductTitle());
    EXPECT_TRUE(boxes[0].text.contains(Hotline())) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("out of memory")))
        << boxes[0].text.toStdString();
    EXPECT_FALSE(window.isNull()) << "the window stays open";
}

// Catches a pop-up's renderer reloading the main page or alarming the user.
TEST_F(RenderCrashTest, PopupRendererChangesNothing) {
    Open();
    const int popup = Engine().OpenPopup(OwnId(), QStringLiteral("http://portal.example/popup"));
    Settle();
    Engine().ClearCalls();

    Crash(popup, TS_PROCESS_CRASHED, 11);

    EXPECT_TRUE(Loads().isEmpty());
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace corvane::browser
