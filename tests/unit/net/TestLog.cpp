#include "TestLog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "log/Diagnostic.h"
#include "log/log4me.h"
#include "text/AnsiCodePage.h"

namespace corvane::net::testing {
namespace {

const QDate kLogDate(2024, 3, 15);

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

QString LogFilePath() { return ProgramFolder() + QStringLiteral("logs/2024-03-15_net_tests.log"); }

class LogEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        ASSERT_TRUE(Folder().isValid());
        QFile ini(ProgramFolder() + QStringLiteral("log4me.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[log4me]\r\nlevel=debug\r\n");
        ini.close();
        // A fixed date keeps every line of a run in one file, whenever the run crosses midnight.
        log4me::Start(ProgramFolder() + QStringLiteral("net_tests"),
                      [] { return QDateTime(kLogDate, QTime::currentTime()); });
        InstallDiagnosticRouting();
    }
    void TearDown() override {
        RemoveDiagnosticRouting();
        log4me::Stop();
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

}  // namespace

QString ProgramFolder() { return Folder().path() + u'/'; }

LogTail::LogTail() { start_ = QFileInfo(LogFilePath()).size(); }

QStringList LogTail::Entries() const {
    QFile file(LogFilePath());
    if (!file.open(QIODevice::ReadOnly)) return {};
    file.seek(start_);
    const QString text = text::FromAnsi(file.readAll());
    static const QRegularExpression head(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d \\[(error|info |debug)\\](.*)$"));
    struct Entry {
        QString level;
        QString text;
    };
    std::vector<Entry> entries;
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = head.match(line);
        if (m.hasMatch())
            entries.push_back({m.captured(1).trimmed(), m.captured(2)});
        else if (!entries.empty())
            entries.back().text += QStringLiteral("\r\n") + line;
    }
    QStringList out;
    static const QRegularExpression diagnostic(
        QStringLiteral("^Addr: [0-9A-F]+, in file\\(\\d+\\): [^,]*, [^:]*: \\r\\n(.*) $"),
        QRegularExpression::DotMatchesEverythingOption);
    for (const Entry& e : entries) {
        const QRegularExpressionMatch m = diagnostic.match(e.text);
        if (m.hasMatch()) {
            out << e.level + u'|' + m.captured(1);
        } else if (!(e.level == u"debug" && e.text.startsWith(u'/') && e.text.endsWith(u'/'))) {
            out << e.level + u'|' + e.text;
        }
    }
    return out;
}

QStringList LogTail::Entries(const QString& level) const {
    QStringList out;
    for (const QString& e : Entries())
        if (e.startsWith(level + u'|')) out << e;
    return out;
}

}  // namespace corvane::net::testing
