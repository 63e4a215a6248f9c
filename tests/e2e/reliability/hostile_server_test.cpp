// The login report against servers that misbehave, end to end from SendVersionReport to the log
// and qvprm.ini, with the UI thread's event loop and a 10 ms timer (the engine pump) running.
// Every case must end with exactly one "error^" entry naming the URL and the fault, the taxpayer
// number stored, the UI thread answering while the server misbehaves, and no crash.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <memory>

#include "LoopbackServer.h"
#include "config/IniFile.h"
#include "config/Settings.h"
#include "log/Diagnostic.h"
#include "log/log4me.h"
#include "net/MachineIdentity.h"
#include "net/VersionReport.h"

namespace corvane::reliability {
namespace {

using testsupport::Connection;
using testsupport::LoopbackServer;

QTemporaryDir* g_program = nullptr;  // the program folder of this test process

QByteArray AllLogBytes() {
    QByteArray all;  // the files in date order: a run across midnight adds a later file
    const QDir logs(g_program->filePath(QStringLiteral("logs")));
    for (const QString& name : logs.entryList(QDir::Files, QDir::Name)) {
        QFile f(logs.filePath(name));
        if (f.open(QIODevice::ReadOnly)) all += f.readAll();
    }
    return all;
}

// Posts a call to the UI thread and waits until the UI thread has run it: a server that only
// misbehaves after this knows the UI thread handled events during the exchange.
class UiAnswers {
  public:
    void Ask(Connection& connection) {
        QMetaObject::invokeMethod(
            qApp, [this] { answered_ = true; }, Qt::QueuedConnection);
        for (int waited = 0; !answered_ && waited < 120000; waited += 20)
            if (!connection.Pause(20)) return;
    }
    bool answered() const { return answered_; }

  private:
    std::atomic<bool> answered_{false};
};

const QByteArray kStatusOk = "HTTP/1.1 200 OK\r\n";
const QByteArray kMegabyte(1024 * 1024, 'a');

struct HostileCase {
    const char* name;
    std::function<void(Connection&)> misbehave;
    const char* errorPath;  // the path of the URL the error names
    const char* message;    // part of the error message
    int requests;           // connections the exchange opened
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

const HostileCase kCases[] = {
    {"NeverAnswers", [](Connection& c) { c.Hold(); }, "/report", "Read timed out after 30000 ms",
     1},
    {"ClosesMidHeader", [](Connection& c) { c.Send(kStatusOk + "Content-Ty"); }, "/report",
     "Connection closed in the middle of the response head", 1},
    {"MegabyteHeaderLine",
     [](Connection& c) { c.Send(kStatusOk + "X-Big: " + kMegabyte + "\r\n\r\n"); }, "/report",
     "Response header line too long", 1},
    {"EndlessBody",
     [](Connection& c) {
         if (!c.Send(kStatusOk + "Content-Type: text/plain\r\n\r\n")) return;
         while (c.Send(kMegabyte)) {
         }
     },
     "/report", "Response too large (more than 64 MiB)", 1},
    {"EndlessChunkedBody",
     [](Connection& c) {
         if (!c.Send(kStatusOk + "Transfer-Encoding: chunked\r\n\r\n")) return;
         while (c.Send("100000\r\n" + kMegabyte + "\r\n")) {
         }
     },
     "/report", "Response too large (more than 64 MiB)", 1},
    {"RedirectLoop",
     [](Connection& c) {
         c.Send("HTTP/1.1 302 Found\r\nLocation: /loop\r\nContent-Length: 0\r\n\r\n");
     },
     "/loop", "HTTP/1.1 302 Found", 2},
    {"RedirectToHttps",
     [](Connection& c) {
         c.Send("HTTP/1.1 302 Found\r\nLocation: https://127.0.0.1/secure\r\n\r\n");
     },
     nullptr, "HTTPS is not supported", 1},
    {"ResetAfterRequest", [](Connection& c) { c.Reset(); }, "/report", "Connection reset by peer",
     1},
    {"Http09Garbage", [](Connection& c) { c.Send("<html><body>hello</body></html>\r\n"); },
     "/report", "invalid status line", 1},
};

class HostileServerTest : public ::testing::TestWithParam<HostileCase> {
  protected:
    void SetUp() override {
        QDir(g_program->path()).mkpath(QStringLiteral("HISUPDATE"));
        settings.UpdateFolder = QStringLiteral("HISUPDATE/");
        QFile::remove(config::QvprmPath(settings));
        pump_.start(10);
    }
    QString Stored() const {
        return config::ReadIniString(config::QvprmPath(settings), QStringLiteral("parms"),
                                     QStringLiteral("nsrsbh"), QStringLiteral("<none>"));
    }

    config::AppSettings settings = config::DefaultSettings(g_program->path() + u'/');
    QTimer pump_;  // stands in for the engine pump, which ticks through the report's wait
};

TEST_P(HostileServerTest, EndsWithOneErrorAndTheNumberStored) {
    const HostileCase& c = GetParam();
    UiAnswers ui;
    LoopbackServer server([&](Connection& connection) {
        ui.Ask(connection);
        c.misbehave(connection);
    });
    settings.Server = server.url(QStringLiteral("/report"));
    const qsizetype logBefore = AllLogBytes().size();

    net::SendVersionReport(settings, QStringLiteral("330100799655058"));

    EXPECT_EQ(Stored(), QStringLiteral("330100799655058"));
    EXPECT_TRUE(ui.answered()) << "the UI thread handled no events while the server misbehaved";
    EXPECT_EQ(server.requests(), c.requests);
    const QString written = QString::fromLatin1(AllLogBytes().mid(logBefore));
    ASSERT_EQ(written.count(QStringLiteral("[error]")), 1) << written.toStdString();
    const QString url = c.errorPath ? server.url(QLatin1String(c.errorPath))
                                    : QStringLiteral("https://127.0.0.1/secure");
    EXPECT_TRUE(written.contains(QStringLiteral(": \r\n") + url + QStringLiteral("\r\n")))
        << written.toStdString();
    EXPECT_TRUE(written.contains(QLatin1String(c.message))) << written.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Servers, HostileServerTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane::reliability

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs at build time, without a display.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    QTemporaryDir program;
    if (!program.isValid()) return 1;
    corvane::reliability::g_program = &program;
    {
        QFile ini(program.filePath(QStringLiteral("log4me.ini")));
        if (!ini.open(QIODevice::WriteOnly)) return 1;
        ini.write("[log4me]\r\nlevel=error\r\n");
    }
    corvane::log4me::Start(program.filePath(QStringLiteral("corvane")));
    corvane::InstallDiagnosticRouting();
    corvane::net::SetMachineIdentity(QStringLiteral("001A2B3C4D5E"));
    const int result = RUN_ALL_TESTS();
    corvane::RemoveDiagnosticRouting();
    corvane::log4me::Stop();
    return result;
}
