// Closing the main window while one of its engine event handlers runs a nested event loop (the
// login report's wait, a page dialog), against the scripted engine.
#include <QCoreApplication>
#include <QTimer>

#include "WindowFixture.h"

namespace corvane::browser {
namespace {

class CloseDuringHandlerTest : public WindowFixture {};

// Catches the window (and with it the engine's page, its child) being freed while the handler is
// still on the stack: the engine crashes when its callback returns into the freed page.
TEST_F(CloseDuringHandlerTest, HidesAtOnceAndIsFreedWhenTheHandlerHasReturned) {
    Open();
    bool aliveInside = false;
    bool hiddenInside = false;
    SetMessageBoxResponder([&](const MessageBoxRequest&) {
        // The user closes the window while the page's alert is up; the close arrives through the
        // box's event loop.
        QTimer::singleShot(0, window.data(), [w = window.data()] { w->close(); });
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        aliveInside = !window.isNull();
        hiddenInside = aliveInside && !window->isVisible();
        return QMessageBox::Ok;
    });

    Engine().JSDialog(OwnId(), JSDIALOGTYPE_ALERT, QStringLiteral("hello"));

    EXPECT_TRUE(aliveInside);
    EXPECT_TRUE(hiddenInside);
    EXPECT_TRUE(WaitUntilGone()) << "freed once the handler has returned";
}

}  // namespace
}  // namespace corvane::browser
