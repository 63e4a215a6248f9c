// Three threads reporting at once through the diagnostic routing, as the UI thread, the report's
// worker and the update worker do: every entry arrives whole (its two lines together, in one
// piece), none is lost, each thread's entries stay in order, and the routing's source-folder lines
// that the threads race to write are whole lines of their own.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <thread>
#include <vector>

#include "log/Diagnostic.h"
#include "log/log4me.h"

namespace corvane {
namespace {

constexpr int kThreads = 3;
constexpr int kEntries = 10000;

// Each thread reports from a file in a folder of its own, at a level of its own.
struct Reporter {
    const char* level;
    const char* sourceFile;
};
const Reporter kReporters[kThreads] = {{"error", "/src/net/HttpExchange.cpp"},
                                       {"info", "/src/update/UpdateSequence.cpp"},
                                       {"debug", "/src/browser/Uchrome.cpp"}};

QString Message(int thread, int entry) {
    return QStringLiteral("thread %1 entry %2 ").arg(thread).arg(entry) + QString(60, u'x');
}

// Catches lines of different threads mixed inside an entry, an entry split from its second line,
// lost entries and a folder line torn by a concurrent write.
TEST(LogThreads, ThreeThreadsReportTenThousandEntriesEachWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile ini(dir.filePath(QStringLiteral("log4me.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[log4me]\r\nlevel=debug\r\n");
    }
    log4me::Start(dir.filePath(QStringLiteral("corvane")));
    InstallDiagnosticRouting();

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const Reporter& r = kReporters[t];
            for (int i = 0; i < kEntries; ++i)
                ReportDiagnosticAt(QLatin1String(r.level) + u'^' + Message(t, i), r.sourceFile,
                                   100 + t);
        });
    }
    for (std::thread& th : threads) th.join();
    RemoveDiagnosticRouting();
    log4me::Stop();

    QByteArray all;  // midnight may pass during the run
    const QDir logs(dir.filePath(QStringLiteral("logs")));
    for (const QString& name : logs.entryList(QDir::Files, QDir::Name)) {
        QFile f(logs.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        all += f.readAll();
    }
    ASSERT_TRUE(all.endsWith("\r\n"));
    const QList<QByteArray> lines = all.left(all.size() - 2).split('\n');

    const QRegularExpression head(QStringLiteral(
        R"(^\d\d:\d\d:\d\d\.\d{3} \[(error|info |debug)\]Addr: [0-9A-F]{8}, in file\((\d+)\): )"
        R"((\w+\.cpp), (\w+): \r$)"));
    const QRegularExpression folderLine(
        QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d{3} \[debug\]/src/(net|update|browser)/\r$)"));
    int next[kThreads] = {0, 0, 0};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromLatin1(lines[i]);
        if (line.contains(QLatin1String("log4me:application")) || folderLine.match(line).hasMatch())
            continue;
        const auto m = head.match(line);
        ASSERT_TRUE(m.hasMatch()) << "line " << i << ": " << line.toStdString();
        const int t = m.captured(2).toInt() - 100;
        ASSERT_TRUE(t >= 0 && t < kThreads) << line.toStdString();
        EXPECT_EQ(m.captured(4), QLatin1String(kReporters[t].level));
        ASSERT_LT(i + 1, lines.size());
        EXPECT_EQ(QString::fromLatin1(lines[++i]), Message(t, next[t]) + QStringLiteral(" \r"))
            << "thread " << t;
        ++next[t];
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kEntries) << "thread " << t;
}

}  // namespace
}  // namespace corvane
