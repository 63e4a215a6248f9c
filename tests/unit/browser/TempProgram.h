// A temporary program folder for tests: log4me started there at debug level (so the program
// folder, its log and its configuration files are private to the test process), optionally with
// the engine library linked in as CefLib/.
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace corvane::testing {

class TempProgram {
  public:
    // engineFolder: a folder holding libcef.so, linked as <program folder>/CefLib; empty: none.
    explicit TempProgram(const QString& engineFolder = {});
    ~TempProgram();
    TempProgram(const TempProgram&) = delete;
    TempProgram& operator=(const TempProgram&) = delete;

    // Ends in "/".
    QString Folder() const;
    // Everything logged so far (every log file of the folder, decoded from the ANSI code page).
    QString LogText() const { return ReadLogs(Folder()); }
    // The same for any program folder.
    static QString ReadLogs(const QString& programFolder);
    qsizetype LogMark() const { return LogText().size(); }
    QString LogSince(qsizetype mark) const { return LogText().mid(mark); }

  private:
    QTemporaryDir dir_;
};

}  // namespace corvane::testing
