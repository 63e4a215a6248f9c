// The main window against the scripted engine: creation and showing, the navigation log, status
// bar and caption, the page commands through the window, the window codes and the closing path.
#include <QDir>
#include <QFile>
#include <QTcpServer>

#include "CaseName.h"
#include "WindowFixture.h"
#include "config/IniFile.h"
#include "config/Settings.h"
#include "log/log4me.h"

namespace corvane::browser {
namespace {

using scripted::RecordedCall;

const QString kPopupPage = QStringLiteral("https://portal.test/popup.html");

TEST_F(WindowFixture, CreationBuildsTheLayoutAndShowingLoadsTheStartPage) {
    TFrmChrome& w = Open(/*show=*/false);
    // Before it is shown: focusing timer running, caption empty, browser created with no address
    // and then sent to DefaultUrl.
    EXPECT_TRUE(Part<QTimer>(w, "Timer1").isActive());
    EXPECT_EQ(Part<QTimer>(w, "Timer1").interval(), 1000);
    EXPECT_TRUE(w.windowTitle().isEmpty());
    const QList<RecordedCall> created = Engine().CallsNamed("create");
    ASSERT_EQ(created.size(), 1);
    EXPECT_TRUE(created[0].text.isEmpty());
    EXPECT_EQ(Engine().CallsNamed("LoadURL").value(0).text, config::DefaultTaxUrl());
    EXPECT_EQ(Engine().BrowserWidget(OwnId())->parentWidget(), &Part<ChromiumView>(w, "Chromium1"));

    w.show();
    Settle();
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    EXPECT_FALSE(Part<QTimer>(w, "Timer1").isActive());
    EXPECT_TRUE(Part<QPlainTextEdit>(w, "Memo1").isHidden());
    EXPECT_TRUE(Part<QMenuBar>(w, "MainMenu1").isHidden());
    EXPECT_TRUE(Part<DevToolsPanel>(w, "DevTools").isHidden());
    EXPECT_TRUE(Part<QWidget>(w, "Splitter").isHidden());
    EXPECT_TRUE(w.StatusText().isEmpty());
    EXPECT_EQ(Part<QAction>(w, "N1").text(), QStringLiteral("调试"));
    EXPECT_EQ(Part<QAction>(w, "N1").shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F12));
    EXPECT_TRUE(w.actions().contains(&Part<QAction>(w, "N1")));
    EXPECT_EQ(w.font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(w.font().pixelSize(), 11);
    EXPECT_EQ(w.parentWidget(), nullptr);
    // The engine's window covers the view.
    EXPECT_EQ(Engine().BrowserWidget(OwnId())->geometry(),
              Part<ChromiumView>(w, "Chromium1").rect());
}

struct StartCase {
    const char* name;
    QString taxUrl;
};

class StartAddress : public WindowFixture, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartAddress, DefaultUrlAtCreationThenTaxUrlWhenShown) {
    const QString taxUrl =
        GetParam().taxUrl.isEmpty() ? config::DefaultTaxUrl() : GetParam().taxUrl;
    settings.TaxUrl = taxUrl;
    Open();
    QStringList loads;
    for (const RecordedCall& c : Engine().CallsNamed("LoadURL")) loads << c.text;
    EXPECT_EQ(loads, QStringList({config::DefaultTaxUrl(), taxUrl}));
    // Both navigations went through before-browse into the navigation log.
    EXPECT_EQ(NavigationLog(), QStringList({config::DefaultTaxUrl(), taxUrl}));
    EXPECT_EQ(Engine().MainFrameUrl(OwnId()), taxUrl);
}

INSTANTIATE_TEST_SUITE_P(Cases, StartAddress,
                         ::testing::Values(StartCase{"Default", {}},
                                           StartCase{"Other", "https://other.test/start.html"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- navigation log, status bar and caption, per kind of browser and frame

enum class Source { OwnMain, OwnSubFrame, Popup };

int BrowserOf(Source source, int ownId) {
    return source == Source::Popup ? scripted::Engine().OpenPopup(ownId, QString()) : ownId;
}

struct NavigationCase {
    const char* name;
    Source source;
    QString address;
    QStringList logged;  // lines the navigation adds to the log
};

class Navigation : public WindowFixture, public ::testing::WithParamInterface<NavigationCase> {};

TEST_P(Navigation, IsLoggedWithItsCommandResultAndNeverCancelled) {
    const NavigationCase& c = GetParam();
    Open();
    const int browser = BrowserOf(c.source, OwnId());
    Settle();
    const QStringList before = NavigationLog();
    EXPECT_FALSE(Engine().Navigate(browser, c.address, false, c.source != Source::OwnSubFrame));
    EXPECT_EQ(NavigationLog().mid(before.size()), c.logged);
}

const QString kMonitor =
    QStringLiteral("https://portal.test/interact_%7B%22type%22%3A%22startmonitor%22%7D");

INSTANTIATE_TEST_SUITE_P(
    Cases, Navigation,
    ::testing::Values(
        NavigationCase{
            "OwnMainFrame", Source::OwnMain, "https://portal.test/a", {"https://portal.test/a"}},
        NavigationCase{
            "SubFrame", Source::OwnSubFrame, "https://portal.test/f", {"https://portal.test/f"}},
        NavigationCase{"Popup", Source::Popup, "https://portal.test/p", {"https://portal.test/p"}},
        NavigationCase{"Blank", Source::OwnMain, " \t\r\n", {}},
        NavigationCase{"Empty", Source::OwnMain, "", {}},
        NavigationCase{
            "CommandFromSubFrame", Source::OwnSubFrame, kMonitor, {kMonitor, "监控身份证"}},
        NavigationCase{"CommandFromPopup", Source::Popup, kMonitor, {kMonitor, "监控身份证"}},
        NavigationCase{"CommandWithoutResult",
                       Source::OwnMain,
                       "https://portal.test/interact_%7B%22type%22%3A%22x%22%7D",
                       {"https://portal.test/interact_%7B%22type%22%3A%22x%22%7D"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Addresses written by hostile or broken pages: the navigation goes on, the window stays, the
// address is logged and the result (if any) follows it.
struct BadInputCase {
    const char* name;
    QString address;
    QString result;  // empty: no result line
};

class BadInput : public WindowFixture, public ::testing::WithParamInterface<BadInputCase> {};

TEST_P(BadInput, NeverStopsTheNavigationOrTheWindow) {
    Open();
    const qsizetype before = NavigationLog().size();
    EXPECT_FALSE(Engine().Navigate(OwnId(), GetParam().address));
    Settle();
    ASSERT_TRUE(window);
    // A line longer than the log keeps is cut, and says so.
    const QString& address = GetParam().address;
    QStringList expected({address.size() <= TFrmChrome::kMaxLoggedChars
                              ? address
                              : address.left(TFrmChrome::kMaxLoggedChars) + QChar(0x2026)});
    if (!GetParam().result.isEmpty()) expected << GetParam().result;
    EXPECT_EQ(NavigationLog().mid(before), expected);
}

const QString kBase = QStringLiteral("https://portal.test/interact_");

INSTANTIATE_TEST_SUITE_P(
    Cases, BadInput,
    ::testing::Values(BadInputCase{"TenMegabytes",
                                   QStringLiteral("https://portal.test/") +
                                       QString(10 * 1024 * 1024, QLatin1Char('a')) +
                                       kMonitor.mid(19),
                                   "监控身份证"},
                      BadInputCase{"LonePercent", kBase + "%", ""},
                      BadInputCase{"InvalidUtf8Media",
                                   kBase + "%7B%22type%22%3A%22playmedia%22%7D%3F%25FF%25C0%25AF",
                                   QString(3, QChar(0xFFFD))},
                      BadInputCase{"DeepNesting", kBase + QString(100000, QLatin1Char('[')), ""},
                      BadInputCase{"NotAnObject", kBase + "%5B%22exit%22%5D", ""},
                      BadInputCase{"DataNotAnObject",
                                   kBase + "%7B%22type%22%3A%22startmonitor%22%2C%22data%22%3A7%7D",
                                   "监控身份证"},
                      BadInputCase{"ControlAndNul",
                                   kBase + QStringLiteral("%01%02%7B%22type%22%3A%22exit%22%7D") +
                                       QChar(0) + QStringLiteral("\x7f"),
                                   ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct LoadEndCase {
    const char* name;
    Source source;
    bool statusChanges;
};

class LoadEnd : public WindowFixture, public ::testing::WithParamInterface<LoadEndCase> {};

TEST_P(LoadEnd, OnlyTheOwnMainFrameSetsTheStatusBar) {
    Open();
    const int browser = BrowserOf(GetParam().source, OwnId());
    Settle();
    window->SetStatusText(QStringLiteral("before"));
    Engine().LoadEnd(browser, 200, GetParam().source != Source::OwnSubFrame,
                     QStringLiteral("https://portal.test/frame.html"));
    Settle();
    EXPECT_EQ(window->StatusText(),
              GetParam().statusChanges ? config::DefaultTaxUrl() : QStringLiteral("before"));
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadEnd,
                         ::testing::Values(LoadEndCase{"OwnMainFrame", Source::OwnMain, true},
                                           LoadEndCase{"SubFrame", Source::OwnSubFrame, false},
                                           LoadEndCase{"Popup", Source::Popup, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TitleCase {
    const char* name;
    Source source;
    QString title;
    bool captionChanges;
};

class Title : public WindowFixture, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(Title, CaptionFollowsTheOwnPageTitle) {
    Open();
    const int browser = BrowserOf(GetParam().source, OwnId());
    Engine().TitleChange(OwnId(), QStringLiteral("first"));
    Engine().TitleChange(browser, GetParam().title);
    Settle();
    EXPECT_EQ(window->windowTitle(),
              GetParam().captionChanges ? GetParam().title : QStringLiteral("first"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Title,
    ::testing::Values(TitleCase{"OwnPage", Source::OwnMain, "电子税务局", true},
                      TitleCase{"AboutBlank", Source::OwnMain, "about:blank", false},
                      TitleCase{"AboutBlankMixedCase", Source::OwnMain, "About:BLANK", false},
                      TitleCase{"AboutBlankPrefix", Source::OwnMain, "about:blank2", true},
                      TitleCase{"Popup", Source::Popup, "pop-up", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowFixture, TitleDoesNotFollowBeforeTheWindowIsShown) {
    Open(/*show=*/false);
    Engine().TitleChange(OwnId(), QStringLiteral("early"));
    Settle();
    EXPECT_TRUE(window->windowTitle().isEmpty());
}

// ---- page commands through the window

QString Command(const QString& json) {
    return QStringLiteral("https://portal.test/x/interact_") +
           QString::fromLatin1(QUrl::toPercentEncoding(json));
}

TEST_F(WindowFixture, ExitCommandClosesTheWindowAfterTheNavigation) {
    Open();
    const int id = OwnId();
    EXPECT_FALSE(Engine().Navigate(id, Command(R"({"type":"EXIT"})")));
    EXPECT_TRUE(window);  // still there while the navigation's event runs
    ASSERT_TRUE(WaitUntilGone());
    EXPECT_TRUE(CallNames().contains("CloseBrowser"));
}

TEST_F(WindowFixture, PrintCommandPrintsTheOwnPageWhicheverBrowserSentIt) {
    Open();
    const int popup = Engine().OpenPopup(OwnId(), QString());
    Settle();
    Engine().Navigate(popup, Command(R"({"type":"printwebview"})"));
    const QList<RecordedCall> prints = Engine().CallsNamed("Print");
    ASSERT_EQ(prints.size(), 1);
    EXPECT_EQ(prints[0].browser, OwnId());
    EXPECT_EQ(NavigationLog().last(), QStringLiteral("打印网页"));
}

TEST_F(WindowFixture, LoginCommandStoresTheTaxpayerNumber) {
    // A report server that is not there: the report fails quickly, the number is still stored.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    settings.Server = QStringLiteral("http://127.0.0.1:%1/report").arg(port);
    settings.UpdateFolder = QStringLiteral("HISUPDATE/");
    QDir(programFolder).mkpath(QStringLiteral("HISUPDATE"));
    Open();
    Engine().Navigate(OwnId(), Command(R"({"type":"login","data":{"nsrsbh":"91320100MA1XYZ"}})"));
    EXPECT_EQ(config::ReadIniString(config::QvprmPath(settings), "parms", "nsrsbh", "none"),
              QStringLiteral("91320100MA1XYZ"));
}

// ---- window codes

struct CodeCase {
    const char* name;
    int code;
    QString text;
    QStringList calls;  // engine calls the code makes
    QString box;        // text of the box it shows, empty: none
};

class ShellCode : public WindowFixture, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(ShellCode, HasItsEffect) {
    const CodeCase& c = GetParam();
    Open();
    Engine().ClearCalls();
    SendShellCommand(window, c.text, c.code);
    Settle();
    ASSERT_TRUE(window);
    EXPECT_EQ(CallNames(), c.calls);
    if (c.box.isEmpty()) {
        EXPECT_TRUE(boxes.empty());
    } else {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.box);
        EXPECT_EQ(boxes[0].caption, QStringLiteral("Corvane"));
        EXPECT_EQ(boxes[0].owner, window.data());
        EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShellCode,
    ::testing::Values(
        CodeCase{"Message", shell_code::kShowMessage, "一条消息", {}, "一条消息"},
        CodeCase{"Reserved", shell_code::kReserved, "", {}, ""},
        CodeCase{"Script", shell_code::kRunScript, "document.title='x'", {"ExecuteJavaScript"}, ""},
        CodeCase{"Unknown", 99, "x", {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowFixture, ScriptCodeRunsInTheMainFrameAndReportsAMissingBrowser) {
    Open();
    SendShellCommand(window, QStringLiteral("alert(1)"), shell_code::kRunScript);
    const RecordedCall run = Engine().CallsNamed("ExecuteJavaScript").value(0);
    EXPECT_EQ(run.browser, OwnId());
    EXPECT_EQ(run.text, QStringLiteral("alert(1)"));
    EXPECT_EQ(run.text2, QStringLiteral("about:blank"));
    EXPECT_EQ(run.number, 0);

    Engine().PageClosed(OwnId());  // the page closed its own browser
    Settle();
    SendShellCommand(window, QStringLiteral("alert(2)"), shell_code::kRunScript);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("error:"))) << boxes[0].text.toStdString();
    EXPECT_TRUE(window);
}

TEST_F(WindowFixture, CloseCodeClosesTheWindow) {
    Open();
    SendShellCommand(window, QString(), shell_code::kClose);
    EXPECT_TRUE(window);  // posted: the window closes after the current event
    EXPECT_TRUE(WaitUntilGone());
}

TEST_F(WindowFixture, CertificateErrorsAreRefused) {
    Open();
    EXPECT_FALSE(Engine().CertificateError(OwnId(), -200, QStringLiteral("https://bad.test/")));
}

// ---- closing

struct CloseCase {
    const char* name;
    bool singleProcess;
    QStringList calls;
};

class Closing : public WindowFixture, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(Closing, StopsClosesAndDisconnects) {
    settings.SingleProcess = GetParam().singleProcess;
    Open();
    const int popup = Engine().OpenPopup(OwnId(), QString());
    Settle();
    Engine().ClearCalls();
    window->close();
    ASSERT_TRUE(WaitUntilGone());
    EXPECT_EQ(CallNames().mid(0, GetParam().calls.size()), GetParam().calls);
    const QList<RecordedCall> closes = Engine().CallsNamed("CloseBrowser");
    ASSERT_FALSE(closes.isEmpty());
    EXPECT_FALSE(closes[0].flag);  // not forced
    if (GetParam().singleProcess) {
        EXPECT_EQ(Engine().CallsNamed("LoadURL").value(0).text, QStringLiteral("about:blank"));
    }
    // Events still arriving (here from a pop-up that outlives the window) reach no window: the
    // engine's defaults answer them.
    EXPECT_FALSE(Engine().Navigate(popup, Command(R"({"type":"printwebview"})")));
    EXPECT_TRUE(Engine().JSDialog(popup, JSDIALOGTYPE_ALERT, QStringLiteral("x")).engineDialog());
    EXPECT_TRUE(boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Closing,
    ::testing::Values(CloseCase{"SingleProcess", true, {"LoadURL", "StopLoad", "CloseBrowser"}},
                      CloseCase{"Processes", false, {"StopLoad", "CloseBrowser"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane::browser
