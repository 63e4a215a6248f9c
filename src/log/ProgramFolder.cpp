#include "log/ProgramFolder.h"

#include <QFileInfo>
#include <algorithm>

namespace corvane {

QString ProgramFolderOf(const QString& executablePath) {
    QString path = executablePath.trimmed();
    if (!path.isEmpty() && QFileInfo(path).isRelative() && !path.contains(u'\\'))
        path = QFileInfo(path).absoluteFilePath();
    const qsizetype sep = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    QString folder = path.left(sep + 1);
    if (!folder.trimmed().isEmpty() && !folder.endsWith(u'/') && !folder.endsWith(u'\\'))
        folder += u'/';
    return folder;
}

}  // namespace corvane
