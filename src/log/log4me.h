// The daily log writer.
//
// Files: <program folder><path>/yyyy-mm-dd_<base>.log, lines "hh:nn:ss.zzz [tag ]text\r\n" in the
// ANSI code page; failures to open a log file go to <program folder>log4me_err.log. Settings come
// from <program folder>log4me.ini, section "log4me", keys "path" (default "logs") and "level"
// (default "error"), re-read at most once a second when a line passes its switch.
//
// Threads: LogError/LogInfo/LogDebug may be called from any thread between Start and Stop. They
// never throw and never report anything to the caller.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

namespace corvane::log4me {

// Starts the writer: derives the program folder (ProgramFolderOf) and log base name from the
// executable's path, reads the settings and writes "log4me:application starting....". Call once,
// first thing. clock: the local clock for the file date and the line time; none (the program's
// own start) is the system clock, a test gives a clock of its own.
void Start(const QString& executablePath, std::function<QDateTime()> clock = {});
// Writes "log4me:application stoping...." and closes the open file.
void Stop();

}  // namespace corvane::log4me

namespace corvane {
void LogError(const QString& text);
void LogInfo(const QString& text);
void LogDebug(const QString& text);
}  // namespace corvane
