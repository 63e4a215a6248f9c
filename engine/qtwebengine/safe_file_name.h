// Reduces a file name suggested by a server or a page to one safe file-name component. Pure; any
// thread.
#pragma once

#include <QString>

namespace corvane::engine {

// The name Chromium's download code would save under, for a name that Qt WebEngine hands on as it
// came: "/" and "\" become "_" (so "../x" and "/etc/passwd" cannot leave the chosen folder),
// control and invisible format characters become "_", leading dots and blanks and trailing blanks
// go, the result is cut to at most 244 UTF-8 bytes keeping its extension (room for Chromium's
// ".crdownload" while the download runs), and an empty result becomes
// "download". Everything else (such as "《" or "|") is kept.
QString SafeDownloadFileName(const QString& suggested);

}  // namespace corvane::engine
