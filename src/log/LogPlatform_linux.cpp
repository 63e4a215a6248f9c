#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "log/LogPlatform.h"

namespace corvane::log4me::detail {

Stamp SystemNow() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    Stamp s;
    s.year = local.tm_year + 1900;
    s.month = local.tm_mon + 1;
    s.day = local.tm_mday;
    s.hour = local.tm_hour;
    s.minute = local.tm_min;
    s.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second stays within the pattern
    s.msec = int(ts.tv_nsec / 1000000);
    s.epochMsecs = int64_t(ts.tv_sec) * 1000 + s.msec;
    return s;
}

bool AppendFile::Open(const QByteArray& nativeName, QString* error) {
    Close();
    // O_APPEND: every write lands at the end, also when another process appends meanwhile.
    fd_ = ::open(nativeName.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ >= 0) return true;
    if (error) {
        char buffer[256];
        const char* reason = strerror_r(errno, buffer, sizeof buffer);  // GNU: returns the text
        *error = QStringLiteral("Cannot open file \"%1\". %2")
                     .arg(QFile::decodeName(nativeName), QString::fromLocal8Bit(reason));
    }
    return false;
}

void AppendFile::Write(const QByteArray& bytes) {
    const char* p = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= size_t(n);
    }
}

void AppendFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void CreateFolders(const QString& folder) {
    std::error_code ec;
    std::filesystem::create_directories(
        std::filesystem::path(QFile::encodeName(folder).toStdString()), ec);
}

}  // namespace corvane::log4me::detail
