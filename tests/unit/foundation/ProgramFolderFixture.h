// A program folder in a temporary directory with the log writer started in it, and a clock the
// test moves by hand.
#pragma once

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <mutex>

#include "log/log4me.h"

namespace corvane::testing {

class ManualClock {
  public:
    explicit ManualClock(QDateTime start) : now_(std::move(start)) {}
    QDateTime Now() const {
        std::lock_guard lock(mutex_);
        return now_;
    }
    void Set(QDateTime t) {
        std::lock_guard lock(mutex_);
        now_ = std::move(t);
    }
    void Advance(qint64 msecs) {
        std::lock_guard lock(mutex_);
        now_ = now_.addMSecs(msecs);
    }

  private:
    mutable std::mutex mutex_;
    QDateTime now_;
};

inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

class ProgramFolderTest : public ::testing::Test {
  protected:
    ProgramFolderTest() : clock_(QDateTime(QDate(2024, 3, 5), QTime(9, 51, 53, 42))) {}
    ~ProgramFolderTest() override { log4me::Stop(); }

    // Writes log4me.ini (when iniText is not null) and starts the writer for the executable "app",
    // on the test's clock unless it asks for the system's.
    void StartLog(const char* iniText, bool systemClock = false) {
        ASSERT_TRUE(dir_.isValid());
        if (iniText) WriteBytes(Path("log4me.ini"), iniText);
        log4me::Start(Path("app"),
                      systemClock ? std::function<QDateTime()>()
                                  : std::function<QDateTime()>([this] { return clock_.Now(); }));
    }

    QString Path(const QString& relative) const { return dir_.path() + u'/' + relative; }
    QString LogFile(const QString& folder = QStringLiteral("logs")) const {
        return Path(folder + u'/' + clock_.Now().date().toString(u"yyyy-MM-dd") +
                    QStringLiteral("_app.log"));
    }
    QByteArray LogText(const QString& folder = QStringLiteral("logs")) const {
        return ReadBytes(LogFile(folder));
    }

    QTemporaryDir dir_;
    ManualClock clock_;
};

}  // namespace corvane::testing
