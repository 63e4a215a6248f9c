#include "download_target.h"

#include <QDir>
#include <QFileInfo>

namespace corvane::engine {

QString DownloadTarget(const QString& client_path, const QString& file_name,
                       const QString& program_folder, const QString& default_folder) {
    if (client_path.isEmpty()) return QDir::cleanPath(QDir(default_folder).filePath(file_name));
    const QString path = QDir(program_folder).absoluteFilePath(client_path);
    if (client_path.endsWith(u'/') || QFileInfo(path).isDir())
        return QDir::cleanPath(QDir(path).filePath(file_name));
    return QDir::cleanPath(path);
}

}  // namespace corvane::engine
