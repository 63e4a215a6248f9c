#include <QFile>
#include <filesystem>

#include "config/Settings.h"

namespace corvane::config {

QString FindUpdateFolder(const QString& programFolder) {
    const QString fallback = QStringLiteral("HISUPDATE");
    try {
        namespace fs = std::filesystem;
        std::error_code ec;
        // The directory iterator lists entries in the order the file system keeps them, hidden
        // ones included, without "." and "..".
        fs::directory_iterator it(QFile::encodeName(programFolder).toStdString(), ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const QString name = QFile::decodeName(it->path().filename().string().c_str());
            if (!name.startsWith(fallback, Qt::CaseInsensitive)) continue;
            std::error_code statError;
            if (fs::is_directory(it->path(), statError)) return name;  // a link to a folder counts
        }
    } catch (...) {
        // An unreadable program folder: the default name.
    }
    return fallback;
}

}  // namespace corvane::config
