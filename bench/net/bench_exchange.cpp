// One report exchange against curl posting the same bytes, side by side in one run, and the
// longest stall of the UI thread's timers while a report waits 5 s on a slow server.
//
//   bench_exchange [rounds]      (default 40)
//
// Both clients post the 92-byte report body to the same local server, which answers at once; the
// rounds alternate between them. curl's figure includes starting its process, as a program that
// used curl for the report would pay it too.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "log/Diagnostic.h"
#include "log/log4me.h"
#include "net/HttpExchange.h"

namespace {

using corvane::net::HttpExchange;
using corvane::net::ThMsg;

const QByteArray kBody =
    "{\"mac\":\"001A2B3C4D5E\",\"version\":\"1.0.5\",\"app_type\":\"1\",\"djxh\":\"\","
    "\"nsrsbh\":\"330100123456789\"}";

// Answers every request with a short 200, after delayMs.
class LocalServer {
  public:
    explicit LocalServer(int delayMs) : delayMs_(delayMs) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(fd_, 64);
        socklen_t len = sizeof addr;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~LocalServer() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        thread_.join();
        close(fd_);
    }
    QString url() const {
        return QStringLiteral("http://127.0.0.1:%1/zjgfdacx/app/queryVersion.do").arg(port_);
    }

  private:
    void Run() {
        while (!stop_) {
            const int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) continue;
            QByteArray request;
            char buf[4096];
            for (;;) {
                const qsizetype end = request.indexOf("\r\n\r\n");
                if (end >= 0) {
                    const qsizetype at = request.toLower().indexOf("content-length:");
                    const qsizetype length =
                        at < 0 ? 0
                               : request.mid(at + 15, request.indexOf('\r', at) - at - 15)
                                     .trimmed()
                                     .toLongLong();
                    if (request.size() >= end + 4 + length) break;
                }
                const ssize_t n = recv(c, buf, sizeof buf, 0);
                if (n <= 0) break;
                request.append(buf, n);
            }
            if (delayMs_ > 0) poll(nullptr, 0, delayMs_);
            const char reply[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
            send(c, reply, sizeof reply - 1, MSG_NOSIGNAL);
            close(c);
        }
    }

    int delayMs_;
    int fd_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty()
               ? 0
               : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

double Min(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}
double Max(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

ThMsg ReportMsg(const QString& url) {
    ThMsg msg;
    msg.In_url = url;
    msg.In_nr = QString::fromLatin1(kBody);
    msg.bz_post = true;
    msg.ContentType = QStringLiteral("application/json; charset=UTF-8");
    return msg;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
    QTemporaryDir folder;
    corvane::log4me::Start(folder.path() + QStringLiteral("/bench_exchange"));
    corvane::InstallDiagnosticRouting();

    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
    const QString bodyFile = folder.path() + QStringLiteral("/body.json");
    {
        QFile f(bodyFile);
        f.open(QIODevice::WriteOnly);
        f.write(kBody);
    }

    std::vector<double> exchangeMs, curlMs;
    {
        LocalServer server(0);
        for (int i = 0; i < rounds; ++i) {
            ThMsg msg = ReportMsg(server.url());
            QElapsedTimer t;
            t.start();
            const int result = HttpExchange(msg, true);
            exchangeMs.push_back(t.nsecsElapsed() / 1e6);
            if (result != 99) {
                std::fprintf(stderr, "exchange failed: %s\n", qPrintable(msg.out_info));
                return 1;
            }
            if (curl.isEmpty()) continue;
            QProcess p;
            t.restart();
            p.start(curl, {QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                           QStringLiteral("--http1.0"), QStringLiteral("-H"),
                           QStringLiteral("Content-Type: application/json; charset=UTF-8"),
                           QStringLiteral("--data-binary"), u'@' + bodyFile, server.url()});
            p.waitForFinished(60000);
            curlMs.push_back(t.nsecsElapsed() / 1e6);
            if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
                std::fprintf(stderr, "curl failed: exit code %d\n", p.exitCode());
                return 1;
            }
        }
    }
    const double ex = Median(exchangeMs);
    std::printf(
        "report exchange (worker form): median %.3f ms (min %.3f, max %.3f) over %d rounds\n", ex,
        Min(exchangeMs), Max(exchangeMs), rounds);
    if (curl.isEmpty()) {
        std::printf("curl: not installed, no reference figure\n");
    } else {
        const double cu = Median(curlMs);
        std::printf(
            "curl, same bytes:              median %.3f ms (min %.3f, max %.3f) over %d rounds\n",
            cu, Min(curlMs), Max(curlMs), rounds);
        std::printf("ratio exchange / curl:         %.3f\n", cu > 0 ? ex / cu : 0.0);
    }

    // The UI thread's 10 ms timer while a report waits 5 s for the server.
    {
        LocalServer slow(5000);
        QElapsedTimer sinceTick;
        qint64 longestGapNs = 0;
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
            if (ticks++ > 0) longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
            sinceTick.restart();
        });
        timer.start(10);
        ThMsg msg = ReportMsg(slow.url());
        QElapsedTimer t;
        t.start();
        HttpExchange(msg, true);
        std::printf(
            "slow server: report waited %.0f ms, %d ticks of a 10 ms timer, "
            "longest gap between ticks %.3f ms\n",
            t.nsecsElapsed() / 1e6, ticks, longestGapNs / 1e6);
    }
    corvane::RemoveDiagnosticRouting();
    corvane::log4me::Stop();
    return 0;
}
