// Public terminal mode in the main window against the scripted engine: locked keys, the
// allowed-hosts verdicts, the idle reset and its waiting, the retry notice.
#include <QApplication>
#include <QTest>

#include "WindowFixture.h"
#include "browser/IdleWatch.h"
#include "browser/RetryNotice.h"
#include "config/Settings.h"

namespace corvane::browser {
namespace {

const QString kStart = QStringLiteral("https://etax.example.cn/start.html");

class PublicTerminal : public WindowFixture {
  protected:
    void SetUp() override {
        WindowFixture::SetUp();
        settings.TaxUrl = kStart;
        settings.Server = QStringLiteral("https://etax.example.cn/report");
    }
    int LoadsOf(const QString& url) const {
        int n = 0;
        for (const auto& call : Engine().CallsNamed("LoadURL")) n += call.text == url;
        return n;
    }
};

// Catches: a locked terminal whose keys still open the tools or leave the full screen.
TEST_F(PublicTerminal, LockedKeysDoNothing) {
    kiosk.DevTools = false;
    kiosk.FullScreen = true;
    TFrmChrome& w = Open();
    QApplication::setActiveWindow(&w);
    EXPECT_TRUE(w.windowState() & Qt::WindowFullScreen);
    for (auto [key, modifiers, fromPage] :
         {std::tuple{Qt::Key_F12, Qt::KeyboardModifiers(), false},
          std::tuple{Qt::Key_F12, Qt::KeyboardModifiers(Qt::ControlModifier), true},
          std::tuple{Qt::Key_F12, Qt::KeyboardModifiers(Qt::ControlModifier), false},
          std::tuple{Qt::Key_F11, Qt::KeyboardModifiers(), false}}) {
        QWidget* target = fromPage ? Engine().BrowserWidget(OwnId()) : window.data();
        target->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(target, key, modifiers);
        Settle();
    }
    EXPECT_TRUE(Engine().CallsNamed("ShowDevTools").isEmpty());
    EXPECT_FALSE(Part<DevToolsPanel>(w, "DevTools").isVisible());
    EXPECT_TRUE(w.windowState() & Qt::WindowFullScreen);
}

struct HostCase {
    const char* name;
    const char* url;
    bool popup;
    bool mainFrame;
    bool cancelled;
    bool box;
    const char* logLine;  // expected in the log, or null
};

class Hosts : public PublicTerminal, public ::testing::WithParamInterface<HostCase> {};

// Catches: foreign main-frame or pop-up navigations that go on, sub-frames broken by the list,
// a foreign frame's command obeyed, and an allowed command no longer handled.
TEST_P(Hosts, NavigationFollowsTheList) {
    const HostCase& c = GetParam();
    kiosk.Hosts = config::AllowedHosts::Parse(QStringLiteral("etax.example.cn, *.tax.example.cn"));
    Open();
    boxes.clear();
    const int id = c.popup ? Engine().OpenPopup(OwnId(), QString()) : OwnId();
    Settle();
    const QString url = QString::fromUtf8(c.url);
    EXPECT_EQ(Engine().Navigate(id, url, false, c.mainFrame), c.cancelled);
    Settle();
    ASSERT_EQ(boxes.size(), c.box ? 1u : 0u);
    if (c.box) {
        EXPECT_EQ(boxes[0].caption, QStringLiteral("Corvane"));
        EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("不允许访问")))
            << boxes[0].text.toStdString();
    }
    if (c.logLine) {
        EXPECT_TRUE(LogText().contains(QString::fromUtf8(c.logLine) + url));
    }
    // A pop-up that never showed a document does not stay behind as an empty window.
    if (c.popup) {
        EXPECT_EQ(Engine().Browsers().contains(id), !c.cancelled);
    }
    // A refused address is no page command and never reaches the navigation log.
    EXPECT_EQ(NavigationLog().contains(url), !c.cancelled);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Hosts,
    ::testing::Values(
        HostCase{"AllowedMain", "https://etax.example.cn/a", false, true, false, false, nullptr},
        HostCase{"SuffixMain", "https://www.tax.example.cn/a", false, true, false, false, nullptr},
        HostCase{"ForeignMain", "https://evil.example/a", false, true, true, true,
                 "Navigation outside AllowedHosts refused: "},
        HostCase{"ForeignPopup", "http://evil.example/a", true, true, true, true, nullptr},
        HostCase{"ForeignSubFrame", "https://ads.example/f", false, false, false, false, nullptr},
        HostCase{"ForeignSubFrameCommand",
                 "https://ads.example/interact_%7B%22type%22%3A%22startmonitor%22%7D", false, false,
                 true, false, "Page command from outside AllowedHosts refused: "},
        HostCase{"DataCommand", "data:text/html,/interact_%7B%22type%22%3A%22exit%22%7D", false,
                 false, true, false, "Page command from outside AllowedHosts refused: "},
        HostCase{"OtherScheme", "about:blank", false, true, false, false, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PublicTerminal, AllowedCommandIsHandledAndCertificatesFollowTheList) {
    kiosk.Hosts = config::AllowedHosts::Parse(QStringLiteral("etax.example.cn"));
    Open();
    Engine().Navigate(OwnId(), QStringLiteral("https://etax.example.cn/interact_%7B%22type%22%3A%22"
                                              "startmonitor%22%7D"));
    EXPECT_TRUE(NavigationLog().contains(QStringLiteral("监控身份证")));
    EXPECT_TRUE(
        Engine().CertificateError(OwnId(), -202, QStringLiteral("https://etax.example.cn/")));
    EXPECT_FALSE(Engine().CertificateError(OwnId(), -202, QStringLiteral("https://evil.example/")));
}

// Catches: a reset that never comes, leaves pop-ups, or does not load the start page afresh.
TEST_F(PublicTerminal, IdleCountdownResetsTheSession) {
    kiosk.IdleReset = 1;
    kiosk.IdleNotice = 1;
    TFrmChrome& w = Open();
    const int popup = Engine().OpenPopup(OwnId(), QStringLiteral("https://etax.example.cn/p"));
    Settle();
    const int startLoads = LoadsOf(kStart);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !Engine().CallsNamed("ResetSession").isEmpty(); }, 20000));
    Settle();
    EXPECT_EQ(LoadsOf(kStart), startLoads + 1);
    EXPECT_FALSE(Engine().Browsers().contains(popup));
    EXPECT_TRUE(LogText().contains(QStringLiteral("browsing session cleared")));
    EXPECT_FALSE(w.Idle()->NoticeShown());
}

TEST_F(PublicTerminal, InputDuringTheCountdownClosesTheNotice) {
    kiosk.IdleReset = 1;
    kiosk.IdleNotice = 600;
    TFrmChrome& w = Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Idle()->NoticeShown(); }, 20000));
    EXPECT_TRUE(w.Idle()->Notice()->Text().contains(QStringLiteral("600 秒")));
    QTest::keyClick(Engine().BrowserWidget(OwnId()), Qt::Key_A);
    EXPECT_FALSE(w.Idle()->NoticeShown());
    EXPECT_TRUE(Engine().CallsNamed("ResetSession").isEmpty());
}

// Catches: a reset that replaces the page under a running handler, or a page that holds the
// reset off with one dialog after another.
TEST_F(PublicTerminal, ResetWaitsForTheRunningHandlerAndSilencesThePage) {
    TFrmChrome& w = Open();
    int shown = 0;
    bool pendingInside = false;
    SetMessageBoxResponder([&](const MessageBoxRequest&) {
        if (++shown == 1) {
            w.ResetSession();  // the countdown reaching zero while the page's box is open
            pendingInside = w.SessionResetPending();
        }
        return QMessageBox::Ok;
    });
    Engine().JSDialog(OwnId(), JSDIALOGTYPE_ALERT, QStringLiteral("第一个"));
    EXPECT_TRUE(pendingInside);
    EXPECT_TRUE(Engine().CallsNamed("ResetSession").isEmpty());
    // While the reset waits the page's next dialog is dropped without a box.
    Engine().JSDialog(OwnId(), JSDIALOGTYPE_CONFIRM, QStringLiteral("第二个"));
    EXPECT_EQ(shown, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Engine().CallsNamed("ResetSession").isEmpty(); }));
    EXPECT_FALSE(w.SessionResetPending());
    Engine().JSDialog(OwnId(), JSDIALOGTYPE_ALERT, QStringLiteral("之后"));
    EXPECT_EQ(shown, 2);
}

// Catches: a failed start page that is never tried again, or a notice that stays after success.
TEST_F(PublicTerminal, FailedLoadsAreRetriedUntilOneSucceeds) {
    kiosk.RetrySeconds = 1;
    TFrmChrome& w = Open();
    for (auto fail : {std::function<void()>([&] { Engine().LoadEnd(OwnId(), 503); }),
                      std::function<void()>([&] { Engine().LoadError(OwnId(), -102, kStart); })}) {
        const int loads = LoadsOf(kStart);
        fail();
        Settle();
        EXPECT_TRUE(w.Retry()->isVisible());
        EXPECT_TRUE(w.Retry()->Text().contains(Hotline()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return LoadsOf(kStart) == loads + 1; }, 20000));
    }
    Engine().LoadEnd(OwnId(), 200);
    Settle();
    EXPECT_FALSE(w.Retry()->isVisible());
    EXPECT_FALSE(w.Retry()->Waiting());
}

TEST_F(PublicTerminal, UnconfiguredWindowHasNoneOfIt) {
    TFrmChrome& w = Open();
    EXPECT_EQ(w.Idle(), nullptr);
    EXPECT_EQ(w.Retry(), nullptr);
    EXPECT_FALSE(Engine().Navigate(OwnId(), QStringLiteral("https://evil.example/")));
    Engine().LoadEnd(OwnId(), 503);
    Settle();
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace corvane::browser
