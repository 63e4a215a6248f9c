#include "platform.h"

#include <unistd.h>

#include <QFileInfo>

namespace corvane::engine {

QString ExecutablePath() {
    // /proc/self/exe names the executable even when it was started through a link or a relative
    // path from another folder.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString ProgramFolder() { return QFileInfo(ExecutablePath()).absolutePath(); }

bool RunningAsRoot() { return geteuid() == 0; }

}  // namespace corvane::engine
