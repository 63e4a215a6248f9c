// Running outside programs: how a command line names its program, the working folder, exit codes
// and what happens when nothing can be started.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "update/Uprocess.h"

namespace corvane::update {
namespace {

struct SplitCase {
    const char* line;
    const char* program;
    QStringList arguments;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

// Catches word splitting that ignores quotes or keeps empty words.
TEST_P(SplitCommandLineTest, NamesProgramAndArguments) {
    const CommandLine line = SplitCommandLine(QString::fromUtf8(GetParam().line));
    EXPECT_EQ(line.program, QString::fromUtf8(GetParam().program));
    EXPECT_EQ(line.arguments, GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitCommandLineTest,
    ::testing::Values(SplitCase{"/opt/tool/run a b", "/opt/tool/run", {"a", "b"}},
                      SplitCase{"\"/opt/my tools/run\"  -x\t\"two words\"",
                                "/opt/my tools/run",
                                {"-x", "two words"}},
                      SplitCase{"run \"\"", "run", {""}}, SplitCase{"   ", "", {}},
                      SplitCase{"", "", {}}));

// A folder with a blank must not cut the program's path when the whole line names a file.
TEST(SplitCommandLine, WholeLineNamingAFileIsTheProgram) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("my tools"));
    const QString program = dir.path() + "/my tools/ExeUpdate";
    QFile file(program);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const CommandLine line = SplitCommandLine(program);
    EXPECT_EQ(line.program, program);
    EXPECT_TRUE(line.arguments.isEmpty());
}

TEST(FolderOf, KeepsEverythingUpToTheLastSlash) {
    EXPECT_EQ(FolderOf("/a/b/ExeUpdate"), "/a/b/");
    EXPECT_EQ(FolderOf("/ExeUpdate"), "/");
    EXPECT_EQ(FolderOf("ExeUpdate"), "");
}

// A script in a folder with a blank in its name; it writes its working folder and its arguments
// into out.txt beside the test's folder and ends as its body says.
class ScriptFolder {
  public:
    ScriptFolder() {
        QDir(dir_.path()).mkpath("script folder");
        folder_ = dir_.path() + "/script folder/";
    }
    QString Write(const QString& name, const QByteArray& body) {
        const QString path = folder_ + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n" + body + "\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        return path;
    }
    QString Folder() const { return folder_; }
    QString Out() const { return dir_.path() + "/out.txt"; }
    QByteArray ReadOut() const {
        QFile file(Out());
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("<none>");
    }

  private:
    QTemporaryDir dir_;
    QString folder_;
};

struct RunCase {
    const char* name;
    QByteArray body;    // %OUT% is replaced by the path of out.txt
    int extraArgChars;  // an argument of this many "x" after the program
    uint32_t exitCode;
    bool checkFolder;  // out.txt holds the working folder
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class RunAndWaitTest : public ::testing::TestWithParam<RunCase> {};

// Catches a wrong working folder, a lost exit code or signal, and a command line not cut at 511.
TEST_P(RunAndWaitTest, RunsInItsOwnFolderAndReturnsTheExitCode) {
    ScriptFolder scripts;
    QByteArray body = GetParam().body;
    body.replace("%OUT%", QFile::encodeName(scripts.Out()));
    const QString program = scripts.Write("tool", body);
    QString line = "\"" + program + "\"";
    if (GetParam().extraArgChars > 0) line += " " + QString(GetParam().extraArgChars, 'x');

    EXPECT_EQ(RunAndWait(line, 1), GetParam().exitCode);
    if (GetParam().checkFolder) {
        EXPECT_EQ(scripts.ReadOut(), QFile::encodeName(QDir(scripts.Folder()).absolutePath()));
    }
    if (GetParam().extraArgChars > 0) {
        const int kept = kMaxCommandLine - (program.length() + 3);
        EXPECT_EQ(scripts.ReadOut(), QByteArray::number(kept));
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, RunAndWaitTest,
                         ::testing::Values(RunCase{"ExitCode", "pwd > '%OUT%'; exit 7", 0, 7, true},
                                           RunCase{"Signal", "kill -TERM $$", 0, 128 + 15, false},
                                           RunCase{"LongLine", "printf %s \"$1\" | wc -c > '%OUT%'",
                                                   600, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Catches a failed start reported as a run.
TEST(RunAndWait, ReturnsZeroWhenNothingCanBeStarted) {
    QTemporaryDir dir;
    EXPECT_EQ(RunAndWait(dir.path() + "/missing", 1), 0u);
    ScriptFolder scripts;
    const QString notExecutable = scripts.Write("plain", "exit 5");
    QFile::setPermissions(notExecutable, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(RunAndWait(notExecutable, 1), 0u);
}

// Catches open files and sockets of the program leaking into the programs it starts.
TEST(RunAndWait, PassesOnlyTheStandardDescriptors) {
    ScriptFolder scripts;
    const int fd = ::open("/dev/null", O_RDONLY);  // inheritable on purpose
    ASSERT_GE(fd, 3);
    const QString program = scripts.Write(
        "tool", "test -e /proc/self/fd/" + QByteArray::number(fd) + " && exit 3; exit 0");
    EXPECT_EQ(RunAndWait(program, 1), 0u);
    ::close(fd);
}

bool WaitForFile(const QString& path) {
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(path) && timer.elapsed() < 30000) QThread::msleep(20);
    return QFile::exists(path);
}

// Catches a launcher started in the caller's folder instead of its own.
TEST(StartDetached, StartsInTheGivenFolderWithoutWaiting) {
    ScriptFolder scripts;
    const QString program =
        scripts.Write("launcher", "pwd > started.tmp; mv started.tmp started.txt");
    QTemporaryDir work;
    QString error;
    ASSERT_TRUE(StartDetached(program, work.path() + "/", &error)) << error.toStdString();
    ASSERT_TRUE(WaitForFile(work.path() + "/started.txt"));
    QFile started(work.path() + "/started.txt");
    ASSERT_TRUE(started.open(QIODevice::ReadOnly));
    EXPECT_EQ(started.readAll().trimmed(), QFile::encodeName(work.path()));
}

TEST(StartDetached, ReportsWhyNothingStarted) {
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(StartDetached(dir.path() + "/FUpdate", dir.path() + "/", &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
}  // namespace corvane::update
