// The platform pieces of the log writer: the local clock, the append-only log file and folder
// creation. Used by log4me.cpp only.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace corvane::log4me::detail {

// A local date and time to the millisecond, plus the same instant as milliseconds since the epoch
// (to tell how long ago the settings were read).
struct Stamp {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    int64_t epochMsecs = 0;
};
Stamp SystemNow();

// A file opened for appending (created when missing, never truncated, no sharing restriction).
// Not thread-safe: the log writer's write lock guards it. Closed on destruction.
class AppendFile {
  public:
    AppendFile() = default;
    ~AppendFile() { Close(); }
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // nativeName: the path as the file system spells it. On failure *error names the reason.
    bool Open(const QByteArray& nativeName, QString* error);
    bool IsOpen() const { return fd_ >= 0; }
    // Appends every byte it can; failures are ignored, as the log writer wants.
    void Write(const QByteArray& bytes);
    void Close();

  private:
    int fd_ = -1;
};

// Creates the folder and every missing parent; failures are ignored.
void CreateFolders(const QString& folder);

}  // namespace corvane::log4me::detail
