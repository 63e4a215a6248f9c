// F11, F12 and Ctrl+F12 from the window and from the page, the developer tools panel and the
// page's context menu.
#include <QApplication>
#include <QTest>

#include "CaseName.h"
#include "WindowFixture.h"

namespace corvane::browser {
namespace {

class Keys : public WindowFixture {
  protected:
    TFrmChrome& OpenActive() {
        TFrmChrome& w = Open();
        // Without a window manager the X server never activates a window; Qt's own notion of
        // the active window is what focus and shortcuts follow.
        QApplication::setActiveWindow(&w);
        EXPECT_EQ(QApplication::activeWindow(), &w);
        return w;
    }
    // The widget a key comes from: the window itself, or the engine's window inside the view.
    QWidget* FocusOn(bool page) {
        QWidget* target = page ? Engine().BrowserWidget(OwnId()) : window.data();
        target->setFocus(Qt::OtherFocusReason);
        EXPECT_EQ(QApplication::focusWidget(), target);
        return target;
    }
};

struct KeyCase {
    const char* name;
    bool fromPage;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool devTools;    // the key toggles the developer tools
    bool fullScreen;  // the key toggles the full screen
};

class KeyPress : public Keys, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyPress, ActsOnlyWhereTheWindowOwnsTheKey) {
    const KeyCase& c = GetParam();
    TFrmChrome& w = OpenActive();
    QTest::keyClick(FocusOn(c.fromPage), c.key, c.modifiers);
    Settle();
    EXPECT_EQ(w.DevToolsShown(), c.devTools);
    EXPECT_EQ(Part<DevToolsPanel>(w, "DevTools").isVisible(), c.devTools);
    EXPECT_EQ(Engine().CallsNamed("ShowDevTools").size(), c.devTools ? 1 : 0);
    EXPECT_EQ(w.FullScreenShown(), c.fullScreen);
    EXPECT_EQ(bool(w.windowState() & Qt::WindowFullScreen), c.fullScreen);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyPress,
    ::testing::Values(
        KeyCase{"F12FromWindow", false, Qt::Key_F12, {}, true, false},
        KeyCase{"ShiftF12FromWindow", false, Qt::Key_F12, Qt::ShiftModifier, true, false},
        KeyCase{"CtrlF12FromWindow", false, Qt::Key_F12, Qt::ControlModifier, true, false},
        KeyCase{"CtrlF12FromPage", true, Qt::Key_F12, Qt::ControlModifier, true, false},
        KeyCase{"F12FromPage", true, Qt::Key_F12, {}, false, false},
        KeyCase{"F11FromWindow", false, Qt::Key_F11, {}, false, true},
        KeyCase{"ShiftF11FromWindow", false, Qt::Key_F11, Qt::ShiftModifier, false, true},
        KeyCase{"F11FromPage", true, Qt::Key_F11, {}, false, false},
        KeyCase{"OtherKeyFromWindow", false, Qt::Key_F10, {}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Keys, FocusOnTheViewGoesOnToThePage) {
    TFrmChrome& w = OpenActive();
    FocusOn(false);
    Part<ChromiumView>(w, "Chromium1").setFocus(Qt::OtherFocusReason);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QApplication::focusWidget() == Engine().BrowserWidget(OwnId()); }));
}

TEST_F(Keys, F11TwiceReturnsToTheBorderedMaximisedWindow) {
    TFrmChrome& w = OpenActive();
    FocusOn(false);
    QTest::keyClick(&w, Qt::Key_F11);
    EXPECT_TRUE(w.windowState() & Qt::WindowFullScreen);
    QTest::keyClick(&w, Qt::Key_F11);
    EXPECT_FALSE(w.windowState() & Qt::WindowFullScreen);
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    EXPECT_FALSE(w.FullScreenShown());
    // The same window and browser throughout.
    EXPECT_EQ(Engine().Browsers(), QList<int>({OwnId()}));
    EXPECT_EQ(Engine().BrowserWidget(OwnId())->parentWidget(), &Part<ChromiumView>(w, "Chromium1"));
}

TEST_F(Keys, DevToolsOpenInThePanelCoverItAndCloseAgain) {
    TFrmChrome& w = OpenActive();
    w.actDevToolExecute();
    Settle();
    const scripted::RecordedCall shown = Engine().CallsNamed("ShowDevTools").value(0);
    EXPECT_EQ(shown.browser, OwnId());
    EXPECT_EQ(shown.text, QStringLiteral("DevTools"));
    EXPECT_EQ(shown.number, 0);  // no inspection point
    EXPECT_FALSE(shown.flag);    // no client: the engine's defaults
    QWidget* tools = Engine().DevToolsWidget(OwnId());
    ASSERT_TRUE(tools);
    EXPECT_EQ(tools->parentWidget(), &Part<DevToolsPanel>(w, "DevTools"));
    EXPECT_TRUE(Part<QWidget>(w, "Splitter").isVisible());
    EXPECT_EQ(Part<DevToolsPanel>(w, "DevTools").height(), DevToolsPanel::kInitialHeight);
    // The panel sits below the browser view with the splitter between them.
    EXPECT_LT(Part<ChromiumView>(w, "Chromium1").geometry().center().y(),
              Part<QWidget>(w, "Splitter").geometry().center().y());
    EXPECT_LT(Part<QWidget>(w, "Splitter").geometry().center().y(),
              Part<DevToolsPanel>(w, "DevTools").geometry().top());

    // Dragging the splitter resizes the panel; the tools keep covering it.
    const QPoint grip = Part<QWidget>(w, "Splitter").rect().center();
    QTest::mousePress(&Part<QWidget>(w, "Splitter"), Qt::LeftButton, {}, grip);
    QTest::mouseMove(&Part<QWidget>(w, "Splitter"), grip - QPoint(0, 60));
    QTest::mouseRelease(&Part<QWidget>(w, "Splitter"), Qt::LeftButton, {}, grip - QPoint(0, 60));
    Settle();
    EXPECT_NEAR(Part<DevToolsPanel>(w, "DevTools").height(), DevToolsPanel::kInitialHeight + 60, 2);
    EXPECT_EQ(tools->geometry(), Part<DevToolsPanel>(w, "DevTools").rect());

    w.actDevToolExecute();
    Settle();
    EXPECT_EQ(Engine().CallsNamed("CloseDevTools").size(), 1);
    EXPECT_FALSE(Engine().DevToolsWidget(OwnId()));
    EXPECT_TRUE(Part<DevToolsPanel>(w, "DevTools").isHidden());
    EXPECT_TRUE(Part<QWidget>(w, "Splitter").isHidden());
    EXPECT_FALSE(w.DevToolsShown());
}

TEST_F(Keys, FlagFollowsThePressesWithoutABrowser) {
    TFrmChrome& w = OpenActive();
    Engine().PageClosed(OwnId());
    Settle();
    w.actDevToolExecute();
    EXPECT_TRUE(w.DevToolsShown());
    EXPECT_TRUE(Part<DevToolsPanel>(w, "DevTools").isVisible());
    EXPECT_TRUE(Engine().CallsNamed("ShowDevTools").isEmpty());
    w.actDevToolExecute();
    EXPECT_FALSE(w.DevToolsShown());
    EXPECT_TRUE(Part<DevToolsPanel>(w, "DevTools").isHidden());
}

TEST_F(WindowFixture, ContextMenuCommandsKeepTheEngineDefault) {
    Open();
    for (int command : {100, 101, 102, 26500}) {
        EXPECT_FALSE(Engine().ContextMenuCommand(OwnId(), command)) << command;
    }
}

}  // namespace
}  // namespace corvane::browser
