// The entry as a whole, started in a prepared program folder: the start-up gates, the engine
// library checks, the helper-process path and the cache wipe. Each start runs the probe (the entry
// with boxes answered through the seam) in a child process, so exit codes, boxes and the files the
// program opens can be observed.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "net/AdapterAddress.h"

namespace {

enum class Library { Scripted, Missing, Corrupt, MissingExport, OtherVersion, NoHandshake };

// A program folder with the probe as its executable, and a separate current directory.
class ProgramFolder {
  public:
    explicit ProgramFolder(Library library, const QByteArray& chromePz = {}) {
        EXPECT_TRUE(root_.isValid());
        prog_ = QDir(root_.path()).canonicalPath() + QStringLiteral("/prog");
        cwd_ = QDir(root_.path()).canonicalPath() + QStringLiteral("/cwd");
        QDir().mkpath(prog_ + QStringLiteral("/CefLib"));
        QDir().mkpath(prog_ + QStringLiteral("/HISUPDATE"));
        QDir().mkpath(prog_ + QStringLiteral("/cache"));
        QDir().mkpath(cwd_ + QStringLiteral("/cache"));
        const QString exe = prog_ + QStringLiteral("/corvane_probe");
        EXPECT_TRUE(QFile::copy(QStringLiteral(CORVANE_PROBE), exe));
        QFile(exe).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        const QString lib = prog_ + QStringLiteral("/CefLib/libcef.so");
        switch (library) {
            case Library::Scripted:
                QFile::link(QStringLiteral(CORVANE_SCRIPTED_ENGINE), lib);
                break;
            case Library::MissingExport:
                QFile::link(QStringLiteral(CORVANE_MISSING_EXPORT_ENGINE), lib);
                break;
            case Library::OtherVersion:
                QFile::link(QStringLiteral(CORVANE_OTHER_VERSION_ENGINE), lib);
                break;
            case Library::NoHandshake:
                QFile::link(QStringLiteral(CORVANE_NO_HANDSHAKE_ENGINE), lib);
                break;
            case Library::Corrupt:
                Write(lib, QByteArray("\x7f"
                                      "ELF but nothing like a library",
                                      31));
                break;
            case Library::Missing:
                break;
        }
        Write(prog_ + QStringLiteral("/log4me.ini"), "[log4me]\r\nlevel=debug\r\n");
        Write(prog_ + QStringLiteral("/qvpz.pz"), "[config]\r\nTaxUrl=about:blank\r\n");
        Write(prog_ + QStringLiteral("/HISUPDATE/qvprm.ini"), "[parms]\r\nversion=1.0\r\n");
        if (!chromePz.isNull()) Write(prog_ + QStringLiteral("/chrome.pz"), chromePz);
        Write(prog_ + QStringLiteral("/cache/stale.txt"), "old engine cache");
        Write(cwd_ + QStringLiteral("/cache/keep.txt"), "the user's own folder");
    }

    const QString& prog() const { return prog_; }
    const QString& cwd() const { return cwd_; }

    static void Write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(bytes);
    }

  private:
    QTemporaryDir root_;
    QString prog_, cwd_;
};

struct StartResult {
    int exitCode = -1;
    QStringList report;
    QStringList opened;  // files the program opened: "qvpz.pz", "HISUPDATE/qvprm.ini", ...
    QString log;

    QStringList Lines(const QString& prefix) const {
        return report.filter(
            QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(prefix)));
    }
    bool Has(const QString& prefix) const { return !Lines(prefix).isEmpty(); }
    QString Value(const QString& prefix) const {
        const QStringList l = Lines(prefix);
        return l.isEmpty() ? QString() : l.last().mid(prefix.size());
    }
};

// Starts the probe and waits for it (generously: a loaded machine is slow to start Qt).
StartResult Start(const ProgramFolder& folder, const QStringList& args) {
    StartResult run;
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    const int progWatch = inotify_add_watch(watch, QFile::encodeName(folder.prog()), IN_OPEN);
    const int updWatch = inotify_add_watch(
        watch, QFile::encodeName(folder.prog() + QStringLiteral("/HISUPDATE")), IN_OPEN);

    const QString report = folder.prog() + QStringLiteral("/../probe-report.txt");
    QProcess probe;
    probe.setProgram(folder.prog() + QStringLiteral("/corvane_probe"));
    probe.setArguments(args);
    probe.setWorkingDirectory(folder.cwd());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CORVANE_PROBE_REPORT"), report);
    probe.setProcessEnvironment(env);
    probe.setProcessChannelMode(QProcess::ForwardedChannels);
    probe.start();
    const bool finished = probe.waitForStarted(60000) && probe.waitForFinished(180000);
    EXPECT_TRUE(finished) << "the program did not end";
    if (!finished) probe.kill();
    if (probe.exitStatus() == QProcess::NormalExit) run.exitCode = probe.exitCode();

    alignas(inotify_event) char buf[64 * 1024];
    for (ssize_t n; (n = read(watch, buf, sizeof buf)) > 0;) {
        for (char* p = buf; p < buf + n;) {
            auto* e = reinterpret_cast<inotify_event*>(p);
            if (e->len > 0) {
                const QString name = QFile::decodeName(e->name);
                run.opened << (e->wd == updWatch ? QStringLiteral("HISUPDATE/") + name : name);
            }
            p += sizeof(inotify_event) + e->len;
        }
    }
    (void)progWatch;
    close(watch);

    QFile r(report);
    if (r.open(QIODevice::ReadOnly))
        run.report = QString::fromUtf8(r.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QFile::remove(report);
    for (const QFileInfo& f :
         QDir(folder.prog() + QStringLiteral("/logs")).entryInfoList(QDir::Files)) {
        QFile l(f.filePath());
        if (l.open(QIODevice::ReadOnly)) run.log += QString::fromLatin1(l.readAll());
    }
    return run;
}

// ---------------------------------------------------------------------------------------------

struct ArgumentCase {
    const char* name;
    QStringList args;
    bool helper;  // an engine helper process: ends at the engine step
    bool goesOn;  // passes every gate: configuration, wait text, main window
};

void PrintTo(const ArgumentCase& c, std::ostream* os) { *os << c.name; }

class StartArguments : public ::testing::TestWithParam<ArgumentCase> {};

// Catches a helper process that opens windows, reads the configuration or wipes the running main
// process's cache; a guard that misses "--TYPE=gpu" or "x--type=1" or stops at a bare "--type=".
TEST_P(StartArguments, GatesFollowTheCommandLine) {
    const ArgumentCase& c = GetParam();
    ProgramFolder folder(Library::Scripted, "0");
    const StartResult run = Start(folder, c.args);

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.Value(QStringLiteral("execute ")).startsWith(QStringLiteral("1|")));
    EXPECT_TRUE(run.opened.contains(QStringLiteral("chrome.pz"))) << "read in every process";
    EXPECT_FALSE(run.Has(QStringLiteral("box "))) << run.report.join(u'\n').toStdString();

    if (c.helper) {
        EXPECT_FALSE(run.Has(QStringLiteral("app"))) << "a helper never creates a QApplication";
        EXPECT_FALSE(run.Has(QStringLiteral("shown ")));
        EXPECT_FALSE(run.Has(QStringLiteral("initialize ")));
        EXPECT_EQ(run.Value(QStringLiteral("shutdown ")), QStringLiteral("0"));
        EXPECT_TRUE(QFile::exists(folder.prog() + QStringLiteral("/cache/stale.txt")))
            << "a helper leaves its main process's cache alone";
    } else {
        EXPECT_TRUE(run.Value(QStringLiteral("initialize ")).startsWith(QStringLiteral("1|")));
        EXPECT_EQ(run.Value(QStringLiteral("shutdown ")), QStringLiteral("1"));
    }

    const QString waitShown =
        QStringLiteral("shown corvane::TFrmWait_show|WaitForm|正在读取配置信息...");
    EXPECT_EQ(run.report.contains(waitShown), c.goesOn);
    EXPECT_EQ(run.opened.contains(QStringLiteral("qvpz.pz")), c.goesOn);
    EXPECT_EQ(run.opened.contains(QStringLiteral("HISUPDATE/qvprm.ini")), c.goesOn);
    EXPECT_EQ(run.log.contains(QStringLiteral("[info ]False")), c.goesOn);
    EXPECT_EQ(run.Value(QStringLiteral("browsers ")),
              c.goesOn ? QStringLiteral("1") : QStringLiteral("0"))
        << "the main window and its browser";
}

INSTANTIATE_TEST_SUITE_P(
    Entry, StartArguments,
    ::testing::Values(ArgumentCase{"NoArguments", {}, false, true},
                      ArgumentCase{"BareTypeSwitch", {QStringLiteral("--type=")}, false, true},
                      ArgumentCase{"Renderer", {QStringLiteral("--type=renderer")}, true, false},
                      ArgumentCase{"UpperCaseType", {QStringLiteral("--TYPE=gpu")}, false, false},
                      ArgumentCase{
                          "TypeInsideArgument", {QStringLiteral("x--type=1")}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------

struct LibraryCase {
    const char* name;
    Library library;
    int exitCode;
    QString box;  // pattern of the one box shown
};

void PrintTo(const LibraryCase& c, std::ostream* os) { *os << c.name; }

class EngineLibrary : public ::testing::TestWithParam<LibraryCase> {};

// Catches a missing library that is loaded anyway or reported as a crash, and a broken library
// that is not reported as an application error with its reason and exit code 1.
TEST_P(EngineLibrary, RefusesWithItsMessage) {
    const LibraryCase& c = GetParam();
    ProgramFolder folder(c.library);
    const StartResult run = Start(folder, {});
    EXPECT_EQ(run.exitCode, c.exitCode);
    const QStringList boxes = run.Lines(QStringLiteral("box "));
    ASSERT_EQ(boxes.size(), 1) << run.report.join(u'\n').toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^box ") + c.box + QStringLiteral("$"))
                    .match(boxes[0])
                    .hasMatch())
        << boxes[0].toStdString();
    EXPECT_EQ(run.Value(QStringLiteral("execute ")).section(u'|', 0, 0), QStringLiteral("0"));
    EXPECT_FALSE(run.report.filter(QStringLiteral("TFrmWait_show")).size() > 0) << "no wait text";
    EXPECT_FALSE(run.opened.contains(QStringLiteral("qvpz.pz")));
}

INSTANTIATE_TEST_SUITE_P(
    Entry, EngineLibrary,
    ::testing::Values(
        LibraryCase{"Missing", Library::Missing, 0, QStringLiteral("Corvane\\|缺少系统运行环境！")},
        LibraryCase{
            "Corrupt", Library::Corrupt, 1,
            QStringLiteral(
                "Application Error\\|System Error\\.  Code: -?\\d+\\.\\\\r\\\\n.*libcef\\.so.*")},
        LibraryCase{"MissingExport", Library::MissingExport, 1,
                    QStringLiteral("Application Error\\|Invalid CEF Library version")},
        // Refused before any call that passes the interface's classes, which would crash.
        LibraryCase{"OtherVersion", Library::OtherVersion, 1,
                    QStringLiteral("Application Error\\|Invalid CEF Library version")},
        LibraryCase{"RealCefWithoutHandshake", Library::NoHandshake, 1,
                    QStringLiteral("Application Error\\|Invalid CEF Library version")}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------

// Catches chrome.pz not reaching the engine's settings, and the fixed settings drifting.
TEST(EngineSettings, SingleProcessSwitchAndFixedValuesReachTheEngine) {
    struct {
        QByteArray chromePz;
        QString singleProcess;
    } cases[] = {{"1", "1"}, {"0", "0"}, {QByteArray(), "0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chromePz.isNull() ? "no chrome.pz" : c.chromePz.constData());
        ProgramFolder folder(Library::Scripted, c.chromePz);
        const StartResult run = Start(folder, {});
        const QStringList fields = run.Value(QStringLiteral("initialize ")).split(u'|');
        ASSERT_EQ(fields.size(), 6) << run.report.join(u'\n').toStdString();
        EXPECT_EQ(fields[1], QStringLiteral("single_process=") + c.singleProcess);
        EXPECT_EQ(fields[2],
                  QStringLiteral("cache_path=") + folder.prog() + QStringLiteral("/cache"));
        EXPECT_EQ(fields[3], QStringLiteral("ignore_cert=1"));
        EXPECT_EQ(fields[4], QStringLiteral("log_severity=99"));
        // The engine's texts, navigator.language and Accept-Language follow the UI language.
        EXPECT_EQ(fields[5], QStringLiteral("locale=zh-CN"));
    }
}

// Catches the start wiping "cache" in whatever folder the user started the program from.
TEST(CacheWipe, WipesTheProgramFoldersCacheOnly) {
    ProgramFolder folder(Library::Scripted);
    const StartResult run = Start(folder, {});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(QFile::exists(folder.cwd() + QStringLiteral("/cache/keep.txt")));
    EXPECT_FALSE(QFile::exists(folder.prog() + QStringLiteral("/cache/stale.txt")));
}

// Catches a machine identity that keeps the dashes of the adapter address, and an update folder
// without its trailing separator.
TEST(StartupValues, MachineIdentityAndUpdateFolder) {
    ProgramFolder folder(Library::Scripted);
    const StartResult run = Start(folder, {});
    EXPECT_EQ(run.Value(QStringLiteral("identity ")),
              corvane::net::GetAdapterAddress().remove(u'-'));
    EXPECT_FALSE(run.Value(QStringLiteral("identity ")).contains(u'-'));
    // The configuration reader found qvprm.ini through the update folder and its separator.
    EXPECT_TRUE(run.opened.contains(QStringLiteral("HISUPDATE/qvprm.ini")))
        << run.opened.join(u' ').toStdString();
}

// Catches a start that leaves the log without its closing line (an ending out of order).
TEST(Ending, LogClosesAfterTheMainWindow) {
    ProgramFolder folder(Library::Scripted);
    const StartResult run = Start(folder, {});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.log.trimmed().endsWith(QStringLiteral("log4me:application stoping....")))
        << run.log.right(300).toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
