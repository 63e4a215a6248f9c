// Where a download is saved. Pure; any thread.
#pragma once

#include <QString>

namespace corvane::engine {

// The path the client gave, with relative paths taken in the program folder (never the current
// directory). A path naming a folder (ending in "/", or an existing folder) gets file_name added;
// an empty path means file_name in default_folder.
QString DownloadTarget(const QString& client_path, const QString& file_name,
                       const QString& program_folder, const QString& default_folder);

}  // namespace corvane::engine
