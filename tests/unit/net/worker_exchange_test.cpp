// The worker form: the calling thread keeps handling its events while the worker talks to the
// server, nested exchanges run inside the wait, a quit request waits for the report, a slow but
// living server keeps the exchange alive, and a thread that cannot start gives -1.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include "ExchangeHelpers.h"
#include "RawServer.h"
#include "TestLog.h"
#include "config/IniFile.h"
#include "config/Settings.h"
#include "net/HttpExchange.h"
#include "net/MachineIdentity.h"
#include "net/VersionReport.h"

namespace corvane::net {
namespace {

using namespace corvane::net::testing;

class WorkerExchangeTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char arg0[] = "net_tests";
        static char* argv[] = {arg0, nullptr};
        app_ = new QCoreApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete app_;
        app_ = nullptr;
    }
    static QCoreApplication* app_;
};

QCoreApplication* WorkerExchangeTest::app_ = nullptr;

TEST_F(WorkerExchangeTest, LogsTheRequestAtInfoLevelFirst) {
    RawServer server({{Send(Ok("fine"))}});
    LogTail log;
    ThMsg msg = PostMsg(server.url("/w"), QStringLiteral("{\"a\":\"b\"}"));
    EXPECT_EQ(HttpExchange(msg, true), 99);
    EXPECT_EQ(msg.out_info, u"fine");
    const QStringList expected = {QStringLiteral("info|In_url:") + msg.In_url,
                                  QStringLiteral("info|In_nr:{\"a\":\"b\"}"),
                                  QStringLiteral("debug|req:{\"a\":\"b\"}"),
                                  QStringLiteral("debug|url:") + msg.In_url,
                                  QStringLiteral("debug|res:fine"),
                                  QStringLiteral("debug|http end")};
    EXPECT_EQ(log.Entries(), expected);
}

TEST_F(WorkerExchangeTest, TimersKeepTickingWhileTheServerWaits) {
    // The server answers only after the timer has ticked 20 times during the wait: a wait that
    // does not handle events would instead end in the read time-out.
    RawServer server({{WaitRelease(), Send(Ok("late"))}});
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
        if (++ticks == 20) server.Release();
    });
    timer.start(10);
    ThMsg msg = PostMsg(server.url("/slow"), QStringLiteral("{}"));
    EXPECT_EQ(HttpExchange(msg, true), 99) << msg.out_info.toStdString();
    EXPECT_EQ(msg.out_info, u"late");
    EXPECT_GE(ticks, 20);
}

TEST_F(WorkerExchangeTest, NestedExchangeRunsToItsEndInsideTheWait) {
    RawServer outerServer({{WaitRelease(), Send(Ok("outer"))}});
    RawServer innerServer({{Send(Ok("inner"))}});
    QStringList order;
    ThMsg inner = PostMsg(innerServer.url("/inner"), QStringLiteral("{}"));
    QTimer::singleShot(0, app_, [&] {
        order << QStringLiteral("inner start");
        HttpExchange(inner, true);
        order << QStringLiteral("inner end");
        outerServer.Release();
    });
    ThMsg outer = PostMsg(outerServer.url("/outer"), QStringLiteral("{}"));
    EXPECT_EQ(HttpExchange(outer, true), 99);
    order << QStringLiteral("outer end");
    EXPECT_EQ(inner.i_res, 99);
    EXPECT_EQ(inner.out_info, u"inner");
    EXPECT_EQ(outer.out_info, u"outer");
    EXPECT_EQ(order, QStringList({"inner start", "inner end", "outer end"}));
}

TEST_F(WorkerExchangeTest, DrippingServerKeepsTheExchangeAlivePastThirtySeconds) {
    // Each wait is shorter than the read time-out, the whole exchange longer.
    RawServer server({{Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n"), Pause(20000),
                       Send("o"), Pause(20000), Send("k")}});
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] { ++ticks; });
    timer.start(10);
    QElapsedTimer clock;
    clock.start();
    ThMsg msg = PostMsg(server.url("/drip"), QStringLiteral("{}"));
    EXPECT_EQ(HttpExchange(msg, true), 99) << msg.out_info.toStdString();
    EXPECT_EQ(msg.out_info, u"ok");
    EXPECT_GT(clock.elapsed(), 30000);
    EXPECT_GE(ticks, 100);  // events kept flowing throughout
}

TEST_F(WorkerExchangeTest, QuitDuringAReportTakesEffectAfterTheNumberIsStored) {
    QDir(ProgramFolder()).mkpath(QStringLiteral("HISUPDATE"));
    config::AppSettings settings = config::DefaultSettings(ProgramFolder());
    settings.UpdateFolder = QStringLiteral("HISUPDATE/");
    RawServer server({{WaitRelease(), Send(Ok("ok"))}});
    settings.Server = server.url("/report");
    LogTail log;

    bool reportReturned = false;
    QTimer::singleShot(0, app_, [&] {
        SendVersionReport(settings, QStringLiteral("QUIT0001"));
        reportReturned = true;
    });
    // Once the request is at the server (the report is waiting), ask the program to quit, then
    // let the server answer.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        if (server.requests().empty()) return;
        watch.stop();
        QCoreApplication::quit();
        server.Release();
    });
    watch.start(5);
    QTimer::singleShot(120000, app_, [] { QCoreApplication::exit(2); });  // never hang the run
    EXPECT_EQ(QCoreApplication::exec(), 0);

    EXPECT_TRUE(reportReturned);
    EXPECT_EQ(config::ReadIniString(config::QvprmPath(settings), QStringLiteral("parms"),
                                    QStringLiteral("nsrsbh"), QStringLiteral("<none>")),
              u"QUIT0001");
    EXPECT_TRUE(log.Entries().contains(u"debug|res:ok"));
}

// Leaves the process too little address space for a thread's stack, then starts an exchange.
void ExchangeWithoutRoomForAThread() {
    long pages = 0;
    if (FILE* f = fopen("/proc/self/statm", "r")) {
        if (fscanf(f, "%ld", &pages) != 1) pages = 0;
        fclose(f);
    }
    const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + 4 * 1024 * 1024;
    const rlimit r{limit, limit};
    if (pages == 0 || setrlimit(RLIMIT_AS, &r) != 0) _exit(3);
    ThMsg msg = PostMsg(QStringLiteral("http://127.0.0.1:9/x"), QStringLiteral("{}"));
    const int32_t result = HttpExchange(msg, true);
    const bool ok = result == -1 && msg.i_res == -1 &&
                    msg.out_info.startsWith(u"Could not start the exchange thread");
    _exit(ok ? 0 : 1);
}

TEST(WorkerStartDeathTest, ThreadThatCannotStartGivesMinusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ExchangeWithoutRoomForAThread(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace corvane::net
