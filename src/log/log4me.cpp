#include "log/log4me.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "config/IniFile.h"
#include "log/LogPlatform.h"
#include "log/ProgramFolder.h"
#include "text/AnsiCodePage.h"

namespace corvane::log4me {
namespace {

using detail::Stamp;

enum class Level { Error, Info, Debug };

// The writer's process-wide state. Start and Stop change the names while holding both locks;
// writers read them under one of the locks, so no thread sees a half-replaced text.
struct State {
    std::atomic<bool> started{false};

    std::mutex settingsLock;  // guards everything down to writeLock
    QString programFolder;    // of the executable given to Start
    QString baseName;
    QString logFolder;
    int64_t lastReading = 0;  // epoch milliseconds of the clock in use
    std::atomic<bool> infoOn{false};
    std::atomic<bool> debugOn{false};
    // The file of the day the last line went to, made again when the day or the settings change
    // (it is needed for every line; making it is most of a line's cost apart from the write).
    QByteArray fileName;
    int fileDay = 0;  // yyyymmdd of fileName

    std::mutex writeLock;  // guards currentFileName and file, and the fallback file
    QByteArray currentFileName;
    detail::AppendFile file;

    std::mutex clockLock;
    std::function<QDateTime()> clock;
    std::atomic<bool> hasClock{false};
};

// Never destroyed: a worker thread that logs while the process exits must not find it gone.
State& S() {
    static State* state = new State;
    return *state;
}

Stamp Now() {
    State& s = S();
    if (!s.hasClock.load(std::memory_order_acquire)) return detail::SystemNow();
    std::function<QDateTime()> clock;
    {
        std::lock_guard lock(s.clockLock);
        clock = s.clock;
    }
    if (!clock) return detail::SystemNow();
    const QDateTime t = clock();
    Stamp st;
    st.year = t.date().year();
    st.month = t.date().month();
    st.day = t.date().day();
    st.hour = t.time().hour();
    st.minute = t.time().minute();
    st.second = t.time().second();
    st.msec = t.time().msec();
    st.epochMsecs = t.toMSecsSinceEpoch();
    return st;
}

QString DateText(const Stamp& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    return QString::fromLatin1(buf);
}

QString TimeText(const Stamp& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", t.hour, t.minute, t.second, t.msec);
    return QString::fromLatin1(buf);
}

// "hh:nn:ss.zzz [tag ]text\r\n" in the code page. The time and tag are ASCII, which every ANSI
// code page holds as itself, so only the text goes through the converter.
QByteArray LineBytes(const Stamp& t, Level level, const QString& text) {
    static constexpr char kTags[][8] = {"[error]", "[info ]", "[debug]"};
    char prefix[] = "00:00:00.000 [tag  ]";
    const auto put = [&prefix](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10) prefix[at + i] = char('0' + value % 10);
    };
    put(0, t.hour, 2);
    put(3, t.minute, 2);
    put(6, t.second, 2);
    put(9, t.msec, 3);
    std::memcpy(prefix + 13, kTags[int(level)], 7);
    const QByteArray ansi = text::ToAnsi(text);
    QByteArray line;
    line.reserve(qsizetype(sizeof prefix - 1) + ansi.size() + 2);
    line.append(prefix, qsizetype(sizeof prefix - 1));
    line.append(ansi);
    line.append("\r\n", 2);
    return line;
}

// Reads log4me.ini; the caller holds settingsLock. The new folder and switches replace the old
// ones at once, so concurrent writers see either the old settings or the new ones.
void ReadSettingsLocked(State& s, const Stamp& now) {
    config::IniReader ini;
    try {
        ini.Load(s.programFolder + QStringLiteral("log4me.ini"));  // unreadable: the defaults
    } catch (...) {
        ini = config::IniReader();  // too large to read: the defaults
    }
    const QString section = QStringLiteral("log4me");
    QString path = ini.Read(section, QStringLiteral("path"), QStringLiteral("logs"));
    // Nested folders written the Windows way ("a\b") are nested folders here too.
    path.replace(u'\\', u'/');
    const QString folder = s.programFolder + path + u'/';
    detail::CreateFolders(folder);
    const QString level =
        ini.Read(section, QStringLiteral("level"), QStringLiteral("error")).toLower();
    s.logFolder = folder;
    s.fileName.clear();
    s.infoOn = level == u"debug" || level == u"info";
    s.debugOn = level == u"debug";
    s.lastReading = now.epochMsecs;
}

void Fallback(State& s, const QString& failure, const Stamp& now) {
    const QByteArray line = text::ToAnsi(DateText(now) + u' ' + TimeText(now) + u' ' + failure +
                                         QStringLiteral("\r\n"));
    detail::AppendFile err;
    if (err.Open(QFile::encodeName(s.programFolder + QStringLiteral("log4me_err.log")), nullptr))
        err.Write(line);
}

void LockedWrite(State& s, const QByteArray& fileName, const QByteArray& line, const Stamp& now) {
    std::lock_guard lock(s.writeLock);
    if (!s.started) return;  // Stop ran while this line was being built
    if (fileName != s.currentFileName) {
        s.currentFileName = fileName;
        s.file.Close();
    }
    if (!s.file.IsOpen()) {
        QString failure;
        if (!s.file.Open(fileName, &failure)) {
            Fallback(s, failure, now);
            return;
        }
    }
    s.file.Write(line);
}

void Write(Level level, const QString& text) {
    State& s = S();
    if (!s.started.load(std::memory_order_acquire)) return;
    if ((level == Level::Info && !s.infoOn) || (level == Level::Debug && !s.debugOn)) return;
    try {
        const Stamp now = Now();
        QByteArray fileName;
        {
            std::lock_guard lock(s.settingsLock);
            if (!s.started) return;
            // Either direction: a clock set back by more than a second also re-reads.
            const int64_t since = now.epochMsecs - s.lastReading;
            if (since > 1000 || since < -1000) ReadSettingsLocked(s, now);
            // One reading of the clock gives both the line's time and the file's date, so a line
            // is never stamped with one day and filed under the next.
            const int day = now.year * 10000 + now.month * 100 + now.day;
            if (s.fileName.isEmpty() || day != s.fileDay) {
                s.fileName = QFile::encodeName(s.logFolder + DateText(now) + u'_' + s.baseName);
                s.fileDay = day;
            }
            fileName = s.fileName;
        }
        LockedWrite(s, fileName, LineBytes(now, level, text), now);
    } catch (...) {
        // Nothing ever reaches the caller of the log.
    }
}

}  // namespace

void Start(const QString& executablePath, std::function<QDateTime()> clock) {
    State& s = S();
    {
        std::lock_guard lock(s.clockLock);
        s.hasClock = bool(clock);
        s.clock = std::move(clock);
    }
    const QString path = executablePath.trimmed();
    const QString folder = ProgramFolderOf(path);
    const QString name = path.mid(std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString baseName = (dot >= 0 ? name.left(dot) : name) + QStringLiteral(".log");
    {
        std::scoped_lock lock(s.settingsLock, s.writeLock);
        s.file.Close();
        s.currentFileName.clear();
        s.programFolder = folder;
        s.baseName = baseName;
        ReadSettingsLocked(s, Now());
        s.started = true;
    }
    LogDebug(QStringLiteral("log4me:application starting...."));
}

void Stop() {
    State& s = S();
    if (!s.started) return;
    LogDebug(QStringLiteral("log4me:application stoping...."));
    std::scoped_lock lock(s.settingsLock, s.writeLock);
    s.started = false;
    s.file.Close();
    s.currentFileName.clear();
    s.logFolder.clear();
    s.fileName.clear();
    s.programFolder.clear();
    s.baseName.clear();
    s.infoOn = false;
    s.debugOn = false;
}

}  // namespace corvane::log4me

namespace corvane {
void LogError(const QString& text) { log4me::Write(log4me::Level::Error, text); }
void LogInfo(const QString& text) { log4me::Write(log4me::Level::Info, text); }
void LogDebug(const QString& text) { log4me::Write(log4me::Level::Debug, text); }
}  // namespace corvane
