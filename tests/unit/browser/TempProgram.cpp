#include "TempProgram.h"

#include <QDir>
#include <QFile>

#include "log/log4me.h"
#include "text/AnsiCodePage.h"

namespace corvane::testing {

TempProgram::TempProgram(const QString& engineFolder) {
    QFile ini(dir_.filePath(QStringLiteral("log4me.ini")));
    if (ini.open(QIODevice::WriteOnly)) ini.write("[log4me]\r\nlevel=debug\r\n");
    ini.close();
    if (!engineFolder.isEmpty()) {
        QFile::link(QDir(engineFolder).absolutePath(), dir_.filePath(QStringLiteral("CefLib")));
    }
    log4me::Start(dir_.filePath(QStringLiteral("corvane")));
}

TempProgram::~TempProgram() { log4me::Stop(); }

QString TempProgram::Folder() const { return dir_.path() + QLatin1Char('/'); }

QString TempProgram::ReadLogs(const QString& programFolder) {
    QByteArray all;
    const QDir logs(programFolder + QStringLiteral("logs"));
    for (const QString& name : logs.entryList({QStringLiteral("*.log")}, QDir::Files, QDir::Name)) {
        QFile f(logs.filePath(name));
        if (f.open(QIODevice::ReadOnly)) all += f.readAll();
    }
    return text::FromAnsi(all);
}

}  // namespace corvane::testing
