// The daily log writer: file names, line form, levels, settings re-reading, the fallback file,
// and lines from several threads.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <thread>

#include "ProgramFolderFixture.h"
#include "log/ProgramFolder.h"
#include "log/log4me.h"

using namespace corvane;
using corvane::testing::ProgramFolderTest;
using corvane::testing::ReadBytes;
using corvane::testing::WriteBytes;

namespace {

class Log4meTest : public ProgramFolderTest {};

// Catches: wrong folder or file name, a missing "logs" folder, lines of switched-off levels
// written, a space after the tag, a changed text.
TEST_F(Log4meTest, WithoutSettingsWritesOnlyErrorsIntoTheDailyFileUnderLogs) {
    StartLog(nullptr);
    EXPECT_TRUE(QFileInfo(Path("logs")).isDir());
    EXPECT_EQ(ProgramFolderOf(QStringLiteral(" ") + Path("app") + QStringLiteral("\t")),
              dir_.path() + u'/');
    LogDebug(QStringLiteral("d"));
    LogInfo(QStringLiteral("i"));
    LogError(QStringLiteral("True"));
    LogError(QStringLiteral("two\r\nlines"));
    EXPECT_EQ(ReadBytes(Path("logs/2024-03-05_app.log")),
              "09:51:53.042 [error]True\r\n09:51:53.042 [error]two\r\nlines\r\n");
}

struct LevelCase {
    const char* name;
    const char* ini;
    bool info, debug;
};

void PrintTo(const LevelCase& c, std::ostream* os) { *os << c.name; }

class Log4meLevelTest : public ProgramFolderTest,
                        public ::testing::WithParamInterface<LevelCase> {};

// Catches: the level compared with case, unknown or empty levels switching more than errors on.
TEST_P(Log4meLevelTest, LevelSettingSwitchesLevels) {
    StartLog(GetParam().ini);
    LogError(QStringLiteral("e"));
    LogInfo(QStringLiteral("i"));
    LogDebug(QStringLiteral("d"));
    const QByteArray text = LogText();
    EXPECT_TRUE(text.contains("[error]e\r\n"));
    EXPECT_EQ(text.contains("[info ]i\r\n"), GetParam().info);
    EXPECT_EQ(text.contains("[debug]d\r\n"), GetParam().debug);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, Log4meLevelTest,
    ::testing::Values(LevelCase{"debug", "[log4me]\nlevel=debug\n", true, true},
                      LevelCase{"DebugMixedCase", "[LOG4ME]\r\nLevel = Debug\r\n", true, true},
                      LevelCase{"DEBUG", "[log4me]\nlevel=DEBUG\n", true, true},
                      LevelCase{"info", "[log4me]\nlevel=INFO\n", true, false},
                      LevelCase{"error", "[log4me]\nlevel=error\n", false, false},
                      LevelCase{"unknownWord", "[log4me]\nlevel=verbose\n", false, false},
                      LevelCase{"empty", "[log4me]\nlevel=\n", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches: missing start-up or closing lines, or the wrong tag on them.
TEST_F(Log4meTest, AtDebugLevelTheRunBeginsAndEndsWithTheWritersOwnLines) {
    StartLog("[log4me]\nlevel=debug\n");
    LogInfo(QStringLiteral("middle"));
    log4me::Stop();
    EXPECT_EQ(LogText(),
              "09:51:53.042 [debug]log4me:application starting....\r\n"
              "09:51:53.042 [info ]middle\r\n"
              "09:51:53.042 [debug]log4me:application stoping....\r\n");
}

struct PathCase {
    const char* name;
    const char* ini;
    const char* folder;  // where the file is expected, relative to the program folder
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

class Log4mePathTest : public ProgramFolderTest, public ::testing::WithParamInterface<PathCase> {};

// Catches: nested folders not created, Windows-style separators taken as part of a name, an
// empty path not meaning the program folder itself.
TEST_P(Log4mePathTest, PathSettingNamesTheFolderBelowTheProgramFolder) {
    StartLog(GetParam().ini);
    LogError(QStringLiteral("here"));
    EXPECT_EQ(LogText(QString::fromUtf8(GetParam().folder)), "09:51:53.042 [error]here\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Log4mePathTest,
    ::testing::Values(PathCase{"nestedWindowsStyle", "[log4me]\npath=a\\b\n", "a/b"},
                      PathCase{"nested", "[log4me]\npath=x/y/z\n", "x/y/z"},
                      PathCase{"empty", "[log4me]\npath=\n", "."},
                      PathCase{"climbingStaysBelow", "[log4me]\npath=sub/../up\n", "up"}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches: the date taken once (at start or at open) instead of for each line; the old file kept
// open after the day changed.
TEST_F(Log4meTest, ChangesFilesAtMidnight) {
    clock_.Set(QDateTime(QDate(2024, 3, 5), QTime(23, 59, 59, 999)));
    StartLog(nullptr);
    LogError(QStringLiteral("last of the day"));
    clock_.Set(QDateTime(QDate(2024, 3, 6), QTime(0, 0, 0, 0)));
    LogError(QStringLiteral("first of the next"));
    EXPECT_EQ(ReadBytes(Path("logs/2024-03-05_app.log")),
              "23:59:59.999 [error]last of the day\r\n");
    EXPECT_EQ(ReadBytes(Path("logs/2024-03-06_app.log")),
              "00:00:00.000 [error]first of the next\r\n");
    // The first file is closed: nothing holds it open any more.
    QDir fd(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& link : fd.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        EXPECT_FALSE(link.symLinkTarget().endsWith(u"2024-03-05_app.log"));
}

// Catches: settings read at every line, never re-read, or re-read by lines of switched-off levels.
TEST_F(Log4meTest, RereadsSettingsOnlyForWrittenLinesMoreThanASecondApart) {
    StartLog("[log4me]\nlevel=error\n");
    WriteBytes(Path("log4me.ini"), "[log4me]\nlevel=debug\n");
    clock_.Advance(600);
    LogError(QStringLiteral("e1"));  // within the second: no reading
    LogDebug(QStringLiteral("d1"));
    clock_.Advance(600);
    LogDebug(QStringLiteral("d2"));  // switched off: triggers nothing
    LogInfo(QStringLiteral("i2"));
    LogError(QStringLiteral("e2"));  // more than a second after the reading: picks up "debug"
    LogDebug(QStringLiteral("d3"));
    const QByteArray text = LogText();
    EXPECT_TRUE(text.contains("[error]e1\r\n"));
    EXPECT_FALSE(text.contains("]d1\r\n"));
    EXPECT_FALSE(text.contains("]d2\r\n"));
    EXPECT_FALSE(text.contains("]i2\r\n"));
    EXPECT_TRUE(text.contains("[error]e2\r\n"));
    EXPECT_TRUE(text.contains("[debug]d3\r\n"));
}

// Catches: a change of "path" not moving the log to the new folder.
TEST_F(Log4meTest, PathChangeMovesTheLog) {
    StartLog(nullptr);
    LogError(QStringLiteral("old"));
    WriteBytes(Path("log4me.ini"), "[log4me]\npath=moved\n");
    clock_.Advance(1500);
    LogError(QStringLiteral("new"));
    EXPECT_TRUE(LogText().endsWith("[error]old\r\n"));
    EXPECT_TRUE(LogText(QStringLiteral("moved")).endsWith("[error]new\r\n"));
}

// Catches: a failure to open reaching the caller, lost without a trace, or the writer never
// trying again once the file can be opened.
TEST_F(Log4meTest, FileThatCannotBeOpenedGoesToTheFallbackUntilItCanAgain) {
    StartLog(nullptr);
    ASSERT_TRUE(QDir().mkpath(LogFile()));  // a folder stands at the log file's name
    LogError(QStringLiteral("one"));
    LogError(QStringLiteral("two"));
    const QList<QByteArray> lines = ReadBytes(Path("log4me_err.log")).split('\n');
    ASSERT_EQ(lines.size(), 3);  // two lines, each ended by CR LF
    const QRegularExpression form(QStringLiteral(
        R"(^2024-03-05 09:51:53\.042 Cannot open file ".*2024-03-05_app\.log"\. .+\r$)"));
    EXPECT_TRUE(form.match(QString::fromLatin1(lines[0])).hasMatch()) << lines[0].toStdString();
    EXPECT_TRUE(form.match(QString::fromLatin1(lines[1])).hasMatch()) << lines[1].toStdString();

    ASSERT_TRUE(QDir().rmdir(LogFile()));
    LogError(QStringLiteral("three"));
    EXPECT_EQ(LogText(), "09:51:53.042 [error]three\r\n");
    EXPECT_EQ(ReadBytes(Path("log4me_err.log")).count('\n'), 2);
}

// Catches: a log folder that cannot be created making the writer fail, hang or throw.
TEST_F(Log4meTest, LogFolderThatCannotBeCreatedLeavesOneFallbackLinePerLine) {
    WriteBytes(Path("logs"), "a file where the folder should be");
    StartLog(nullptr);
    LogError(QStringLiteral("lost"));
    LogError(QStringLiteral("lost again"));
    EXPECT_EQ(ReadBytes(Path("log4me_err.log")).count("Cannot open file"), 2);
}

// Catches: the base name not derived from the executable's name (extension replaced), Chinese
// text not converted to the code page, characters outside it lost instead of "?".
TEST_F(Log4meTest, ExecutableNameAndCodePage) {
    ASSERT_TRUE(dir_.isValid());
    log4me::Start(QStringLiteral("  ") + Path("corvane.bin") + QStringLiteral(" "),
                  [this] { return clock_.Now(); });
    LogError(QString::fromUtf16(u"纳税人 ก"));
    EXPECT_EQ(ReadBytes(Path("logs/2024-03-05_corvane.log")),
              "09:51:53.042 [error]\xC4\xC9\xCB\xB0\xC8\xCB ?\r\n");
}

// Catches: lines from different threads interleaved inside a line, or lost.
TEST_F(Log4meTest, ThreeThreadsWriteWholeLines) {
    // The system clock: the threads also race to re-read the settings.
    StartLog("[log4me]\nlevel=debug\n", /*systemClock=*/true);
    constexpr int kLines = 3000;
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                LogDebug(QStringLiteral("thread %1 line %2 ").arg(t).arg(i) + QString(40, u'x'));
        });
    for (auto& th : threads) th.join();
    log4me::Stop();

    int next[3] = {0, 0, 0};
    const QRegularExpression form(
        QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d{3} \[debug\]thread (\d) line (\d+) x{40}\r$)"));
    const QDir logs(Path("logs"));
    QByteArray all;
    for (const QString& name : logs.entryList(QDir::Files, QDir::Name))  // midnight may pass
        all += ReadBytes(logs.filePath(name));
    for (const QByteArray& line : all.split('\n')) {
        if (line.isEmpty() || line.contains("log4me:application")) continue;
        const auto m = form.match(QString::fromLatin1(line));
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        const int t = m.captured(1).toInt();
        EXPECT_EQ(m.captured(2).toInt(), next[t]) << "thread " << t;  // none lost, in order
        next[t] = m.captured(2).toInt() + 1;
    }
    EXPECT_EQ(next[0], kLines);
    EXPECT_EQ(next[1], kLines);
    EXPECT_EQ(next[2], kLines);
}

// Catches: writing before start or after stop into a file relative to the current folder.
TEST_F(Log4meTest, NothingIsWrittenOutsideStartAndStop) {
    LogError(QStringLiteral("too early"));
    StartLog(nullptr);
    log4me::Stop();
    LogError(QStringLiteral("too late"));
    EXPECT_EQ(LogText(), QByteArray());
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("logs/2024-03-05_app.log")));
}

}  // namespace
