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
// A line break can never reach the file: the value is written up to its first CR or LF. Section
// and key names that would change the file's structure (empty, holding "]", "=", CR or LF)
// are refused with false.
bool WriteIniString(const QString& path, const QString& section, const QString& key,
                    const QString& value);

// One INI file read once for several keys, with the same rules as ReadIniString. Any thread; an
// instance is not shared between threads.
class IniReader {
  public:
    // Reads the whole file. A missing file reads as an empty one (not a failure). Returns false,
    // with the reason in *error, when the file exists but cannot be read.
    bool Load(const QString& path, QString* error = nullptr);
    QString Read(const QString& section, const QString& key, const QString& def) const;

  private:
    QString text_;
};

}  // namespace corvane::config
