// The log as the net tests see it: every test process writes its log at debug level into a
// temporary program folder, and a LogTail reads back the entries written since it was created.
#pragma once

#include <QString>
#include <QStringList>

namespace corvane::net::testing {

// The temporary program folder (ending in "/"), set up before the first test runs.
QString ProgramFolder();

// The log entries written after construction, each as "level|text": "debug|http end",
// "info|In_url:http://...", "error|<url>\r\n<message>". A diagnostic entry gives its level and
// message; the routing's own source-folder lines are left out.
class LogTail {
  public:
    LogTail();
    QStringList Entries() const;
    // The entries of one level.
    QStringList Entries(const QString& level) const;

  private:
    qint64 start_ = 0;
};

}  // namespace corvane::net::testing
