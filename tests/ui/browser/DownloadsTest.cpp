// Downloads in the status bar: the size text, the progress text and its branches, completion with
// its box, the clean-up of an empty download pop-up and the end of the program on a blank page.
#include "CaseName.h"
#include "WindowFixture.h"

namespace corvane::browser {
namespace {

using scripted::DownloadState;

struct StartCase {
    const char* name;
    int64_t total;
    QString suggested;
    QString status;
};

class DownloadStart : public WindowFixture, public ::testing::WithParamInterface<StartCase> {};

TEST_P(DownloadStart, ShowsTheSizeAndContinuesIntoDownWithTheDialog) {
    Open();
    DownloadState initial;
    initial.totalBytes = GetParam().total;
    const scripted::BeforeDownloadAnswer got =
        Engine().BeginDownload(OwnId(), GetParam().suggested, initial);
    EXPECT_EQ(window->StatusText(), GetParam().status);
    EXPECT_TRUE(got.continued);
    EXPECT_EQ(got.path, QStringLiteral("down/") + GetParam().suggested);
    EXPECT_TRUE(got.showDialog);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DownloadStart,
    ::testing::Values(StartCase{"UnknownSize", 0, "a.txt", "下载文件大小：0.00 M"},
                      StartCase{"OneAndAHalf", 1572864, "b.zip", "下载文件大小：1.50 M"},
                      StartCase{"NameKept", 10, "申报表《2024》|1.xls", "下载文件大小：0.00 M"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowFixture, ProgressFollowsTheItemStateStepByStep) {
    Open();
    const QDateTime start = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)).toUTC();
    const int download = Engine().BeginDownload(OwnId(), "r.pdf", DownloadState()).download;
    const auto progress = [&](int64_t received, const QString& path) {
        DownloadState s;
        s.totalBytes = 1572864;
        s.receivedBytes = received;
        s.currentSpeed = 1234567;
        s.percentComplete = 42;
        s.startTime = start;
        s.fullPath = path;
        return s;
    };
    DownloadState interrupted = progress(5, "/d/r.pdf");
    interrupted.phase = DownloadState::Interrupted;
    const QString running = QStringLiteral(
        "当前速度：1234.57 K;已下载：42%;总大小：1572864;开始时间：2024-03-05 14:07:09;"
        "保存位置：/d/r.pdf");
    const struct {
        DownloadState state;
        QString status;
    } steps[] = {
        // Started with the size unknown: the size text again once it is known, then the rules.
        {progress(0, "/d/r.pdf"), QStringLiteral("下载文件大小：1.50 M")},
        {progress(0, "/d/r.pdf"), ""},        // nothing received yet: empty
        {progress(10, "/d/r.pdf"), running},  // the nine values
        {progress(20, ""), running},          // target not known: text kept
        {progress(-1, "/d/r.pdf"), ""},       // nothing received: empty
        {progress(30, "/d/r.pdf"), running},
        {interrupted, ""},  // neither complete, cancelled nor running
    };
    for (const auto& step : steps) {
        Engine().UpdateDownload(download, step.state);
        Settle();
        EXPECT_EQ(window->StatusText(), step.status);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WindowFixture, SizeTextShowsTheSizeOnceItBecomesKnown) {
    Open();
    const auto state = [](int64_t total, int64_t received) {
        DownloadState s;
        s.totalBytes = total;
        s.receivedBytes = received;
        s.percentComplete = total > 0 ? int(received * 100 / total) : -1;
        s.fullPath = QStringLiteral("/d/f.bin");
        return s;
    };
    const int known = Engine().BeginDownload(OwnId(), "k.bin", state(3145728, 0)).download;
    const int unknown = Engine().BeginDownload(OwnId(), "u.bin", state(0, 0)).download;
    EXPECT_EQ(window->StatusText(), QStringLiteral("下载文件大小：0.00 M"));
    const struct {
        int download;
        DownloadState state;
        QString statusStart;
    } steps[] = {
        // Known from the start: progress as always.
        {known, state(3145728, 1024), QStringLiteral("当前速度：")},
        // Still unknown (no Content-Length): progress with the size as it stands.
        {unknown, state(0, 1024), QStringLiteral("当前速度：")},
        // The size of the second arrives: its size text, once.
        {unknown, state(2097152, 2048), QStringLiteral("下载文件大小：2.00 M")},
        {unknown, state(2097152, 4096), QStringLiteral("当前速度：")},
        {known, state(3145728, 2048), QStringLiteral("当前速度：")},
    };
    for (const auto& step : steps) {
        Engine().UpdateDownload(step.download, step.state);
        Settle();
        EXPECT_TRUE(window->StatusText().startsWith(step.statusStart))
            << window->StatusText().toStdString();
    }
}

enum class Where { Own, PopupWithDocument, EmptyPopup };

struct EndCase {
    const char* name;
    Where where;
    DownloadState::Phase phase;
    bool mainBlank;
    QString status;
    bool popupClosed;
    bool windowCloses;
};

class DownloadEnd : public WindowFixture, public ::testing::WithParamInterface<EndCase> {};

TEST_P(DownloadEnd, ReportsCleansUpAndClosesOnABlankPage) {
    const EndCase& c = GetParam();
    const TFrmChrome* opened = &Open();
    int browser = OwnId();
    if (c.where != Where::Own) {
        browser = Engine().OpenPopup(OwnId(), QString());
        if (c.where == Where::PopupWithDocument) Engine().LoadEnd(browser, 200);
        Settle();
    }
    if (c.mainBlank) Engine().Navigate(OwnId(), QStringLiteral("ABOUT:blank"));
    const int download = Engine().BeginDownload(browser, "f.bin", DownloadState()).download;
    Engine().ClearCalls();
    DownloadState end;
    end.phase = c.phase;
    Engine().UpdateDownload(download, end);
    Settle();

    const bool complete = c.phase == DownloadState::Complete;
    ASSERT_EQ(boxes.size(), complete ? 1u : 0u);
    if (complete) {
        EXPECT_EQ(boxes[0].text, QStringLiteral("下载成功"));
        EXPECT_EQ(boxes[0].caption, QStringLiteral("Corvane"));
        EXPECT_EQ(boxes[0].owner, opened);
    }
    bool popupClosed = false;
    for (const scripted::RecordedCall& call : Engine().CallsNamed("CloseBrowser")) {
        if (call.browser == browser && browser != OwnId()) popupClosed = call.flag;
    }
    EXPECT_EQ(popupClosed, c.popupClosed);
    if (c.windowCloses) {
        EXPECT_TRUE(WaitUntilGone());
    } else {
        EXPECT_EQ(window->StatusText(), c.status);
    }
}

constexpr auto kDone = DownloadState::Complete;
constexpr auto kCanceled = DownloadState::Canceled;

INSTANTIATE_TEST_SUITE_P(
    Cases, DownloadEnd,
    ::testing::Values(
        EndCase{"CompleteInOwnPage", Where::Own, kDone, false, "下载完成！", false, false},
        EndCase{"CompleteInEmptyPopup", Where::EmptyPopup, kDone, false, "下载完成！", true, false},
        EndCase{"CompleteInPopupWithPage", Where::PopupWithDocument, kDone, false, "下载完成！",
                false, false},
        EndCase{"CompleteOnBlankMainPage", Where::EmptyPopup, kDone, true, "", true, true},
        EndCase{"CanceledInOwnPage", Where::Own, kCanceled, false, "", false, false},
        EndCase{"CanceledInEmptyPopup", Where::EmptyPopup, kCanceled, false, "", true, false},
        EndCase{"CanceledOnBlankMainPage", Where::Own, kCanceled, true, "", false, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane::browser
