#include "update/Uprocess.h"

#include <QFileInfo>

#include "log/Diagnostic.h"
#include "update/Uprocess_platform.h"

namespace corvane::update {

CommandLine SplitCommandLine(const QString& commandLine) {
    const QString whole = commandLine.trimmed();
    if (!whole.isEmpty() && QFileInfo(whole).isFile()) return {whole, {}};

    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (const QChar c : commandLine) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (inWord) words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words << word;
    if (words.isEmpty()) return {};
    CommandLine result;
    result.program = words.takeFirst();
    result.arguments = words;
    return result;
}

QString FolderOf(const QString& program) {
    return program.left(program.lastIndexOf(QLatin1Char('/')) + 1);
}

uint32_t RunAndWait(const QString& commandLine, uint16_t /*showState*/) {
    const CommandLine line = SplitCommandLine(commandLine.left(kMaxCommandLine));
    if (line.program.isEmpty()) {
        ReportDiagnostic(QStringLiteral("error^RunAndWait: empty command line"));
        return 0;
    }
    uint32_t exitCode = 0;
    QString error;
    if (!platform::SpawnAndWait(line.program, line.arguments, FolderOf(line.program), &exitCode,
                                &error)) {
        ReportDiagnostic(QStringLiteral("error^%1 not started: %2").arg(line.program, error));
        return 0;
    }
    return exitCode;
}

bool StartDetached(const QString& program, const QString& workingFolder, QString* error) {
    QString reason;
    const bool started = platform::SpawnDetached(program, workingFolder, &reason);
    if (error) *error = reason;
    return started;
}

}  // namespace corvane::update
