// Small text helpers shared by several subsystems.
#pragma once

#include <QString>

namespace corvane::text {

// Removes every character with a code of 32 or less from both ends (blanks, tabs, line breaks and
// other control characters), the trimming the configuration, log and HTTP code rely on.
QString TrimControl(const QString& s);

// Lower-cases the letters A-Z only; every other character is left as it is.
QString LowerAsciiLetters(const QString& s);

}  // namespace corvane::text
