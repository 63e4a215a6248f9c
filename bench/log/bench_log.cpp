// Log lines per second: three threads writing at level "debug" through the log writer, against a
// plain loop of write(2) calls putting the same lines into a file that is already open.
//
//   bench_log [lines per thread]   (default 100000)
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "log/log4me.h"
#include "text/AnsiCodePage.h"

namespace {

constexpr int kThreads = 3;

QString LineText(int thread, int i) {
    return QStringLiteral("HttpExchange thread %1 line %2: POST http://127.0.0.1/report 200")
        .arg(thread)
        .arg(i);
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int perThread = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    const int total = perThread * kThreads;
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    {
        QFile ini(dir.filePath(QStringLiteral("log4me.ini")));
        if (!ini.open(QIODevice::WriteOnly)) return 1;
        ini.write("[log4me]\r\nlevel=debug\r\n");
    }

    // The log writer, three threads. The texts are made beforehand: making them is the caller's
    // work, not the writer's (the plain loop, too, gets its lines ready-made).
    std::vector<std::vector<QString>> texts(kThreads);
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < perThread; ++i) texts[size_t(t)].push_back(LineText(t, i));
    corvane::log4me::Start(dir.filePath(QStringLiteral("bench")));
    auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&texts, t] {
            for (const QString& text : texts[size_t(t)]) corvane::LogDebug(text);
        });
    for (auto& th : threads) th.join();
    const double logSeconds = Seconds(start);
    corvane::log4me::Stop();

    // The same lines, already formed, written by one loop of write(2) on an open file.
    std::vector<QByteArray> lines;
    lines.reserve(size_t(total));
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < perThread; ++i)
            lines.push_back(corvane::text::ToAnsi(QStringLiteral("09:51:53.042 [debug]") +
                                                  LineText(t, i) + QStringLiteral("\r\n")));
    const QByteArray plainPath = QFile::encodeName(dir.filePath(QStringLiteral("plain.log")));
    const int fd = ::open(plainPath.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return 1;
    start = std::chrono::steady_clock::now();
    for (const QByteArray& line : lines)
        if (::write(fd, line.constData(), size_t(line.size())) != line.size()) return 1;
    const double plainSeconds = Seconds(start);
    ::close(fd);

    const double logRate = total / logSeconds;
    const double plainRate = total / plainSeconds;
    std::printf("lines: %d (%d threads x %d)\n", total, kThreads, perThread);
    std::printf("log writer, level debug, %d threads: %12.0f lines/s\n", kThreads, logRate);
    std::printf("plain write(2) loop, open file:     %12.0f lines/s\n", plainRate);
    std::printf("log writer / plain write:           %12.2f\n", logRate / plainRate);
    return 0;
}
