// Private-profile INI files with the Windows rules: section and key names compared without regard
// to case, blanks around values dropped, one pair of matching quotes removed, values cut at 2047
// characters, ANSI code page or UTF-16LE with BOM, writes that change only the one key.
#pragma once

#include <QString>

namespace corvane::config {

// Returns the value, or def when the file, section or key is missing. A key present with an empty
// value gives the empty text. Never throws.
QString ReadIniString(const QString& path, const QString& section, const QString& key,
                      const QString& def);

// Writes key=value into section, creating the section, key or file when missing and keeping every
// other line. The folder is not created. Returns false when the file cannot be written.
bool WriteIniString(const QString& path, const QString& section, const QString& key,
                    const QString& value);

}  // namespace corvane::config
