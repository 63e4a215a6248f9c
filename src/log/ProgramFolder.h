// The program folder: where the executable lies, whichever folder the program was started from.
// The entry derives it once for its context; the log writer derives its own files from it.
#pragma once

#include <QString>

namespace corvane {

// The folder of executablePath (blanks around it ignored; a relative path taken against the
// current folder), ending in "/"; empty when the path names no folder.
QString ProgramFolderOf(const QString& executablePath);

}  // namespace corvane
